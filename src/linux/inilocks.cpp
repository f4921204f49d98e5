#include "inilocks.h"

#include "inifile.h"
#include "platform/runtimeerror.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kl::inifile {

namespace {

// The process holding the flock() on what fd is open on, as the kernel
// lists it ("1: FLOCK  ADVISORY  WRITE <pid> <major>:<minor>:<inode> ..."),
// 0 when it cannot be known.
qint64 flockHolder(int fd)
{
    struct stat st;
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray id = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(st.st_ino);
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 5 && f[1] == "FLOCK" && f[5] == id)
            return f[4].toLongLong();
    }
    return 0;
}

// Takes an exclusive flock() on fd, waiting a while for another holder;
// closes fd and throws when it cannot.
void lockExclusive(int fd, const QString &name)
{
    // Polled, as a blocking flock() cannot give up at a deadline.
    const QDeadlineTimer deadline(kSettingsLockWait);
    unsigned long pauseMs = 1;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e == ENOLCK || e == EOPNOTSUPP)
            return; // a file system without locks: saving works, unguarded
        if (e != EWOULDBLOCK || deadline.hasExpired()) {
            const qint64 holder = e == EWOULDBLOCK ? flockHolder(fd) : 0;
            ::close(fd);
            if (e == EWOULDBLOCK)
                throw RuntimeError::busy(QDir::toNativeSeparators(name).toStdString(), holder);
            throw failure(err::PathFileAccessError, name);
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
    // Made first, so that every instance locks the same folder whether or
    // not anything exists yet (a lock on whatever parent exists would move
    // once the first commit made the folder).
    ensureDir(configDir);
    m_fd = ::open(QFile::encodeName(configDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throw failure(errno == EACCES || errno == EPERM ? err::PermissionDenied : err::PathFileAccessError, configDir);
    lockExclusive(m_fd, configDir);
}

TransactionLock::~TransactionLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace kl::inifile
