#pragma once

#include <chrono>
#include <string>

namespace kl {

// How long a store waits for another process's transaction before it gives
// up as busy: another instance holds the lock only for one read-merge-write.
inline constexpr std::chrono::milliseconds kSettingsLockWait{5000};

// The per-user store of text values addressed by application, section and
// key, all three matched without regard to letter case. Text is UTF-8.
//
// Writes may be gathered in memory and made durable by commit(); reads always
// see them. The runtime commits at the end of every handler, before every
// modal wait and before the process ends. Every operation may throw
// RuntimeError (a store that cannot be read or written, or, marked
// RuntimeError::isBusy(), one another process holds past kSettingsLockWait).
// An empty application name, and an empty section or key for a write or a
// removal, are refused as InvalidProcedureCall; nothing is kept under them.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or def when the application, section or key is missing.
    virtual std::string GetSetting(const std::string &app, const std::string &section, const std::string &key,
                                   const std::string &def) = 0;
    virtual void SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                             const std::string &value) = 0;
    // Removing a key that does not exist is a runtime failure.
    virtual void DeleteSetting(const std::string &app, const std::string &section, const std::string &key) = 0;

    // Makes the gathered writes durable, all at once.
    virtual void commit() = 0;
};

} // namespace kl
