#pragma once

#include <optional>
#include <string>

namespace kl::win32 {

// Settings of the current user in the registry, one string value per key:
// HKEY_CURRENT_USER\Software\<app>\<section>, value <key>. The registry
// matches names without regard to letter case and keeps the first spelling.
//
// Each value written is durable on its own; nothing is flushed by hand (a
// flush per value costs a disk write each and the registry does it lazily).

// The outcome of one call: a Win32 error code, 0 when it worked.
struct RegistryStatus
{
    long code = 0;
    bool ok() const { return code == 0; }
};

// The value, or nothing when the section or key is missing (or the value is
// not text). status reports failures other than missing.
std::optional<std::wstring> getSetting(const std::wstring &app, const std::wstring &section,
                                       const std::wstring &key, RegistryStatus &status);

// Creates the section as needed and replaces the value.
RegistryStatus saveSetting(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                           const std::wstring &value);

// Whether the key was there to remove. Missing is not a failure here.
bool removeSetting(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                   RegistryStatus &status);

} // namespace kl::win32
