#include "filestorewatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kl {

namespace {

// Often enough that rows come soon after the store is let go; each look is
// an open() and an flock() that does not wait.
constexpr int RetryPollMs = 250;

} // namespace

FileStoreWatch::FileStoreWatch(const std::string &storeFile, const std::string &lockedFolder)
    : m_storeFile(QString::fromStdString(storeFile))
    , m_lockedFolder(QString::fromStdString(lockedFolder))
{
    // The watcher is the context: nothing is called once it is gone.
    QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_watcher, [this] { notify(); });
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_watcher, [this] { notify(); });
    m_poll.setInterval(RetryPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, &m_watcher, [this] {
        if (!storeInUse()) {
            m_poll.stop();
            notify();
        }
    });
}

void FileStoreWatch::retry()
{
    if (m_changed && !m_storeFile.isEmpty())
        m_poll.start();
}

bool FileStoreWatch::storeInUse() const
{
    if (m_lockedFolder.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(m_lockedFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false; // not there: no one can hold it
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // lets go of it at once, if it was had
    return held;
}

void FileStoreWatch::follow(std::function<void()> changed)
{
    m_changed = std::move(changed);
    if (m_changed && !m_storeFile.isEmpty())
        QTimer::singleShot(0, &m_watcher, [this] { storeInUse() ? m_poll.start() : notify(); });
}

void FileStoreWatch::notify()
{
    if (!m_changed || m_storeFile.isEmpty())
        return;
    rearm();
    // A copy: the call may replace or stop what is followed.
    const std::function<void()> changed = m_changed;
    changed();
}

void FileStoreWatch::rearm()
{
    // A file replaced by a rename is another file: its path is watched
    // afresh. While the file's folder is missing, the deepest one there is
    // shows it coming.
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    QString folder = QFileInfo(m_storeFile).path();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).path();
    if (m_watcher.directories() != QStringList{folder}) {
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        m_watcher.addPath(folder);
    }
    if (QFileInfo::exists(m_storeFile))
        m_watcher.addPath(m_storeFile);
}

} // namespace kl
