#include "platform/win32/runentry.h"

#include "platform/win32/registrykey.h"
#include "platform/win32/utf8.h"

#include <windows.h>

#include <optional>

namespace kl::win32 {

namespace {

const wchar_t *const runKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t *const valueName = L"Kicklist";
const wchar_t *const startAll = L" --start-all";

std::string systemMessage(LSTATUS code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return "HKEY_CURRENT_USER\\" + narrow(runKey) + ": "
        + (message.empty() ? "error " + std::to_string(code) : narrow(message));
}

std::string notOurs()
{
    return "HKEY_CURRENT_USER\\" + narrow(runKey) + " の " + narrow(valueName)
        + " はキックリストが書いたままの項目ではないため、そのままにしました。";
}

// Whether value is an entry Kicklist wrote, for a kicklist.exe anywhere.
bool isOwn(const std::wstring &value)
{
    const std::size_t close = value.find(L'"', 1);
    if (value.empty() || value[0] != L'"' || close == std::wstring::npos || value.substr(close + 1) != startAll)
        return false;
    const std::wstring program = value.substr(1, close - 1);
    const std::wstring name = program.substr(program.find_last_of(L"\\/") + 1);
    return CompareStringOrdinal(name.c_str(), int(name.size()), L"kicklist.exe", -1, TRUE) == CSTR_EQUAL
        && value == runEntryFor(program);
}

// The value now there: nothing when missing; a text that is no string value
// reads as one Kicklist did not write.
std::optional<std::wstring> current(HKEY key, LSTATUS &status)
{
    DWORD type = 0, size = 0;
    status = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        status = ERROR_SUCCESS;
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ)
        return std::wstring(L"\x01");
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = DWORD(value.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE *>(value.data()), &size);
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return value;
}

// Changes the entry only where it is missing or Kicklist's own; `change` is
// told whether there is one.
template <typename Change>
std::string changeOwn(HKEY key, Change change)
{
    LSTATUS status = ERROR_SUCCESS;
    const std::optional<std::wstring> value = current(key, status);
    if (status != ERROR_SUCCESS)
        return systemMessage(status);
    if (value && !isOwn(*value))
        return notOurs();
    status = change(value.has_value());
    return status == ERROR_SUCCESS ? std::string() : systemMessage(status);
}

} // namespace

std::wstring runEntryFor(const std::wstring &program)
{
    return L"\"" + program + L"\"" + startAll;
}

std::string addRunEntry(const std::wstring &program)
{
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                           nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return systemMessage(status);
    const RegistryKey held(key);
    return changeOwn(key, [&](bool) {
        const std::wstring entry = runEntryFor(program);
        return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(entry.c_str()),
                              DWORD((entry.size() + 1) * sizeof(wchar_t)));
    });
}

std::string removeRunEntry()
{
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, runKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return {};
    if (status != ERROR_SUCCESS)
        return systemMessage(status);
    const RegistryKey held(key);
    return changeOwn(key, [&](bool present) {
        const LSTATUS removed = present ? RegDeleteValueW(key, valueName) : ERROR_SUCCESS;
        return removed == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : removed;
    });
}

} // namespace kl::win32
