#include "platform/processstarter.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <sys/wait.h>

using namespace kl;

namespace {

void writeFile(const QString &path, const QByteArray &content, bool executable = true)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::ReadOwner)));
}

// A process's state, parent, group and session, from its /proc/PID/stat
// line, read now unless given; none once it has gone.
QList<QByteArray> statFields(qint64 pid, QByteArray stat = {})
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.isEmpty() && file.open(QIODevice::ReadOnly))
        stat = file.readAll();
    return stat.isEmpty() ? QList<QByteArray>() : stat.mid(stat.lastIndexOf(')') + 2).split(' ').mid(0, 4);
}

} // namespace

class TestProcessStarter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsExactlyThatFileAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << "my program";
        QTest::newRow("quotes") << "it's \"quoted\"";
        QTest::newRow("command separators") << "a; touch injected && b | c";
        QTest::newRow("substitutions") << "$(touch injected) `touch injected`";
        QTest::newRow("wildcard") << "*";
        QTest::newRow("leading dash") << "-rf";
        QTest::newRow("Japanese") << "起動テスト";
    }
    // Started with no argument, in a session of its own, and
    // collected as soon as it exits; a child of someone else's is left alone.
    void startsExactlyThatFileAlone()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString program = dir.filePath(name), marker = dir.filePath(QStringLiteral("marker"));
        writeFile(program, "#!/bin/sh\nd=$(dirname \"$0\")\nread -r stat < /proc/$$/stat\n"
                           "printf '%s\\n%s\\n%s' \"$#\" \"$0\" \"$stat\" > \"$d/m.tmp\"\n"
                           "mv \"$d/m.tmp\" \"$d/marker\"\n");
        const pid_t other = ::fork(); // a child of the test's own, exited
        if (other == 0)
            ::_exit(0);
        QTRY_COMPARE(statFields(other).value(0), "Z");

        ProcessStarter().Shell(program, vbNormalFocus);

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
        QFile file(marker);
        const QList<QByteArray> lines = file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
        QCOMPARE(QString::fromUtf8(lines.mid(0, 2).join('\n')), QStringLiteral("0\n") + program);
        const QByteArray pid = lines.value(2).split(' ').value(0);
        QCOMPARE(statFields(pid.toLongLong(), lines.value(2)).value(3), pid);
        QTRY_VERIFY_WITH_TIMEOUT(statFields(pid.toLongLong()).isEmpty(), 1500);
        QCOMPARE(::waitpid(other, nullptr, 0), other);
        QVERIFY2(!QFile::exists(QDir::current().filePath(QStringLiteral("injected")))
                     && !QFile::exists(dir.filePath(QStringLiteral("injected"))),
                 "part of the path ran as a command");
    }

    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("platformError");
        QTest::newRow("empty path") << "empty" << err::InvalidProcedureCall << 0;
        QTest::newRow("missing file") << "missing" << err::FileNotFound << ENOENT;
        QTest::newRow("folder") << "folder" << err::PathFileAccessError << EACCES;
        QTest::newRow("not executable") << "plain" << err::PermissionDenied << EACCES;
        QTest::newRow("no interpreter line") << "noshebang" << err::PathFileAccessError << ENOEXEC;
    }
    void failuresSayWhy()
    {
        QFETCH(QString, kind);
        QFETCH(int, platformError);
        QTemporaryDir dir;
        const QString path = kind == "empty" ? QString() : dir.filePath(kind);
        const QByteArray touch = "touch '" + dir.filePath(QStringLiteral("ran")).toUtf8() + "'\n";
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir(kind));
        else if (kind == "plain" || kind == "noshebang")
            writeFile(path, kind == "plain" ? "#!/bin/sh\n" + touch : touch, kind == "noshebang");
        try {
            ProcessStarter().Shell(path, vbNormalFocus);
            QFAIL("the start was reported as a success");
        } catch (const RuntimeError &e) {
            QTEST(e.number(), "number");
            const QString reason = platformError ? QString::fromLocal8Bit(std::strerror(platformError)) : "";
            QVERIFY2(!e.description().isEmpty() && e.description().contains(reason), qPrintable(e.description()));
        }
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ran"))));
    }
};

QTEST_GUILESS_MAIN(TestProcessStarter)
#include "tst_processstarter.moc"
