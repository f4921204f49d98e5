#include "registrysettings.h"

#include <windows.h>

#include <algorithm>

namespace kl::win32 {

namespace {

bool usable(const std::wstring &name)
{
    return !name.empty() && name.find(L'\\') == std::wstring::npos && name.find(L'\0') == std::wstring::npos;
}

std::wstring appPath(const std::wstring &app)
{
    return L"Software\\" + app;
}

std::wstring sectionPath(const std::wstring &app, const std::wstring &section)
{
    return appPath(app) + L"\\" + section;
}

bool missing(LSTATUS code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

} // namespace

bool storableNames(const std::wstring &app, const std::wstring &section, const std::wstring &key)
{
    return usable(app) && usable(section) && !key.empty() && key.find(L'\0') == std::wstring::npos;
}

HKEY RegistrySections::open(const std::wstring &path, unsigned long access, bool create, RegistryStatus &status)
{
    const auto kept = m_keys.find({access, path});
    if (kept != m_keys.end())
        return kept->second.get();
    HKEY key = nullptr;
    const LSTATUS code = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                  access, nullptr, &key, nullptr)
                                : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
    if (code != ERROR_SUCCESS) {
        if (!missing(code))
            status.code = code;
        return nullptr;
    }
    m_keys.emplace(std::pair{access, path}, RegistryKey(key));
    return key;
}

void RegistrySections::close()
{
    m_keys.clear();
}

StoredValue RegistrySections::read(const std::wstring &path, const std::wstring &name, RegistryStatus &status)
{
    status = {};
    const HKEY hkey = open(path, KEY_QUERY_VALUE, false, status);
    if (!hkey)
        return {};
    // The value may grow between asking its size and reading it.
    std::vector<unsigned char> buffer(512);
    for (;;) {
        DWORD type = 0;
        DWORD bytes = DWORD(buffer.size());
        const LSTATUS code = RegQueryValueExW(hkey, name.c_str(), nullptr, &type, buffer.data(), &bytes);
        if (code == ERROR_MORE_DATA) {
            buffer.resize(bytes + 2);
            continue;
        }
        if (code != ERROR_SUCCESS) {
            if (!missing(code))
                status.code = code;
            return {};
        }
        buffer.resize(bytes);
        StoredValue value;
        value.type = type;
        value.kind = type == REG_SZ || type == REG_EXPAND_SZ ? StoredValue::Kind::Text : StoredValue::Kind::Other;
        if (value.kind == StoredValue::Kind::Text) {
            // Stored text need not end in a NUL; what follows a NUL is not part of it.
            value.text.resize(bytes / sizeof(wchar_t));
            std::copy_n(buffer.data(), value.text.size() * sizeof(wchar_t),
                        reinterpret_cast<unsigned char *>(value.text.data()));
            value.text.resize(std::min(value.text.size(), value.text.find(L'\0')));
        }
        value.bytes = std::move(buffer);
        return value;
    }
}

RegistryStatus RegistrySections::write(const std::wstring &path, const std::wstring &name, unsigned long type,
                                       const void *data, std::size_t bytes)
{
    if (bytes >= MAXDWORD)
        return {ERROR_INVALID_PARAMETER};
    RegistryStatus status;
    const HKEY hkey = open(path, KEY_SET_VALUE, true, status);
    if (!hkey)
        return status;
    return {RegSetValueExW(hkey, name.c_str(), 0, type, static_cast<const BYTE *>(data), DWORD(bytes))};
}

bool RegistrySections::erase(const std::wstring &path, const std::wstring &name, RegistryStatus &status)
{
    status = {};
    const HKEY hkey = open(path, KEY_SET_VALUE, false, status);
    if (!hkey)
        return false;
    const LSTATUS code = RegDeleteValueW(hkey, name.c_str());
    if (code == ERROR_SUCCESS)
        return true;
    if (!missing(code))
        status.code = code;
    return false;
}

StoredValue RegistrySections::get(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                                  RegistryStatus &status)
{
    status = {};
    if (!storableNames(app, section, key))
        return {}; // nothing can be stored under such a name
    return read(sectionPath(app, section), key, status);
}

RegistryStatus RegistrySections::save(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                                      const std::wstring &value)
{
    if (!storableNames(app, section, key) || value.size() >= (MAXDWORD / sizeof(wchar_t)) - 1)
        return {ERROR_INVALID_PARAMETER};
    return write(sectionPath(app, section), key, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

bool RegistrySections::remove(const std::wstring &app, const std::wstring &section, const std::wstring &key,
                              RegistryStatus &status)
{
    status = {};
    if (!storableNames(app, section, key))
        return false;
    return erase(sectionPath(app, section), key, status);
}

StoredValue RegistrySections::getOwn(const std::wstring &app, const std::wstring &name, RegistryStatus &status)
{
    status = {};
    return usable(app) ? read(appPath(app), name, status) : StoredValue{};
}

RegistryStatus RegistrySections::saveOwn(const std::wstring &app, const std::wstring &name,
                                         const std::vector<unsigned char> &bytes)
{
    if (!usable(app))
        return {ERROR_INVALID_PARAMETER};
    return write(appPath(app), name, REG_BINARY, bytes.data(), bytes.size());
}

RegistryStatus RegistrySections::removeOwn(const std::wstring &app, const std::wstring &name)
{
    RegistryStatus status;
    if (usable(app))
        erase(appPath(app), name, status);
    return status;
}

RegistryStatus RegistrySections::flush(const std::wstring &app)
{
    RegistryStatus status;
    const HKEY hkey = usable(app) ? open(appPath(app), KEY_QUERY_VALUE, false, status) : nullptr;
    // RegFlushKey writes the whole hive the key is in, sections included.
    return hkey ? RegistryStatus{RegFlushKey(hkey)} : status;
}

} // namespace kl::win32
