#pragma once

#include <map>
#include <optional>
#include <string>

struct HKEY__; // a registry key's handle, as <windows.h> has it, which this header leaves out

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

// The sections' keys, each opened once and kept until close(): opening a
// key for every value would make loading 100 entries cost 600 calls to the
// registry instead of 200.
class RegistrySections final
{
public:
    RegistrySections() = default;
    ~RegistrySections() { close(); }
    RegistrySections(const RegistrySections &) = delete;
    RegistrySections &operator=(const RegistrySections &) = delete;

    // The value, or nothing when the section or key is missing (or the value
    // is not text). status reports failures other than missing.
    std::optional<std::wstring> get(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                                    RegistryStatus &status);
    // Creates the section as needed and replaces the value.
    RegistryStatus save(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                        const std::wstring &value);
    // Whether the key was there to remove. Missing is not a failure here.
    bool remove(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                RegistryStatus &status);
    // Closes the keys kept: between transactions another program may remove
    // a section, and a kept key would then read a deleted one.
    void close();

private:
    // The section's key with that access, opened (or created) on first use;
    // nullptr when it cannot be, the reason in status (none when missing).
    HKEY__ *open(const std::wstring &app, const std::wstring &section, unsigned long access, bool create,
                 RegistryStatus &status);

    std::map<std::pair<unsigned long, std::wstring>, HKEY__ *> m_keys; // by access and path
};

} // namespace kl::win32
