#pragma once

#include <string>

namespace kl::win32 {

// One writer at a time for one user's settings of one application: a named
// mutex held from a transaction's first access to its commit. The kernel
// lets go of it when its holder ends, however it ends; the next one takes
// it over (and finishes what the holder left in the journal).
class SettingsLock final
{
public:
    // Waits kSettingsLockWait, as the settings file's lock on Linux, then throws
    // RuntimeError::busy() naming where and the holding process, as on
    // Linux; other failures throw RuntimeError.
    SettingsLock(const std::wstring &app, const std::string &where);
    ~SettingsLock();
    SettingsLock(const SettingsLock &) = delete;
    SettingsLock &operator=(const SettingsLock &) = delete;

    // The mutex's name: in the session's namespace (Local\, not Global\,
    // which another session shares), with the user's SID and the
    // application's name in upper case, as the registry matches it.
    static std::wstring name(const std::wstring &app);
    // Whether another thread or process holds it at this moment; a look
    // that never waits.
    static bool inUse(const std::wstring &app);

private:
    void *m_mutex = nullptr;
    // A mutex does not tell its owner: while held, a small shared memory
    // named after it holds the holder's process id for whoever waits.
    void *m_holder = nullptr;
};

} // namespace kl::win32
