#pragma once

#include "registrykey.h"

#include <map>
#include <string>
#include <vector>

namespace kl::win32 {

// Settings of the current user in the registry, one string value per key:
// HKEY_CURRENT_USER\Software\<app>\<section>, value <key>. The registry
// matches names without regard to letter case and keeps the first spelling.
// Values of the application's own key are the store's (its journal).

// The outcome of one call: a Win32 error code, 0 when it worked.
struct RegistryStatus
{
    long code = 0;
    bool ok() const { return code == 0; }
};

// What one value holds, read one way for every reader: a text value
// (REG_SZ or REG_EXPAND_SZ, unexpanded) is its text up to the first NUL, as
// the registry editor and a list box show it; any other type is no text.
struct StoredValue
{
    enum class Kind {
        Missing,
        Text,
        Other,
    };
    Kind kind = Kind::Missing;
    unsigned long type = 0;           // the registry's type, when found
    std::wstring text;                // Text only
    std::vector<unsigned char> bytes; // as stored
};

// Whether a value can be kept under these names: a section with a backslash
// would reach into another key, an empty name would address a key's
// default value.
bool storableNames(const std::wstring &app, const std::wstring &section, const std::wstring &key);

// The keys, each opened once and kept until close(): opening a key for
// every value would make loading 100 entries cost 600 calls to the
// registry instead of 200.
class RegistrySections final
{
public:
    RegistrySections() = default;
    RegistrySections(const RegistrySections &) = delete;
    RegistrySections &operator=(const RegistrySections &) = delete;

    // A missing section or key is Missing; status reports other failures.
    StoredValue get(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                    RegistryStatus &status);
    // Creates the section as needed and replaces the value with REG_SZ text.
    RegistryStatus save(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                        const std::wstring &value);
    // Whether the key was there to remove. Missing is not a failure here.
    bool remove(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                RegistryStatus &status);

    // A value of the application's own key (section empty), as bytes.
    StoredValue getOwn(const std::wstring &app, const std::wstring &name, RegistryStatus &status);
    RegistryStatus saveOwn(const std::wstring &app, const std::wstring &name, const std::vector<unsigned char> &bytes);
    RegistryStatus removeOwn(const std::wstring &app, const std::wstring &name);
    // Writes what was changed in the user's registry to disk before returning.
    RegistryStatus flush(const std::wstring &app);

    // Closes the keys kept: between transactions another program may remove
    // a section, and a kept key would then read a deleted one.
    void close();

private:
    // The key at path with that access, opened (or created) on first use;
    // nullptr when it cannot be, the reason in status (none when missing).
    HKEY__ *open(const std::wstring &path, unsigned long access, bool create, RegistryStatus &status);
    StoredValue read(const std::wstring &path, const std::wstring &name, RegistryStatus &status);
    RegistryStatus write(const std::wstring &path, const std::wstring &name, unsigned long type, const void *data,
                         std::size_t bytes);
    bool erase(const std::wstring &path, const std::wstring &name, RegistryStatus &status);

    std::map<std::pair<unsigned long, std::wstring>, RegistryKey> m_keys; // by access and path
};

} // namespace kl::win32
