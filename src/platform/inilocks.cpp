#include "inilocks.h"

#include "inifile.h"
#include "runtimeerror.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <QDeadlineTimer>
#include <QThread>

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

} // namespace

#ifdef Q_OS_WIN
TransactionLock::TransactionLock(const QString &) {}
TransactionLock::~TransactionLock() = default;

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
namespace {

// Takes an exclusive flock() on fd, waiting a while for another holder;
// closes fd and throws when it cannot.
void lockExclusive(int fd, const QString &name)
{
    // Polled, as a blocking flock() cannot give up at a deadline.
    const QDeadlineTimer deadline(LockWaitMs);
    unsigned long pauseMs = 1;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e == ENOLCK || e == EOPNOTSUPP)
            return; // a file system without locks: saving works, unguarded
        if (e != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(fd);
            throw failure(e == EWOULDBLOCK ? err::PermissionDenied : err::PathFileAccessError, name);
        }
        QThread::msleep(pauseMs);
        pauseMs = qMin(pauseMs * 2, 50ul);
    }
}

} // namespace

CommitLock::CommitLock(const QString &iniFile)
{
    // O_RDWR: over NFS an exclusive flock() needs a file open for writing.
    // Never through a link, never blocking on whatever else stands there.
    m_fd = ::open(QFile::encodeName(iniFile + QStringLiteral(".lock")).constData(),
                  O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    struct stat st;
    if (m_fd >= 0 && (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(m_fd);
        throw failure(err::PathFileAccessError, iniFile + QStringLiteral(".lock"));
    }
    if (m_fd < 0) {
        const int e = errno;
        throw failure(e == EACCES || e == EPERM || e == EROFS ? err::PermissionDenied
                          : e == ENOSPC || e == EDQUOT        ? err::DiskFull
                                                              : err::PathFileAccessError,
                      iniFile);
    }
    lockExclusive(m_fd, iniFile);
}

CommitLock::~CommitLock()
{
    ::close(m_fd); // drops the lock
}

TransactionLock::TransactionLock(const QString &configDir)
{
    // The deepest folder that exists: the same for every instance, whether
    // or not the settings file and its folder exist yet.
    QString dir = configDir;
    while ((m_fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0
           && (errno == ENOENT || errno == ENOTDIR) && QFileInfo(dir).path() != dir)
        dir = QFileInfo(dir).path();
    if (m_fd >= 0)
        lockExclusive(m_fd, dir);
}

TransactionLock::~TransactionLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
#endif

} // namespace kl::inifile
