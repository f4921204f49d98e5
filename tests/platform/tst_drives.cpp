#include "platform/drives.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kl;

namespace {

// The error number a call fails with, 0 when it does not.
int failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

// What the local drive system finds: its drives, the current folder and
// drive, and where the current and the system drive open.
QStringList survey()
{
    LocalDriveSystem d;
    const auto open = [&](const QString &drive) {
        QString at;
        const int failure = failureOf([&] { at = d.openDrive(drive); });
        return failure ? QStringLiteral("failure %1").arg(failure) : at;
    };
    return {d.drives().join(u'\t'), d.currentFolder(), d.currentDrive(), open(d.currentDrive()), open(d.systemDrive())};
}

// The survey in a child process whose root is folder, with the kernel's
// mount table at its /proc; or why the root could not be changed.
QStringList surveyUnder(const QString &folder)
{
    const QByteArray root = QFile::encodeName(folder), proc = root + "/proc";
    if (!QDir(folder).mkdir("proc"))
        return {"no /proc"};
    if (const pid_t child = ::fork(); child != 0) {
        ::waitpid(child, nullptr, 0);
        QFile in(folder + "/survey");
        return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()).split(u'\n') : QStringList();
    }
    const bool inside = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("proc", proc, "proc", 0, nullptr) == 0 && ::chroot(root) == 0 && ::chdir("/") == 0;
    const QByteArray why = std::strerror(errno);
    QFile out(inside ? "/survey" : folder + "/survey");
    if (out.open(QIODevice::WriteOnly))
        out.write(inside ? survey().join(u'\n').toUtf8() : "no privileges: " + why);
    out.close();
    ::_exit(0);
}

} // namespace

class TestDrives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("chain"); // the folder last
        QTest::addColumn<QString>("drive"); // among "/", "/home" and "/home/user/usb"
        QTest::newRow("root") << "/" << QStringList{"/"} << "/";
        QTest::newRow("dots, trailing slash") << "/a/./b/../c/" << QStringList{"/", "/a", "/a/c"} << "/";
        QTest::newRow("blanks") << "/my files/x y" << QStringList{"/", "/my files", "/my files/x y"} << "/";
        QTest::newRow("mount itself") << "/home" << QStringList{"/", "/home"} << "/home";
        QTest::newRow("inside a mount") << "/home/user" << QStringList{"/", "/home", "/home/user"} << "/home";
        QTest::newRow("deepest mount") << "/home/user/usb" << QStringList{"/", "/home", "/home/user", "/home/user/usb"}
                                       << "/home/user/usb";
        QTest::newRow("name sharing a prefix") << "/homework" << QStringList{"/", "/homework"} << "/";
    }
    void paths()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, chain);
        const QString folder = folderPath(path);
        QCOMPARE(folder, chain.last());
        QCOMPARE(folderChain(folder), chain);
        QCOMPARE(subfolderPath(folder, "sub"), folder == u'/' ? "/sub" : folder + "/sub");
        QTEST(driveOf(folder, {"/", "/home/user/usb", "/home"}), "drive");
    }

    void listsFoldersAndPrograms()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        for (const char *sub : {"zeta", "Alpha", "beta", ".hidden", "dir.exe"})
            QVERIFY(dir.mkdir(sub));
        for (const char *name : {"x.exe", "Y.EXE", "w.ExE", "tool", "notes.txt", "x.exe.bak", ".secret.exe"}) {
            QFile file(dir.filePath(name));
            const auto permissions = QFile::ReadOwner | (qstrcmp(name, "tool") ? QFile::ReadOwner : QFile::ExeOwner);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.setPermissions(permissions));
        }
        QVERIFY(QFile::link(dir.filePath("tool"), dir.filePath("link")));

        QCOMPARE(listFolders(tmp.path()), (QStringList{"Alpha", "beta", "dir.exe", "zeta"}));
        QCOMPARE(listPrograms(tmp.path()), (QStringList{"link", "tool", "w.ExE", "x.exe", "Y.EXE"}));
        for (const QString &notAFolder : {dir.filePath("gone"), dir.filePath("x.exe")})
            QCOMPARE(failureOf([&] { listFolders(notAFolder); }) + failureOf([&] { listPrograms(notAFolder); }),
                     2 * err::PathNotFound);
    }

    // The machine's drives as found, with the working folder removed, and
    // under a root the mount table does not show (a chroot).
    void localDrives_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("as found") << "";
        QTest::newRow("working folder removed") << "removed";
        QTest::newRow("root not in the mount table") << "chroot";
    }
    void localDrives()
    {
        QFETCH(QString, where);
        QTemporaryDir tmp, notMounted;
        const QString saved = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });
        if (where == "removed")
            QVERIFY(QDir::setCurrent(tmp.path()) && QDir().rmdir(tmp.path()));
        const QStringList found = where == "chroot" ? surveyUnder(tmp.path()) : survey();
        if (found.size() == 1)
            QSKIP(qPrintable("cannot change the root: " + found.first()));
        const QString current = where == "removed" ? "" : where == "chroot" ? "/" : saved;

        const QStringList list = found.first().split(u'\t');
        QVERIFY(list.value(0) == "/" && list.count("/") == 1);
        for (const QString &drive : list) {
            QVERIFY2(QFileInfo(drive).isDir(), qPrintable(drive));
            for (const char *system : {"/proc", "/sys", "/dev"})
                QVERIFY2(drive != system && !drive.startsWith(system + QStringLiteral("/")), qPrintable(drive));
        }
        // The drive of the current folder opens there, any other at its root;
        // the system drive is always there to fall back to.
        const QString drive = driveOf(current, list);
        const QString opens = current.isEmpty() ? "/" : current;
        QCOMPARE(found.mid(1), (QStringList{current, drive, opens, drive == "/" ? opens : "/"}));
        // A folder that is no mount (a drive whose medium has gone) cannot be opened.
        for (const QString &gone : {notMounted.path(), notMounted.path() + "/gone"})
            QCOMPARE(failureOf([&] { LocalDriveSystem().openDrive(gone); }), err::DeviceUnavailable);
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
