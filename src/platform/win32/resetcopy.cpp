#include "resetcopy.h"

#include "registrykey.h"
#include "registrysettingsstore.h"

#include "platform/runtimeerror.h"
#include "utf8.h"
#include "win32shell.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

namespace kl::win32 {

namespace {

[[noreturn]] void fail(DWORD code, const std::wstring &path)
{
    const int number = code == ERROR_ACCESS_DENIED                  ? err::PermissionDenied
        : code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL ? err::DiskFull
                                                                    : err::PathFileAccessError;
    throw RuntimeError(number, RuntimeError::describe(number) + " (" + narrow(path) + ": " + narrow(systemMessage(code)) + ')');
}

std::wstring quoted(const std::wstring &text)
{
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        if (c == L'\\' || c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L'"';
}

std::wstring hexBytes(const BYTE *data, DWORD size)
{
    std::wstring out;
    for (DWORD i = 0; i < size; ++i) {
        wchar_t byte[4];
        std::swprintf(byte, 4, L"%02x", data[i]);
        out += (i ? L"," : L"") + std::wstring(byte);
    }
    return out;
}

// One value as a line of a .reg file. A text with a line break or another
// control character cannot stand in quotes: it is written as its bytes.
std::wstring valueLine(const std::wstring &name, DWORD type, const std::vector<BYTE> &data)
{
    std::wstring line = (name.empty() ? L"@" : quoted(name)) + L'=';
    if (type == REG_SZ && data.size() % 2 == 0) {
        std::wstring text(reinterpret_cast<const wchar_t *>(data.data()), data.size() / 2);
        if (!text.empty() && text.back() == L'\0')
            text.pop_back();
        if (std::none_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20; }))
            return line + quoted(text);
    }
    if (type == REG_DWORD && data.size() == 4) {
        wchar_t dword[16];
        std::swprintf(dword, 16, L"dword:%08lx", *reinterpret_cast<const DWORD *>(data.data()));
        return line + dword;
    }
    wchar_t kind[16];
    std::swprintf(kind, 16, L"hex(%lx):", type);
    return line + (type == REG_BINARY ? std::wstring(L"hex:") : std::wstring(kind))
        + hexBytes(data.data(), DWORD(data.size()));
}

// The values of one key as .reg lines; false when the key does not exist.
bool exportKey(const std::wstring &path, std::wstring &out)
{
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return false;
    if (opened != ERROR_SUCCESS)
        fail(DWORD(opened), L"HKEY_CURRENT_USER\\" + path);
    const RegistryKey held(key);
    const std::wstring name = L"HKEY_CURRENT_USER\\" + path;
    // Removed first, so that opening the file gives the key as it was,
    // without entries registered after the reset.
    out += L"[-" + name + L"]\r\n\r\n[" + name + L"]\r\n";
    DWORD nameMax = 0, dataMax = 0;
    LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameMax,
                                   &dataMax, nullptr, nullptr);
    for (DWORD i = 0; status == ERROR_SUCCESS; ++i) {
        std::wstring valueName(nameMax + 1, L'\0');
        std::vector<BYTE> data(dataMax + 2);
        DWORD nameSize = nameMax + 1, dataSize = DWORD(data.size()), type = 0;
        status = RegEnumValueW(key, i, valueName.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS) {
            valueName.resize(nameSize);
            data.resize(dataSize);
            out += valueLine(valueName, type, data) + L"\r\n";
        }
    }
    if (status != ERROR_SUCCESS && status != ERROR_NO_MORE_ITEMS)
        fail(DWORD(status), name);
    out += L"\r\n";
    return true;
}

std::wstring timeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
    return text;
}

} // namespace

RegResetCopy::RegResetCopy(RegistrySettingsStore &store, std::wstring app, std::wstring folder)
    : m_store(store)
    , m_app(std::move(app))
    , m_folder(std::move(folder))
{
}

std::wstring RegResetCopy::folder() const
{
    if (!m_folder.empty())
        return m_folder;
    PWSTR known = nullptr;
    std::wstring local;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)))
        local = known;
    CoTaskMemFree(known);
    if (local.empty())
        fail(ERROR_PATH_NOT_FOUND, L"%LOCALAPPDATA%");
    return local + L"\\" + m_app;
}

std::wstring RegResetCopy::exportText() const
{
    std::wstring body;
    bool any = false;
    for (const wchar_t *section : {L"SetApp", L"Appnames"})
        any = exportKey(L"Software\\" + m_app + L"\\" + section, body) || any;
    return any ? L"Windows Registry Editor Version 5.00\r\n\r\n" + body : std::wstring();
}

std::vector<std::wstring> RegResetCopy::copies() const
{
    const std::wstring dir = folder(), prefix = m_app + L".reset-";
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((dir + L"\\" + prefix + L"*.reg").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // yyyyMMdd-HHmmss, then -n counting up within one second.
    const auto order = [&](const std::wstring &name) {
        const std::wstring rest = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const std::wstring stamp = rest.substr(0, 15);
        return std::pair(stamp, rest.size() > 16 ? std::wcstol(rest.c_str() + 16, nullptr, 10) : 1L);
    };
    std::sort(names.begin(), names.end(), [&](const std::wstring &a, const std::wstring &b) { return order(a) > order(b); });
    for (std::wstring &name : names)
        name = dir + L"\\" + name;
    return names;
}

void RegResetCopy::keepBeforeReset()
{
    m_store.begin(narrow(m_app)); // locked, and a change a crash left half done finished
    const std::wstring text = exportText();
    if (text.empty())
        return; // nothing stored, nothing to lose
    const std::wstring dir = folder();
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        fail(GetLastError(), dir);

    const std::wstring base = dir + L"\\" + m_app + L".reset-" + timeStamp();
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring path;
    for (int n = 1; file == INVALID_HANDLE_VALUE; ++n) {
        path = base + (n == 1 ? std::wstring() : L"-" + std::to_wstring(n)) + L".reg";
        file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && (GetLastError() != ERROR_FILE_EXISTS || n > 999))
            fail(GetLastError(), path);
    }
    const std::wstring content = L"\xFEFF" + text;
    const DWORD bytes = DWORD(content.size() * sizeof(wchar_t));
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), bytes, &written, nullptr) && written == bytes && FlushFileBuffers(file);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str()); // a cut-off copy would restore a cut-off list
        fail(error ? error : ERROR_DISK_FULL, path);
    }

    const std::vector<std::wstring> all = copies();
    for (std::size_t i = Kept; i < all.size(); ++i)
        DeleteFileW(all[i].c_str());
}

} // namespace kl::win32
