#pragma once

#include "platform/services.h"

#include <string>

namespace kl {

class FileStoreWatch;
class IniSettingsStore;

// Lines of the settings file that a write cannot keep are left out of it at
// the next change (a copy of the file as it was is kept beside it): the user
// is told before that, when the window opens and whenever the file turns so
// while it is open, as the watch on it reports. Told once until the file
// reads whole again.
class UnkeptLinesNotice final : public StoreWatch
{
public:
    UnkeptLinesNotice(IniSettingsStore &settings, MessageBoxes &boxes, FileStoreWatch &watch, std::string app);

    // Tells the user if app's file holds such lines and they were not told.
    void check();

    // Checks before each call of the watch's.
    void follow(std::function<void()> changed) override;
    void retry() override;

private:
    IniSettingsStore &m_settings;
    MessageBoxes &m_boxes;
    FileStoreWatch &m_watch;
    std::string m_app;
    bool m_told = false;
};

} // namespace kl
