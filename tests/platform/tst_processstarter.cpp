#include "platform/processstarter.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace kl;

namespace {

void writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

const QFile::Permissions kExecutable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

} // namespace

class TestProcessStarter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsExactlyThatFile_data()
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
    void startsExactlyThatFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString program = dir.filePath(name);
        const QString marker = dir.filePath(QStringLiteral("marker"));
        // Records how it was called: argument count, then its own path.
        writeFile(program, "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$0\" > \"$(dirname \"$0\")/marker.tmp\"\n"
                           "mv \"$(dirname \"$0\")/marker.tmp\" \"$(dirname \"$0\")/marker\"\n",
                  kExecutable);

        ProcessStarter starter;
        starter.Shell(program, vbNormalFocus);

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("0\n") + program);
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
        QFETCH(int, number);
        QFETCH(int, platformError);
        QTemporaryDir dir;
        QString path = dir.filePath(kind);
        const QByteArray touch = "touch '" + dir.filePath(QStringLiteral("ran")).toUtf8() + "'\n";
        if (kind == "empty")
            path.clear();
        else if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir(kind));
        else if (kind == "plain")
            writeFile(path, "#!/bin/sh\n" + touch, QFile::ReadOwner | QFile::WriteOwner);
        else if (kind == "noshebang")
            writeFile(path, touch, kExecutable);

        ProcessStarter starter;
        try {
            starter.Shell(path, vbNormalFocus);
            QFAIL("the start was reported as a success");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), number);
            QVERIFY(!e.description().isEmpty());
            if (platformError != 0)
                QVERIFY2(e.description().contains(QString::fromLocal8Bit(std::strerror(platformError))),
                         qPrintable(e.description()));
        }
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ran"))));
    }
};

QTEST_GUILESS_MAIN(TestProcessStarter)
#include "tst_processstarter.moc"
