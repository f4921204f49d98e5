#include "linuxtest.h"

#include "linux/processstarter.h"

using namespace kl;
using namespace kl::test;

namespace {

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
    QTemporaryDir work; // our working folder, apart from the programs'

private Q_SLOTS:
    // We run as under nohup, with every signal blocked too, and an input of our own: none of it may reach a program.
    void initTestCase()
    {
        sigset_t all;
        QVERIFY(!sigfillset(&all) && !::pthread_sigmask(SIG_SETMASK, &all, nullptr) && QDir::setCurrent(work.path()));
        QVERIFY(std::signal(SIGHUP, SIG_IGN) != SIG_ERR);
        QVERIFY(::dup2(::open("/proc/self/exe", O_RDONLY), STDIN_FILENO) == STDIN_FILENO);
    }

    // Each started with no argument, in a session of its own, in our working folder with default signal handling,
    // and collected as soon as it exits; a child of someone else's is left alone. What cannot start runs nothing,
    // and the failure names the system's reason.
    void startsExactlyThatFileAloneOrSaysWhy()
    {
        QTemporaryDir dir;
        const pid_t other = ::fork(); // a child of the test's own, exited
        if (other == 0)
            ::_exit(0);
        QTRY_COMPARE(state(other), "Z");
        for (const QString name : {"my program", "it's \"quoted\"", "a; touch injected && b | c", "-rf", "*",
                                   "$(touch injected) `touch injected`", "起動テスト"}) {
            // Reports its arguments, itself, folder, process, session, the signals its commands get (bash, as dash
            // clears its own mask) and its input. The C library keeps signals 32 up to SIGRTMIN, and its posix_spawn leaves them ignored.
            const QString program = dir.filePath(name);
            QVERIFY(writeBytes(program, "#!/bin/bash\n{ printf '%s\\n' $# \"$0\"; pwd -P; grep -E '^(Pid|NSsid):' /proc/$$/status; "
                                        "grep -E '^Sig(Blk|Ign):' /proc/self/status; readlink /proc/$$/fd/0; } > \"$0.tmp\" && mv \"$0.tmp\" \"$0.m\"\n", true));
            ProcessStarter().Shell(program.toStdString(), vbNormalFocus);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program + ".m"), 10000);
            const QString report = QString::fromUtf8(readBytes(program + ".m"));
            const QString pid = report.split('\n').value(3).mid(5), ignored = report.split('\n').value(6).mid(8);
            const qulonglong libc = ignored.toULongLong(nullptr, 16) & ((1ULL << (SIGRTMIN - 1)) - (1ULL << 31));
            const QString clean = QStringLiteral("0\n%1\n%2\nPid:\t%3\nNSsid:\t%3\nSigBlk:\t0000000000000000\nSigIgn:\t%4\n/dev/null\n");
            QCOMPARE(report, clean.arg(program, QDir::currentPath(), pid, QString::number(libc, 16).rightJustified(16, '0')));
            QTRY_VERIFY_WITH_TIMEOUT(state(pid.toLongLong()).isEmpty(), 1500);
        }
        QCOMPARE(::waitpid(other, nullptr, 0), other);
        const QByteArray touch = "touch '" + dir.filePath(QStringLiteral("injected")).toUtf8() + "'\n";
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY(writeBytes(dir.filePath("plain"), "#!/bin/sh\n" + touch) && writeBytes(dir.filePath("noshebang"), touch, true));
        for (const auto &[kind, number, platformError] :
             {std::tuple{"", err::InvalidProcedureCall, 0}, {"missing", err::FileNotFound, ENOENT},
              {"folder", err::PathFileAccessError, EACCES}, {"plain", err::PermissionDenied, EACCES},
              {"noshebang", err::PathFileAccessError, ENOEXEC}}) {
            try {
                ProcessStarter().Shell(*kind ? dir.filePath(kind).toStdString() : std::string(), vbNormalFocus);
                QFAIL(qPrintable(QStringLiteral("%1: the start was reported as a success").arg(kind)));
            } catch (const RuntimeError &e) {
                const QString reason = platformError ? QString::fromLocal8Bit(std::strerror(platformError)) : "";
                const QString description = QString::fromStdString(e.description());
                QVERIFY2(e.number() == number && !description.isEmpty() && description.contains(reason),
                         qPrintable(QStringLiteral("%1: %2 %3").arg(kind).arg(e.number()).arg(description)));
            }
        }
        QVERIFY2(!QFile::exists("injected") && !QFile::exists(dir.filePath("injected")), "part of a path or a failed start ran");
    }
};

QTEST_GUILESS_MAIN(TestProcessStarter)
#include "tst_processstarter.moc"
