#pragma once

#include <QString>

namespace kl::inifile {

// Serialises the commits of one file between processes, for its lifetime.
// Not QLockFile: it tells a dead holder's lock only by pid or age, so a
// writer killed at the wrong moment (an empty lock file, a leftover .rmlock)
// blocks saving for seconds. The kernel drops an flock() with its holder; the
// lock file itself is kept.
class CommitLock
{
public:
    explicit CommitLock(const QString &iniFile);
    ~CommitLock();
    CommitLock(const CommitLock &) = delete;
    CommitLock &operator=(const CommitLock &) = delete;

private:
    int m_fd = -1;
};

// Makes one handler's reads and writes one transaction between processes:
// held from its first access to its commit, on the settings folder, which it
// makes (private) when missing. Both locks throw RuntimeError::busy() when
// another process holds them past a few seconds' wait.
class TransactionLock
{
public:
    explicit TransactionLock(const QString &configDir);
    ~TransactionLock();
    TransactionLock(const TransactionLock &) = delete;
    TransactionLock &operator=(const TransactionLock &) = delete;

private:
    int m_fd = -1;
};

} // namespace kl::inifile
