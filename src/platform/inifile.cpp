#include "inifile.h"

#include "runtimeerror.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#ifndef Q_OS_WIN
#include <QDeadlineTimer>
#include <QThread>
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kl::inifile {

namespace {

// Another instance holds the lock only for one read-merge-write.
constexpr int LockWaitMs = 5000;
#ifdef Q_OS_WIN
constexpr int StaleLockMs = 10000;
#endif

const QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions OwnerOnlyDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

RuntimeError failure(int number, const QString &path)
{
    return RuntimeError(number, QStringLiteral("%1 (%2)").arg(RuntimeError::describe(number),
                                                              QDir::toNativeSeparators(path)));
}

#ifdef Q_OS_UNIX
QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// The error number that opening path for reading meets, for a file that
// QFile would not open.
int readErrorNumber(const QString &path)
{
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return err::PathFileAccessError; // opens, but is not a regular file
    }
    switch (errno) {
    case EACCES:
    case EPERM:
        return err::PermissionDenied;
    case EIO:
        return err::DeviceIoError;
    default:
        return err::PathFileAccessError;
    }
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
#else
int readErrorNumber(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir() && !info.isReadable())
        return err::PermissionDenied;
    return err::PathFileAccessError;
}

void syncDirectory(const QString &)
{
}
#endif

// Why a write into dir failed, as well as Qt can tell.
int writeErrorNumber(QFileDevice::FileError error, const QString &dir, qint64 needed)
{
    if (error == QFileDevice::ResourceError)
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

#ifdef Q_OS_UNIX
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
#endif

Stamp stampOfHandle(int fd, bool *regular)
{
    Stamp s;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return s;
    s = stampOfStat(st);
    *regular = S_ISREG(st.st_mode);
#else
    Q_UNUSED(fd);
    *regular = false;
#endif
    return s;
}

} // namespace

Stamp stampOf(const QString &path)
{
    Stamp s;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(nativePath(path).constData(), &st) != 0)
        return s;
    s = stampOfStat(st);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return s;
    s.exists = true;
    s.size = info.size();
    s.mtimeNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    s.ctimeNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    s.inode = info.birthTime().toMSecsSinceEpoch();
#endif
    return s;
}

QByteArray read(const QString &path, Stamp *stamp, std::shared_ptr<QFile> *held)
{
    *stamp = Stamp();
    held->reset();
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
#ifdef Q_OS_UNIX
        struct stat st;
        if (::stat(nativePath(path).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return QByteArray(); // no file yet: no settings yet
#else
        if (!QFileInfo::exists(path))
            return QByteArray();
#endif
        throw failure(readErrorNumber(path), path);
    }
#ifdef Q_OS_UNIX
    // The stamp of what is actually read, not of what the path names later.
    bool regular = false;
    *stamp = stampOfHandle(file->handle(), &regular);
    if (!stamp->exists)
        throw failure(err::DeviceIoError, path);
    if (!regular)
        throw failure(err::PathFileAccessError, path);
#else
    *stamp = stampOf(path);
#endif
    QByteArray data = file->readAll();
    if (file->error() != QFileDevice::NoError)
        throw failure(err::DeviceIoError, path);
#ifdef Q_OS_UNIX
    *held = std::move(file);
#endif
    return data;
}

std::shared_ptr<QFile> hold(const QString &path, Stamp *stamp)
{
#ifdef Q_OS_UNIX
    auto file = std::make_shared<QFile>(path);
    bool regular = false;
    if (file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *stamp = stampOfHandle(file->handle(), &regular);
        if (stamp->exists)
            return file;
    }
#endif
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
        const QFileDevice::FileError error = save.error();
        save.cancelWriting();
        throw failure(writeErrorNumber(error, dir, data.size()), file);
    }
    if (!save.commit())
        throw failure(writeErrorNumber(save.error(), dir, data.size()), file);
    // QSaveFile syncs the file but not the rename that put it in place.
    syncDirectory(dir);
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
#ifdef Q_OS_UNIX
        ok = ok && ::fsync(copy.handle()) == 0;
#endif
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

#ifdef Q_OS_WIN
CommitLock::CommitLock(const QString &iniFile)
    : m_lock(iniFile + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(StaleLockMs);
    if (!m_lock.tryLock(LockWaitMs)) {
        throw failure(m_lock.error() == QLockFile::UnknownError ? err::PathFileAccessError : err::PermissionDenied,
                      iniFile);
    }
}

CommitLock::~CommitLock() = default;
#else
CommitLock::CommitLock(const QString &iniFile)
{
    // O_RDWR: over NFS an exclusive flock() needs a file open for writing.
    m_fd = ::open(nativePath(iniFile + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        const int e = errno;
        throw failure(e == EACCES || e == EPERM || e == EROFS ? err::PermissionDenied
                          : e == ENOSPC || e == EDQUOT        ? err::DiskFull
                                                              : err::PathFileAccessError,
                      iniFile);
    }
    // Polled, as a blocking flock() cannot give up at a deadline.
    const QDeadlineTimer deadline(LockWaitMs);
    unsigned long pauseMs = 1;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e == ENOLCK || e == EOPNOTSUPP)
            return; // a file system without locks: saving works, unguarded
        if (e != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(m_fd);
            throw failure(e == EWOULDBLOCK ? err::PermissionDenied : err::PathFileAccessError, iniFile);
        }
        QThread::msleep(pauseMs);
        pauseMs = qMin(pauseMs * 2, 50ul);
    }
}

CommitLock::~CommitLock()
{
    ::close(m_fd); // drops the lock
}
#endif

} // namespace kl::inifile
