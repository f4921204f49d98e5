#include "registrywatch.h"

#include "settingslock.h"
#include "utf8.h"

namespace kl::win32 {

RegistryWatch::RegistryWatch(const std::string &app)
    : m_app(widen(app))
    , m_key(L"Software\\" + m_app)
    , m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) // reset by the wait that sees it
    , m_retryTimer(CreateWaitableTimerW(nullptr, FALSE, nullptr))
{
}

RegistryWatch::~RegistryWatch()
{
    if (m_event)
        CloseHandle(m_event);
    if (m_retryTimer)
        CloseHandle(m_retryTimer);
}

void RegistryWatch::follow(std::function<void()> changed)
{
    m_changed = std::move(changed);
    if (m_changed && m_event)
        SetEvent(m_event);
}

void RegistryWatch::signalled()
{
    if (!m_changed)
        return;
    arm();
    // A copy: the call may replace or stop what is followed.
    const std::function<void()> changed = m_changed;
    changed();
}

void RegistryWatch::retry()
{
    if (!m_changed || !m_retryTimer)
        return;
    LARGE_INTEGER due;
    due.QuadPart = -LONGLONG(RetryMs) * 10000; // relative, in 100 ns
    SetWaitableTimer(m_retryTimer, &due, 0, nullptr, nullptr, FALSE);
}

void RegistryWatch::retryDue()
{
    // Looked at, not waited for: a read of a store in use would hold up the
    // window for the lock's whole wait.
    if (SettingsLock::inUse(m_app)) {
        retry();
        return;
    }
    if (const std::function<void()> changed = m_changed)
        changed();
}

void RegistryWatch::arm()
{
    // A notification fires once: each change is followed by a new request,
    // made before the change is read so that none in between goes unseen.
    // While the key is missing (nothing stored yet), the deepest key there
    // is shows it coming.
    m_watched.reset();
    std::wstring key = m_key;
    HKEY opened = nullptr;
    while (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_NOTIFY, &opened) != ERROR_SUCCESS) {
        opened = nullptr;
        const std::size_t parent = key.rfind(L'\\');
        if (parent == std::wstring::npos)
            return;
        key.resize(parent);
    }
    m_watched.reset(opened);
    constexpr DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    if (RegNotifyChangeKeyValue(m_watched.get(), TRUE, filter, m_event, TRUE) != ERROR_SUCCESS)
        m_watched.reset();
}

} // namespace kl::win32
