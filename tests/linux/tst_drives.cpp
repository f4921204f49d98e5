// Folders, drives and programs of the local file system, and the registry
// stand-in that finds the system information tool among them.
#include "linuxtest.h"

#include "linux/localdrives.h"
#include "linux/sysinforegistry.h"

#include <QRegularExpression>

#include <algorithm>
#include <sched.h>

using namespace kl;
using namespace kl::test;

namespace {

// What the local drive system finds: its drives, the current folder and
// drive, and where the current and the system drive open.
QStringList survey()
{
    LocalDriveSystem d;
    const auto open = [&](const QString &drive) {
        QString at;
        const int failure = errorOf([&] { at = q(d.openDrive(s(drive))); });
        return failure ? QStringLiteral("failure %1").arg(failure) : at;
    };
    return {q(d.drives()).join(u'\t'), q(d.currentFolder()), q(d.currentDrive()), open(q(d.currentDrive())),
            open(q(d.systemDrive()))};
}

// The survey in a child process whose root is folder, with the kernel's
// mount table at its /proc and mounts of its own: overlays at /b, /C, /a
// (twice) and at a name that is not UTF-8 beside its look-alike, memory at
// /tmp and /mem; or why that could not be done.
QStringList surveyUnder(const QString &folder)
{
    const QByteArray root = QFile::encodeName(folder) + '/', layers = "lowerdir=" + root + "l1:" + root + "l2";
    for (const char *dir : {"proc", "l1", "l2", "b", "C", "a", "pick\xff", "pick\xef\xbf\xbd", "tmp", "mem"})
        if (::mkdir(root + dir, 0700) != 0)
            return {QStringLiteral("cannot make %1").arg(dir)};
    if (const pid_t child = ::fork(); child != 0) {
        ::waitpid(child, nullptr, 0);
        // The child's bind of folder onto itself (below) may have reached
        // this namespace too, through a shared mount: not left behind.
        ::umount2(root.constData(), MNT_DETACH | UMOUNT_NOFOLLOW);
        QFile in(folder + "/survey");
        return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()).split(u'\n') : QStringList();
    }
    // Mounts made here must not reach the parent's namespace. In a chroot "/"
    // is no mount point and cannot be made private: folder, bound onto
    // itself, becomes one that can.
    bool inside = ::unshare(CLONE_NEWNS) == 0
        && (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            || (errno == EINVAL && ::mount(root, root, nullptr, MS_BIND | MS_REC, nullptr) == 0
                && ::mount(nullptr, root, nullptr, MS_REC | MS_PRIVATE, nullptr) == 0))
        && ::mount("proc", root + "proc", "proc", 0, nullptr) == 0;
    for (const char *point : {"b", "C", "a", "a", "pick\xff"})
        inside = inside && ::mount("overlay", root + point, "overlay", MS_RDONLY, layers.constData()) == 0;
    for (const char *point : {"tmp", "mem"})
        inside = inside && ::mount("tmpfs", root + point, "tmpfs", 0, nullptr) == 0;
    inside = inside && ::chroot(root) == 0 && ::chdir("/") == 0;
    const QByteArray why = std::strerror(errno);
    QFile out(inside ? "/survey" : folder + "/survey");
    if (out.open(QIODevice::WriteOnly))
        out.write(inside ? survey().join(u'\n').toUtf8() : "no privileges: " + why), out.close();
    ::_exit(0);
}

} // namespace

