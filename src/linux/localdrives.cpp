#include "localdrives.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kl {

namespace {

// File systems of the kernel and of services: nothing a user keeps files in.
bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs",
        "tracefs", "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "ramfs", "selinuxfs", "squashfs",
        "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs"};
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
    struct statx st = {};
    return ::statx(AT_FDCWD, QFile::encodeName(root).constData(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) == 0
        && (st.stx_attributes_mask & st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

QString qt(const std::string &text)
{
    return QString::fromStdString(text);
}

std::vector<std::string> texts(const QStringList &list)
{
    std::vector<std::string> out;
    out.reserve(std::size_t(list.size()));
    for (const QString &item : list)
        out.push_back(item.toStdString());
    return out;
}

QString pathTextOf(const QByteArray &bytes)
{
    const QString text = QFile::decodeName(bytes);
    return QFile::encodeName(text) == bytes ? text : QString();
}

// Files matching "*.exe" and those the user may execute.
bool isProgram(const QString &name, bool executable)
{
    return executable || name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
}

} // namespace

std::vector<std::string> listFolders(const std::string &folder)
{
    if (!QFileInfo(qt(folder)).isDir())
        throw RuntimeError(err::PathNotFound);
    return texts(QDir(qt(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
}

std::vector<std::string> listPrograms(const std::string &folder)
{
    if (!QFileInfo(qt(folder)).isDir())
        throw RuntimeError(err::PathNotFound);
    std::vector<std::string> names;
    const QFileInfoList files = QDir(qt(folder)).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (isProgram(file.fileName(), file.isExecutable()))
            names.push_back(file.fileName().toStdString());
    }
    return names;
}

std::vector<std::string> listUnnamed(const std::string &folder, DriveSystem::Kind kind)
{
    QStringList names;
    // Qt reads names as UTF-8 and leaves out what it cannot: the bytes here.
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return {};
    const auto close = qScopeGuard([dir] { ::closedir(dir); });
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        struct stat st = {};
        if (bytes.startsWith('.') || !pathTextOf(bytes).isEmpty() || ::fstatat(fd, entry->d_name, &st, 0) != 0)
            continue;
        const QString name = QFile::decodeName(bytes);
        const bool program = S_ISREG(st.st_mode) && isProgram(name, ::faccessat(fd, entry->d_name, X_OK, 0) == 0);
        if (kind == DriveSystem::Kind::Folders ? S_ISDIR(st.st_mode) : program)
            names.append(name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return texts(names);
}

std::string pathText(const std::string &bytes)
{
    return pathTextOf(QByteArray::fromStdString(bytes)).toStdString();
}

std::string LocalDriveSystem::homeFolder()
{
    return pathTextOf(qgetenv("HOME")).toStdString();
}

std::vector<std::string> LocalDriveSystem::drives()
{
    QStringList result;
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
    return texts(result);
}

std::string LocalDriveSystem::systemDrive()
{
    return "/";
}

std::string LocalDriveSystem::currentFolder()
{
    // A removed working folder has no path any more (it then reads as empty).
    std::error_code failed;
    const QString current = pathTextOf(QByteArray::fromStdString(std::filesystem::current_path(failed).native()));
    return !current.isEmpty() && QFileInfo(current).isDir() ? paths::folderPath(current.toStdString()) : std::string();
}

std::string LocalDriveSystem::currentDrive()
{
    const std::string drive = paths::driveOf(currentFolder(), drives());
    return drive.empty() ? systemDrive() : drive;
}

std::string LocalDriveSystem::openDrive(const std::string &drive)
{
    // A drive whose file system has gone (unmounted) reads as not ready. The
    // root is always there, whether or not the mount table shows it (a
    // chroot, a container).
    const QStorageInfo volume(qt(drive));
    const bool mounted = drive == "/" || (volume.isValid() && volume.isReady() && volume.rootPath() == qt(drive));
    const QFileInfo root(qt(drive));
    if (!mounted || !root.isDir() || !root.isReadable() || !root.isExecutable())
        throw RuntimeError(err::DeviceUnavailable);
    // Only the process's current folder is remembered; any other drive opens
    // at its root.
    const std::string current = currentFolder();
    return !current.empty() && paths::driveOf(current, drives()) == drive ? current : paths::folderPath(drive);
}

std::vector<std::string> LocalDriveSystem::folders(const std::string &folder)
{
    return listFolders(folder);
}

std::vector<std::string> LocalDriveSystem::programs(const std::string &folder)
{
    return listPrograms(folder);
}

std::vector<std::string> LocalDriveSystem::unnamed(const std::string &folder, Kind kind)
{
    return listUnnamed(folder, kind);
}

std::string LocalDriveSystem::Dir(const std::string &path)
{
    // "\" is an ordinary character of a name here, and no file has the system
    // attribute.
    if (path.empty())
        return {};
    const QFileInfo info(qt(path));
    if (!info.isFile() || info.isHidden())
        return {};
    return info.fileName().toStdString();
}

} // namespace kl
