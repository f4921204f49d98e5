#pragma once

#include "platform/services.h"
#include "registrykey.h"

#include <windows.h>

#include <functional>
#include <string>

namespace kl::win32 {

// Watches the key of the settings, HKEY_CURRENT_USER\Software\<app>, with
// everything below it (names and values), for writes of any process. The
// message loop waits for event() and calls signalled() each time it is set;
// that call arms the watch again before it reports. A store found in use is
// tried again a second later (retryTimer(), retryDue()), changed or not: the
// process that held it may only have read it. A retry that finds it still
// in use, without waiting for it, waits another second.
class RegistryWatch final : public StoreWatch
{
public:
    explicit RegistryWatch(const std::string &app);
    ~RegistryWatch() override;
    RegistryWatch(const RegistryWatch &) = delete;
    RegistryWatch &operator=(const RegistryWatch &) = delete;

    // The first call comes on the loop's next turn.
    static constexpr unsigned RetryMs = 1000;

    void follow(std::function<void()> changed) override;
    void retry() override;
    HANDLE event() const { return m_event; }
    void signalled();
    HANDLE retryTimer() const { return m_retryTimer; }
    void retryDue();

private:
    void arm();

    std::wstring m_app;
    std::wstring m_key;
    HANDLE m_event;
    HANDLE m_retryTimer; // a synchronisation timer: reset by the wait that sees it
    RegistryKey m_watched;
    std::function<void()> m_changed;
};

} // namespace kl::win32
