#pragma once

#include "platform/services.h"

#include <windows.h>

#include <functional>
#include <string>

namespace kl::win32 {

// Watches the key of the settings, HKEY_CURRENT_USER\Software\<app>, with
// everything below it (names and values), for writes of any process. The
// message loop waits for event() and calls signalled() each time it is set;
// that call arms the watch again before it reports.
class RegistryWatch final : public StoreWatch
{
public:
    explicit RegistryWatch(const std::string &app);
    ~RegistryWatch() override;
    RegistryWatch(const RegistryWatch &) = delete;
    RegistryWatch &operator=(const RegistryWatch &) = delete;

    // The first call comes on the loop's next turn.
    void follow(std::function<void()> changed) override;
    HANDLE event() const { return m_event; }
    void signalled();

private:
    void arm();

    std::wstring m_key;
    HANDLE m_event;
    HKEY m_watched = nullptr;
    std::function<void()> m_changed;
};

} // namespace kl::win32
