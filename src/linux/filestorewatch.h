#pragma once

#include "platform/services.h"

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

namespace kl {

// Watches the settings file for writes of other processes. Needs a running
// Qt event loop, which delivers every call.
class FileStoreWatch final : public StoreWatch
{
public:
    // storeFile is the settings file (it may not exist yet); with an empty
    // path there is nothing to watch and changed is never called.
    // lockedFolder is the folder whose flock() makes a transaction of the
    // store (the settings folder); a retry waits until no one holds it.
    explicit FileStoreWatch(const std::string &storeFile, const std::string &lockedFolder = {});

    // Arming costs a start about a millisecond, so it happens on the first
    // turn of the event loop, followed by the first call (once the store is
    // free, as for a retry).
    void follow(std::function<void()> changed) override;
    // Polls the lock (without taking it for longer than a look) a few times
    // a second; the first time it is free, changed is called. The poll, not
    // a read, waits: a read of a store in use would hold up the window.
    void retry() override;

    // Whether another process holds the store's lock at this moment.
    bool storeInUse() const;

private:
    void notify();
    void rearm();

    QString m_storeFile;
    QString m_lockedFolder;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    std::function<void()> m_changed;
};

} // namespace kl
