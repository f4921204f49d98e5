#include "filestorewatch.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace kl {

FileStoreWatch::FileStoreWatch(const std::string &storeFile)
    : m_storeFile(QString::fromStdString(storeFile))
{
    // The watcher is the context: nothing is called once it is gone.
    QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_watcher, [this] { notify(); });
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_watcher, [this] { notify(); });
}

void FileStoreWatch::follow(std::function<void()> changed)
{
    m_changed = std::move(changed);
    if (m_changed && !m_storeFile.isEmpty())
        QTimer::singleShot(0, &m_watcher, [this] { notify(); });
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
