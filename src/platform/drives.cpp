#include "drives.h"

#include "runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#endif

namespace kl {

namespace {

QChar separator()
{
    return QDir::separator();
}

#ifndef Q_OS_WIN
// File systems of the kernel and of services: nothing a user keeps files in.
bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs",
        "tracefs", "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "ramfs", "selinuxfs", "squashfs",
        "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
    };
    return pseudo.contains(type);
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

// Mounts the system makes for itself (run-time state, devices, packages);
// removable media mounted under /run/media stay.
bool isSystemArea(const QString &root)
{
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    for (const char *area : {"/proc", "/sys", "/dev", "/run", "/var/run", "/var/lock", "/snap"}) {
        if (isUnder(root, QLatin1String(area)))
            return true;
    }
    return false;
}

// A root whose name is not UTF-8 reads as its look-alike (U+FFFD for each
// stray byte), which is some other folder when there is one: kept only when
// the look-alike is itself a mount's root. QStorageInfo matches by name, so
// the kernel is asked.
bool isMountRoot(const QString &root)
{
    if (!root.contains(QChar::ReplacementCharacter))
        return true;
#ifdef Q_OS_LINUX
    struct statx st = {};
    return ::statx(AT_FDCWD, QFile::encodeName(root).constData(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) == 0
        && (st.stx_attributes_mask & st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#else
    return false;
#endif
}
#endif

} // namespace

QString folderPath(const QString &path)
{
    QString result = QDir::toNativeSeparators(QDir::cleanPath(path));
#ifdef Q_OS_WIN
    if (result.size() == 2 && result.at(1) == u':')
        result += separator();
#endif
    return result;
}

QStringList folderChain(const QString &folder)
{
    const QChar sep = separator();
    QString root;
#ifdef Q_OS_WIN
    if (folder.startsWith(QStringLiteral("\\\\"))) {
        // \\server\share\ is the root of a network path.
        const qsizetype share = folder.indexOf(sep, 2);
        const qsizetype end = share < 0 ? -1 : folder.indexOf(sep, share + 1);
        root = end < 0 ? folder + sep : folder.left(end + 1);
    } else {
        root = folder.left(3);
    }
#else
    root = QString(sep);
#endif
    QStringList chain{root};
    QString path = root;
    const QStringList names = folder.mid(root.size()).split(sep, Qt::SkipEmptyParts);
    for (const QString &name : names) {
        path = subfolderPath(path, name);
        chain.append(path);
    }
    return chain;
}

QString subfolderPath(const QString &folder, const QString &name)
{
    return folder.endsWith(separator()) ? folder + name : folder + separator() + name;
}

QString driveOf(const QString &folder, const QStringList &drives)
{
#ifdef Q_OS_WIN
    for (const QString &drive : drives) {
        if (folder.startsWith(drive, Qt::CaseInsensitive))
            return drive;
    }
    return {};
#else
    // The deepest mount holding the folder.
    QString best;
    for (const QString &drive : drives) {
        const bool holds = drive == QStringLiteral("/") || isUnder(folder, drive);
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
#endif
}

namespace {

// Files matching "*.exe" and, where programs carry no extension, those the
// user may execute.
bool isProgram([[maybe_unused]] const QString &name, [[maybe_unused]] bool executable)
{
#ifdef Q_OS_WIN
    return name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
#else
    return executable || name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
#endif
}

} // namespace

QStringList listFolders(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        throw RuntimeError(err::PathNotFound);
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList listPrograms(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        throw RuntimeError(err::PathNotFound);
    QStringList names;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (isProgram(file.fileName(), file.isExecutable()))
            names.append(file.fileName());
    }
    return names;
}

QStringList listUnnamed([[maybe_unused]] const QString &folder, [[maybe_unused]] DriveSystem::Kind kind)
{
    QStringList names;
#ifndef Q_OS_WIN
    // Qt reads names as UTF-8 and leaves out what it cannot: the bytes here.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    const auto close = qScopeGuard([dir] { ::closedir(dir); });
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        struct stat st = {};
        if (bytes.startsWith('.') || !pathText(bytes).isEmpty() || ::fstatat(fd, entry->d_name, &st, 0) != 0)
            continue;
        const QString name = QFile::decodeName(bytes);
        const bool program = S_ISREG(st.st_mode) && isProgram(name, ::faccessat(fd, entry->d_name, X_OK, 0) == 0);
        if (kind == DriveSystem::Kind::Folders ? S_ISDIR(st.st_mode) : program)
            names.append(name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
#endif
    return names;
}

QString pathText(const QByteArray &bytes)
{
    const QString text = QFile::decodeName(bytes);
    return QFile::encodeName(text) == bytes ? text : QString();
}

QString homeFolder()
{
#ifdef Q_OS_WIN
    return QDir::homePath();
#else
    return pathText(qgetenv("HOME"));
#endif
}

QStringList LocalDriveSystem::drives()
{
    QStringList result;
#ifdef Q_OS_WIN
    const QFileInfoList roots = QDir::drives();
    for (const QFileInfo &root : roots)
        result.append(root.absolutePath().left(2).toLower());
#else
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        const QString root = volume.rootPath();
        // Memory file systems hold run-time state, bar the shared /tmp.
        const bool inMemory = volume.fileSystemType() == "tmpfs" && root != QStringLiteral("/tmp");
        if (root == QStringLiteral("/") || result.contains(root) || isSystemArea(root) || inMemory
            || isPseudoFileSystem(volume.fileSystemType()) || !QFileInfo(root).isDir() || !isMountRoot(root))
            continue;
        result.append(root);
    }
    std::sort(result.begin(), result.end());
    result.prepend(QStringLiteral("/"));
#endif
    return result;
}

QString LocalDriveSystem::systemDrive()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:");
#else
    return QStringLiteral("/");
#endif
}

QString LocalDriveSystem::currentFolder()
{
    // A removed working folder has no path any more (it then reads as empty).
#ifdef Q_OS_WIN
    const QString current = QDir::currentPath();
#else
    std::error_code failed;
    const QString current = pathText(QByteArray::fromStdString(std::filesystem::current_path(failed).native()));
#endif
    return !current.isEmpty() && QFileInfo(current).isDir() ? folderPath(current) : QString();
}

QString LocalDriveSystem::currentDrive()
{
    const QString drive = driveOf(currentFolder(), drives());
    return drive.isEmpty() ? systemDrive() : drive;
}

QString LocalDriveSystem::openDrive(const QString &drive)
{
#ifdef Q_OS_WIN
    const QStorageInfo volume(drive + u'/');
    if (!volume.isValid() || !volume.isReady())
        throw RuntimeError(err::DeviceUnavailable);
    // A drive on its own names its current folder.
    return folderPath(QFileInfo(drive).absoluteFilePath());
#else
    // A drive whose file system has gone (unmounted) reads as not ready. The
    // root is always there, whether or not the mount table shows it (a
    // chroot, a container).
    const QStorageInfo volume(drive);
    const bool mounted = drive == QStringLiteral("/")
        || (volume.isValid() && volume.isReady() && volume.rootPath() == drive);
    const QFileInfo root(drive);
    if (!mounted || !root.isDir() || !root.isReadable() || !root.isExecutable())
        throw RuntimeError(err::DeviceUnavailable);
    // Only the process's current folder is remembered; any other drive opens
    // at its root.
    const QString current = currentFolder();
    return !current.isEmpty() && driveOf(current, drives()) == drive ? current : folderPath(drive);
#endif
}

QStringList LocalDriveSystem::folders(const QString &folder)
{
    return listFolders(folder);
}

QStringList LocalDriveSystem::programs(const QString &folder)
{
    return listPrograms(folder);
}

QStringList LocalDriveSystem::unnamed(const QString &folder, Kind kind)
{
    return listUnnamed(folder, kind);
}

} // namespace kl
