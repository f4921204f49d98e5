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
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::ReadOwner)));
}

// A process's state ("Z" for a zombie), empty once it has gone.
QByteArray state(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(')').last().mid(1, 1) : QByteArray();
}

} // namespace

class TestProcessStarter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each started with no argument, in a session of its own, and collected
    // as soon as it exits; a child of someone else's is left alone.
    void startsExactlyThatFileAlone()
    {
        QTemporaryDir dir;
        const pid_t other = ::fork(); // a child of the test's own, exited
        if (other == 0)
            ::_exit(0);
        QTRY_COMPARE(state(other), "Z");
        for (const QString name : {"my program", "it's \"quoted\"", "a; touch injected && b | c", "-rf", "*",
                                   "$(touch injected) `touch injected`", "起動テスト"}) {
            const QString program = dir.filePath(name); // reports its arguments, itself, its process and session
            writeFile(program, "#!/bin/sh\nn=$#; read -r s < /proc/$$/stat; set -- ${s##*) }\n"
                               "printf '%s\\n%s\\n%s %s' \"$n\" \"$0\" $$ \"$4\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.m\"\n");
            ProcessStarter().Shell(program, vbNormalFocus);
            QFile marker(program + ".m");
            QTRY_VERIFY_WITH_TIMEOUT(marker.exists(), 10000);
            const QByteArray report = marker.open(QIODevice::ReadOnly) ? marker.readAll() : "";
            const QByteArray pid = report.split('\n').last().split(' ').first();
            QCOMPARE(QString::fromUtf8(report), "0\n" + program + '\n' + pid + ' ' + pid);
            QTRY_VERIFY_WITH_TIMEOUT(state(pid.toLongLong()).isEmpty(), 1500);
        }
        QCOMPARE(::waitpid(other, nullptr, 0), other);
        QVERIFY2(!QFile::exists("injected") && !QFile::exists(dir.filePath("injected")), "part of the path ran as a command");
    }

    // Nothing runs, and the failure names the system's reason.
    void failuresSayWhy()
    {
        QTemporaryDir dir;
        const QByteArray touch = "touch '" + dir.filePath(QStringLiteral("ran")).toUtf8() + "'\n";
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        writeFile(dir.filePath("plain"), "#!/bin/sh\n" + touch, false);
        writeFile(dir.filePath("noshebang"), touch);
        for (const auto &[kind, number, platformError] :
             {std::tuple{"", err::InvalidProcedureCall, 0}, {"missing", err::FileNotFound, ENOENT},
              {"folder", err::PathFileAccessError, EACCES}, {"plain", err::PermissionDenied, EACCES},
              {"noshebang", err::PathFileAccessError, ENOEXEC}}) {
            try {
                ProcessStarter().Shell(*kind ? dir.filePath(kind) : QString(), vbNormalFocus);
                QFAIL(qPrintable(QStringLiteral("%1: the start was reported as a success").arg(kind)));
            } catch (const RuntimeError &e) {
                const QString reason = platformError ? QString::fromLocal8Bit(std::strerror(platformError)) : "";
                QVERIFY2(e.number() == number && !e.description().isEmpty() && e.description().contains(reason),
                         qPrintable(QStringLiteral("%1: %2 %3").arg(kind).arg(e.number()).arg(e.description())));
            }
        }
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ran"))));
    }
};

QTEST_GUILESS_MAIN(TestProcessStarter)
#include "tst_processstarter.moc"
