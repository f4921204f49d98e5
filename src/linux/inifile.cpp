#include "inifile.h"

#include "platform/runtimeerror.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kl::inifile {

namespace {

constexpr qint64 MaxFileSize = qint64(16) * 1024 * 1024;
const QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions OwnerOnlyDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// Non-blocking: a FIFO or a device at the path must not hang the open.
int openForReading(const QString &path)
{
    return ::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(nativePath(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems refuse fsync on a folder; the rename is done either way.
    (void)::fsync(fd);
    ::close(fd);
}

// Why a write into dir failed, as well as Qt can tell.
int writeErrorNumber(QFileDevice::FileError error, const QString &dir, qint64 needed, int errorCode = 0)
{
    if (error == QFileDevice::ResourceError)
        return err::DiskFull;
    if (errorCode == ENOSPC || errorCode == EDQUOT)
        return err::DiskFull;
    // Out of inodes: bytes to spare, yet no new file can be made.
    struct statvfs fs;
    if (::statvfs(nativePath(dir).constData(), &fs) == 0 && fs.f_files > 0 && fs.f_favail == 0)
        return err::DiskFull;
    const QStorageInfo storage(dir);
    if (storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0
        && storage.bytesAvailable() < needed + 4096)
        return err::DiskFull;
    if (error == QFileDevice::PermissionsError || storage.isReadOnly())
        return err::PermissionDenied;
    const QFileInfo info(dir);
    if (info.isDir() && !info.isWritable())
        return err::PermissionDenied;
    return err::PathFileAccessError;
}

Stamp stampOfStat(const struct stat &st)
{
    Stamp s;
    s.exists = true;
    s.device = qint64(st.st_dev);
    s.inode = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

} // namespace

RuntimeError failure(int number, const QString &path)
{
    return RuntimeError(number, RuntimeError::describe(number) + " (" + QDir::toNativeSeparators(path).toStdString() + ')');
}

Stamp stampOf(const QString &path)
{
    Stamp s;
    struct stat st;
    if (::stat(nativePath(path).constData(), &st) != 0)
        return s;
    s = stampOfStat(st);
    return s;
}

QByteArray read(const QString &path, Stamp *stamp, std::shared_ptr<QFile> *held)
{
    *stamp = Stamp();
    held->reset();
    auto file = std::make_shared<QFile>(path);
    // The type is checked on what was opened, not on what the path names.
    const int fd = openForReading(path);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            return QByteArray(); // no file yet: no settings yet
        throw failure(e == EACCES || e == EPERM ? err::PermissionDenied
                          : e == EIO            ? err::DeviceIoError
                                                : err::PathFileAccessError,
                      path);
    }
    struct stat st;
    const bool statted = ::fstat(fd, &st) == 0;
    // Far beyond any real list: refused whole rather than loaded or copied.
    if (!statted || !S_ISREG(st.st_mode) || st.st_size > MaxFileSize
        || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        throw failure(statted ? err::PathFileAccessError : err::DeviceIoError, path);
    }
    *stamp = stampOfStat(st);
    file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    // Sized by what fstat() saw: a buffer of the limit's size costs more than
    // the read. Only a file that grew meanwhile is read on, up to the limit.
    QByteArray data = file->read(qint64(st.st_size) + 1);
    if (data.size() > st.st_size)
        data += file->read(MaxFileSize + 1 - data.size());
    if (file->error() != QFileDevice::NoError)
        throw failure(err::DeviceIoError, path);
    if (data.size() > MaxFileSize)
        throw failure(err::PathFileAccessError, path);
    *held = std::move(file);
    return data;
}

std::shared_ptr<QFile> hold(const QString &path, Stamp *stamp)
{
    // What was just written needs no reading back, only its stamp.
    const int fd = openForReading(path);
    struct stat st;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        *stamp = stampOfStat(st);
        auto file = std::make_shared<QFile>();
        file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        return file;
    }
    if (fd >= 0)
        ::close(fd);
    *stamp = stampOf(path);
    return nullptr;
}

void ensureDir(const QString &dir)
{
    if (QFileInfo(dir).isDir())
        return;
    // Create each missing folder in turn, private to the user.
    QStringList missing;
    QString path = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    while (!QFileInfo(path).isDir()) {
        if (QFileInfo::exists(path))
            throw failure(err::PathFileAccessError, path); // a file stands where a folder must be
        missing.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    const QString firstParent = missing.isEmpty() ? QString() : QFileInfo(missing.first()).path();
    for (const QString &p : std::as_const(missing)) {
        if (!QDir().mkdir(p, OwnerOnlyDir) && !QFileInfo(p).isDir()) {
            const QFileInfo parent(QFileInfo(p).path());
            throw failure(parent.isDir() && !parent.isWritable() ? err::PermissionDenied
                                                                 : err::PathFileAccessError,
                          p);
        }
    }
    if (!firstParent.isEmpty())
        syncDirectory(firstParent);
}

void replace(const QString &file, const QByteArray &data, bool isNew)
{
    const QString dir = QFileInfo(file).path();
    // Unbuffered: a buffered QSaveFile leaves the write to commit(),
    // which in Qt 6.4 ignores a failed flush and renames a cut-off file.
    QSaveFile save(file);
    bool ok = save.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (ok && isNew)
        ok = save.setPermissions(OwnerOnlyFile);
    ok = ok && save.write(data) == data.size();
    if (!ok) {
        const int e = errno;
        const QFileDevice::FileError error = save.error();
        save.cancelWriting();
        throw failure(writeErrorNumber(error, dir, data.size(), e), file);
    }
    if (!save.commit())
        throw failure(writeErrorNumber(save.error(), dir, data.size(), errno), file);
    // QSaveFile syncs the file but not the rename that put it in place.
    syncDirectory(dir);
}

namespace {

// Why a user other than this one could change what is at path, if so.
QString untrusted(const QString &path, bool follow)
{
    struct stat st;
    const QByteArray native = nativePath(path);
    if ((follow ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st)) != 0)
        return QString(); // nothing there yet: it will be made private
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return QStringLiteral("所有者が別のユーザーです");
    if (!S_ISLNK(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QStringLiteral("ほかのユーザーも書き込めます");
    return QString();
}

} // namespace

void requireTrusted(const QString &dir, const QString &file)
{
    // As OpenSSH's StrictModes: whoever can change these could make us write
    // over another of the user's files. A link to the user's own file is fine.
    for (const auto &[path, follow] : {std::pair{dir, true}, std::pair{file, false}, std::pair{file, true}}) {
        const QString why = untrusted(path, follow);
        if (!why.isEmpty()) {
            throw RuntimeError(err::PermissionDenied,
                               RuntimeError::describe(err::PermissionDenied) + " ("
                                   + QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why).toStdString() + ')');
        }
    }
}

void removeLeftovers(const QString &file)
{
    // A writer killed between making its temporary file and renaming it
    // leaves "<file>.XXXXXX" behind; under the lock no writer is at work.
    const QFileInfo info(file);
    const QRegularExpression temporary(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    const QDir dir = info.dir();
    for (const QString &name : dir.entryList({info.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden)) {
        struct stat st;
        const QString path = dir.filePath(name);
        if (temporary.match(name).hasMatch() && ::lstat(nativePath(path).constData(), &st) == 0
            && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1)
            ::unlink(nativePath(path).constData());
    }
}

void backupDamaged(const QString &file, const QByteArray &data, QByteArray *backedUpDigest)
{
    const QByteArray digest = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    if (digest == *backedUpDigest)
        return; // this very content was already copied aside
    const QString base = file + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : base + u'-' + QString::number(n);
        QFile copy(name);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnlyFile)) {
            if (QFileInfo::exists(name))
                continue; // never over an older copy
            throw failure(writeErrorNumber(copy.error(), QFileInfo(file).path(), data.size()), name);
        }
        bool ok = copy.write(data) == data.size() && copy.flush();
        ok = ok && ::fsync(copy.handle()) == 0;
        if (!ok) {
            const QFileDevice::FileError error = copy.error();
            copy.close();
            copy.remove();
            throw failure(writeErrorNumber(error, QFileInfo(file).path(), data.size()), name);
        }
        *backedUpDigest = digest;
        return;
    }
    throw failure(err::PathFileAccessError, base);
}

} // namespace kl::inifile
