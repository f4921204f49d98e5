#include "platform/drives.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kl;

class TestDrives : public QObject
{
    Q_OBJECT

private:
    static int failureOf(const std::function<void()> &call)
    {
        try {
            call();
        } catch (const RuntimeError &e) {
            return e.number();
        }
        return 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("paths below are Unix paths");
#endif
    }

    void folderPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("root") << "/" << "/" << QStringList{"/"};
        QTest::newRow("one down") << "/usr" << "/usr" << QStringList{"/", "/usr"};
        QTest::newRow("trailing slash") << "/usr/bin/" << "/usr/bin" << QStringList{"/", "/usr", "/usr/bin"};
        QTest::newRow("dots") << "/a/./b/../c" << "/a/c" << QStringList{"/", "/a", "/a/c"};
        QTest::newRow("blanks") << "/my files/x y" << "/my files/x y" << QStringList{"/", "/my files", "/my files/x y"};
    }

    void folderPaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QStringList, chain);
        QCOMPARE(folderPath(path), folder);
        QCOMPARE(folderChain(folder), chain);
        QCOMPARE(subfolderPath(folder, QStringLiteral("sub")), folder == u'/' ? "/sub" : folder + "/sub");
    }

    void driveOfAFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("drive");
        QTest::newRow("root") << "/" << "/";
        QTest::newRow("mount itself") << "/home" << "/home";
        QTest::newRow("inside a mount") << "/home/user" << "/home";
        QTest::newRow("deepest mount") << "/home/user/usb/x" << "/home/user/usb";
        QTest::newRow("name sharing a prefix") << "/homework" << "/";
    }

    void driveOfAFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, drive);
        QCOMPARE(driveOf(folder, {"/", "/home/user/usb", "/home"}), drive);
    }

    void listsFoldersAndPrograms()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        for (const char *sub : {"zeta", "Alpha", "beta", ".hidden", "dir.exe"})
            QVERIFY(dir.mkdir(QLatin1String(sub)));
        const QList<QPair<const char *, QFile::Permissions>> files{
            {"x.exe", QFile::ReadOwner},       {"Y.EXE", QFile::ReadOwner},
            {"w.ExE", QFile::ReadOwner},       {"tool", QFile::ReadOwner | QFile::ExeOwner},
            {"notes.txt", QFile::ReadOwner},   {"x.exe.bak", QFile::ReadOwner},
            {".secret.exe", QFile::ReadOwner},
        };
        for (const auto &[name, permissions] : files) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QVERIFY(file.setPermissions(permissions));
        }
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("tool")), dir.filePath(QStringLiteral("link"))));

        QCOMPARE(listFolders(tmp.path()), (QStringList{"Alpha", "beta", "dir.exe", "zeta"}));
        QCOMPARE(listPrograms(tmp.path()), (QStringList{"link", "tool", "w.ExE", "x.exe", "Y.EXE"}));

        const QString gone = dir.filePath(QStringLiteral("gone"));
        QCOMPARE(failureOf([&] { listFolders(gone); }), err::PathNotFound);
        QCOMPARE(failureOf([&] { listPrograms(gone); }), err::PathNotFound);
        QCOMPARE(failureOf([&] { listPrograms(dir.filePath(QStringLiteral("x.exe"))); }), err::PathNotFound);
    }

    void localDrives()
    {
        LocalDriveSystem drives;
        const QStringList list = drives.drives();
        QCOMPARE(list.value(0), QStringLiteral("/"));
        QCOMPARE(list.count(QStringLiteral("/")), 1);
        for (const QString &drive : list) {
            QVERIFY2(QFileInfo(drive).isDir(), qPrintable(drive));
            for (const char *system : {"/proc", "/sys", "/dev"})
                QVERIFY2(drive != QLatin1String(system) && !drive.startsWith(QLatin1String(system) + u'/'),
                         qPrintable(drive));
        }
        QCOMPARE(drives.systemDrive(), QStringLiteral("/"));
        QCOMPARE(drives.currentFolder(), QDir::currentPath());
        QCOMPARE(drives.currentDrive(), driveOf(QDir::currentPath(), list));
        // The drive of the current folder opens there; the system drive is
        // always there to fall back to.
        QCOMPARE(drives.openDrive(drives.currentDrive()), QDir::currentPath());
        QVERIFY(!drives.openDrive(QStringLiteral("/")).isEmpty());

        // A folder that is no mount (a drive whose medium has gone) cannot be opened.
        QTemporaryDir notMounted;
        QCOMPARE(failureOf([&] { drives.openDrive(notMounted.path()); }), err::DeviceUnavailable);
        QCOMPARE(failureOf([&] { drives.openDrive(notMounted.path() + QStringLiteral("/gone")); }),
                 err::DeviceUnavailable);
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
