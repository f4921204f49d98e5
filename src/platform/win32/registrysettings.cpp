#include "registrysettings.h"

#include <windows.h>

#include <vector>

namespace kl::win32 {

namespace {

// A name with a backslash would reach into another key; an empty one would
// address the key's default value.
bool usable(const std::wstring &name)
{
    return !name.empty() && name.find(L'\\') == std::wstring::npos && name.find(L'\0') == std::wstring::npos;
}

bool usableNames(const std::wstring &app, const std::wstring &section, const std::wstring &key)
{
    return usable(app) && usable(section) && !key.empty() && key.find(L'\0') == std::wstring::npos;
}

std::wstring sectionPath(const std::wstring &app, const std::wstring &section)
{
    return L"Software\\" + app + L"\\" + section;
}

bool missing(LSTATUS code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

} // namespace

HKEY RegistrySections::open(const std::wstring &app, const std::wstring &section, unsigned long access,
                            bool create, RegistryStatus &status)
{
    const std::wstring path = sectionPath(app, section);
    const auto kept = m_keys.find({access, path});
    if (kept != m_keys.end())
        return kept->second;
    HKEY key = nullptr;
    const LSTATUS code = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                  access, nullptr, &key, nullptr)
                                : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
    if (code != ERROR_SUCCESS) {
        if (!missing(code))
            status.code = code;
        return nullptr;
    }
    m_keys.emplace(std::pair{access, path}, key);
    return key;
}

void RegistrySections::close()
{
    for (const auto &[name, key] : m_keys)
        RegCloseKey(key);
    m_keys.clear();
}

std::optional<std::wstring> RegistrySections::get(const std::wstring &app, const std::wstring &section,
                                                  const std::wstring &key, RegistryStatus &status)
{
    status = {};
    if (!usableNames(app, section, key))
        return std::nullopt; // nothing can be stored under such a name
    const HKEY hkey = open(app, section, KEY_QUERY_VALUE, false, status);
    if (!hkey)
        return std::nullopt;

    // The value may grow between asking its size and reading it.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        DWORD type = 0;
        DWORD bytes = DWORD(buffer.size() * sizeof(wchar_t));
        const LSTATUS code = RegQueryValueExW(hkey, key.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()),
                                              &bytes);
        if (code == ERROR_MORE_DATA) {
            buffer.resize(bytes / sizeof(wchar_t) + 2);
            continue;
        }
        if (code != ERROR_SUCCESS) {
            if (!missing(code))
                status.code = code;
            return std::nullopt;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return std::nullopt;
        // Stored text need not end in a NUL; when it does, it is not part of it.
        std::wstring value(buffer.data(), bytes / sizeof(wchar_t));
        if (!value.empty() && value.back() == L'\0')
            value.pop_back();
        return value;
    }
}

RegistryStatus RegistrySections::save(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                                      const std::wstring &value)
{
    if (!usableNames(app, section, key))
        return {ERROR_INVALID_PARAMETER};
    if (value.size() >= (MAXDWORD / sizeof(wchar_t)) - 1)
        return {ERROR_INVALID_PARAMETER};
    RegistryStatus status;
    const HKEY hkey = open(app, section, KEY_SET_VALUE, true, status);
    if (!hkey)
        return status;
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    return {RegSetValueExW(hkey, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()), bytes)};
}

bool RegistrySections::remove(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                              RegistryStatus &status)
{
    status = {};
    if (!usableNames(app, section, key))
        return false;
    const HKEY hkey = open(app, section, KEY_SET_VALUE, false, status);
    if (!hkey)
        return false;
    const LSTATUS code = RegDeleteValueW(hkey, key.c_str());
    if (code == ERROR_SUCCESS)
        return true;
    if (!missing(code))
        status.code = code;
    return false;
}

} // namespace kl::win32
