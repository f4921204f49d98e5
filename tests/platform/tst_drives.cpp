#include "platform/drives.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
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

} // namespace

class TestDrives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("paths below are Unix paths");
#endif
    }

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
        for (const QString &notAFolder : {dir.filePath("gone"), dir.filePath("x.exe")}) {
            QCOMPARE(failureOf([&] { listFolders(notAFolder); }), err::PathNotFound);
            QCOMPARE(failureOf([&] { listPrograms(notAFolder); }), err::PathNotFound);
        }
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
        const int root = ::open("/", O_RDONLY | O_DIRECTORY);
        const auto restore = qScopeGuard([&] {
            QVERIFY(::fchdir(root) == 0 && ::chroot(".") == 0 && ::close(root) == 0 && QDir::setCurrent(saved));
        });
        if (where == "removed")
            QVERIFY(QDir::setCurrent(tmp.path()) && QDir().rmdir(tmp.path()));
        if (where == "chroot" && (::chroot(QFile::encodeName(tmp.path())) != 0 || !QDir::setCurrent("/")))
            QSKIP("changing the root needs privileges");
        const QString current = where == "removed" ? "" : QDir::currentPath();

        LocalDriveSystem drives;
        const QStringList list = drives.drives();
        QVERIFY(list.value(0) == "/" && list.count("/") == 1);
        for (const QString &drive : list) {
            QVERIFY2(QFileInfo(drive).isDir(), qPrintable(drive));
            for (const char *system : {"/proc", "/sys", "/dev"})
                QVERIFY2(drive != system && !drive.startsWith(system + QStringLiteral("/")), qPrintable(drive));
        }
        QCOMPARE(drives.systemDrive() + drives.currentFolder(), "/" + current);
        QCOMPARE(drives.currentDrive(), driveOf(current, list));
        // The drive of the current folder opens there, any other at its root;
        // the system drive is always there to fall back to.
        QCOMPARE(drives.openDrive(drives.currentDrive()), current.isEmpty() ? "/" : current);
        QCOMPARE(drives.openDrive("/"), drives.currentDrive() == "/" && !current.isEmpty() ? current : "/");
        // A folder that is no mount (a drive whose medium has gone) cannot be opened.
        for (const QString &drive : {notMounted.path(), notMounted.path() + "/gone"})
            QCOMPARE(failureOf([&] { drives.openDrive(drive); }), err::DeviceUnavailable);
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
