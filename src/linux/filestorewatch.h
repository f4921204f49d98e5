#pragma once

#include "platform/services.h"

#include <QFileSystemWatcher>
#include <QString>

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
    explicit FileStoreWatch(const std::string &storeFile);

    // Arming costs a start about a millisecond, so it happens on the first
    // turn of the event loop, followed by the first call.
    void follow(std::function<void()> changed) override;

private:
    void notify();
    void rearm();

    QString m_storeFile;
    QFileSystemWatcher m_watcher;
    std::function<void()> m_changed;
};

} // namespace kl