class TestDrives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsFoldersAndPrograms()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        for (const char *sub : {"zeta", "Alpha", "beta", ".hidden", "dir.exe"})
            QVERIFY(dir.mkdir(sub));
        for (const QString name : {"x.exe", "Y.EXE", "w.ExE", "tool", "notes.txt", "x.exe.bak", ".secret.exe"})
            QVERIFY(writeBytes(dir.filePath(name), {}, name == "tool"));
        QVERIFY(QFile::link(dir.filePath("tool"), dir.filePath("link")));
        // Names that are not UTF-8 are listed apart, as they read; hidden ones not at all.
        const QByteArray at = QFile::encodeName(tmp.path()) + '/';
        const auto clean = qScopeGuard([&] { removeAll(tmp.path()); });
        for (const char *sub : {"pick\xff", "pick\xef\xbf\xbd", ".h\xff"})
            QVERIFY(::mkdir(at + sub, 0700) == 0);
        for (const char *name : {"y\xff.EXE", "n\xff", "x\xff"})
            QVERIFY(::close(::open(at + name, O_CREAT | O_WRONLY, name[0] == 'x' ? 0700 : 0600)) == 0);
        QCOMPARE(q(listFolders(s(tmp.path()))) + q(listPrograms(s(tmp.path()))),
                 (QStringList{"Alpha", "beta", "dir.exe", "pick\uFFFD", "zeta", "link", "tool", "w.ExE", "x.exe", "Y.EXE"}));
        QCOMPARE(q(listUnnamed(s(tmp.path()), DriveSystem::Kind::Folders))
                     + q(listUnnamed(s(tmp.path()), DriveSystem::Kind::Programs)),
                 (QStringList{"pick\uFFFD", "x\uFFFD", "y\uFFFD.EXE"}));
        for (const QString &notAFolder : {dir.filePath("gone"), dir.filePath("x.exe")})
            QCOMPARE(errorOf([&] { listFolders(s(notAFolder)); }) + errorOf([&] { listPrograms(s(notAFolder)); }),
                     2 * err::PathNotFound);
        // Dir names a normal file only.
        const auto named = [&](const char *name) { return q(LocalDriveSystem().Dir(*name ? s(dir.filePath(name)) : std::string())); };
        QCOMPARE(QStringList({named("Y.EXE"), named("other.exe"), named("dir.exe"), named(".secret.exe"), named("")}),
                 (QStringList{"Y.EXE", "", "", "", ""}));
    }

    // The machine's drives as found, with the working folder removed or
    // named other than in UTF-8 beside its look-alike, and under a root the
    // mount table does not show (a chroot) with mounts of its own.
    void localDrives_data()
    {
        QTest::addColumn<QString>("where");
        for (const char *where : {"as found", "removed", "not UTF-8", "chroot"})
            QTest::newRow(where) << QString(where);
    }
    void localDrives()
    {
        QFETCH(QString, where);
        QTemporaryDir tmp, notMounted;
        const QString saved = QDir::currentPath();
        const auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });
        const QByteArray at = QFile::encodeName(tmp.path()) + '/';
        const auto clean = qScopeGuard([&] { removeAll(tmp.path()); });
        if (where == "removed")
            QVERIFY(QDir::setCurrent(tmp.path()) && QDir().rmdir(tmp.path()));
        if (where == "not UTF-8")
            QVERIFY(::mkdir(at + "pick\xef\xbf\xbd", 0700) == 0 && ::mkdir(at + "pick\xff", 0700) == 0 && ::chdir(at + "pick\xff") == 0);
        const QStringList found = where == "chroot" ? surveyUnder(tmp.path()) : survey();
        QVERIFY2(found.size() > 1, qPrintable("cannot make a root with mounts of its own: " + found.value(0)));
        const QString current = where == "removed" || where == "not UTF-8" ? "" : where == "chroot" ? "/" : saved;
        // "/" first and once, the others in order; no folder that is not one,
        // nor the kernel's, nor memory but /tmp, nor a name's look-alike.
        const QStringList list = found.first().split(u'\t');
        if (where == "chroot")
            QCOMPARE(list.join(u' '), "/ /C /a /b /tmp");
        QVERIFY2(list.value(0) == "/" && list.count("/") == 1 && std::is_sorted(list.begin() + 1, list.end())
                     && list.filter(QRegularExpression("^/(proc|sys|dev)(/|$)")).isEmpty(), qPrintable(found.first()));
        for (const QString &drive : list)
            QVERIFY2(QFileInfo(where == "chroot" ? tmp.path() + drive : drive).isDir(), qPrintable(drive));
        // The drive of the current folder opens there, any other at its root;
        // the system drive is always there to fall back to.
        const QString drive = q(paths::driveOf(s(current), s(list))), opens = current.isEmpty() ? "/" : current;
        QCOMPARE(found.mid(1), (QStringList{current, drive, opens, drive == "/" ? opens : "/"}));
        // A folder that is no mount (a drive whose medium has gone) cannot be opened.
        for (const QString &gone : {notMounted.path(), notMounted.path() + "/gone"})
            QCOMPARE(errorOf([&] { LocalDriveSystem().openDrive(s(gone)); }), err::DeviceUnavailable);
    }

    // The stand-in's one value: the path of the first of the names found as
    // a program, whichever folder holds it; looked up at every open.
    void answersWithTheFirstToolFound()
    {
        QTemporaryDir a, b;
        QVERIFY(writeBytes(a.filePath("plain"), {}) && writeBytes(a.filePath("second"), {}, true) && writeBytes(b.filePath("first"), {}, true));
        const QString toolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
        SysInfoRegistry registry({"plain", "first", "second"}, {s(a.path()), s(b.path())}), none({"plain"}, {s(a.path())});
        std::uint32_t key = 0, type = 0, size = 4;
        std::string buffer(64, 'z');
        QList<long> got{registry.RegOpenKeyEx(reg::LocalMachine, s(toolKey.toLower()), 0, reg::Read, key)};
        // Too short a buffer is left alone and told the size needed; a long one keeps what lies past the value.
        got << registry.RegQueryValueEx(key, "PATH", type, buffer, size) << size << (buffer == std::string(64, 'z'));
        size = 64;
        got << registry.RegQueryValueEx(key, "Path", type, buffer, size) << type << size;
        QCOMPARE(QByteArray::fromStdString(buffer), (QFile::encodeName(b.path() + "/first") + '\0').leftJustified(64, 'z'));
        got << registry.RegQueryValueEx(key, "MSINFO", type, buffer, size) << registry.RegCloseKey(key)
            << registry.RegQueryValueEx(key, "PATH", type, buffer, size)
            << registry.RegOpenKeyEx(reg::LocalMachine, "SOFTWARE\\Other", 0, 0, key);
        // Without a program of those names the key is missing and key untouched, until there is one.
        key = 77;
        got << none.RegOpenKeyEx(reg::LocalMachine, s(toolKey), 0, reg::Read, key) << key;
        QVERIFY(QFile::setPermissions(a.path() + "/plain", QFileDevice::ExeOwner));
        got << none.RegOpenKeyEx(reg::LocalMachine, s(toolKey), 0, reg::Read, key);
        const long length = QFile::encodeName(b.path() + "/first").size() + 1;
        QCOMPARE(got, (QList<long>{reg::Success, reg::MoreData, length, true, reg::Success, reg::TypeSz, length,
                                   reg::FileNotFound, reg::Success, reg::InvalidHandle, reg::FileNotFound,
                                   reg::FileNotFound, 77, reg::Success}));
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
