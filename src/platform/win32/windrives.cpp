#include "platform/win32/windrives.h"

#include "platform/runtimeerror.h"
#include "platform/win32/utf8.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>

namespace kl::win32 {

namespace {

// "c:" from "C:\" or "c:" (the letter in lower case), empty for anything else.
std::string driveName(const std::wstring &path)
{
    if (path.size() < 2 || path[1] != L':' || !std::iswalpha(path[0]))
        return {};
    return {char(std::towlower(path[0])), ':'};
}

std::wstring withoutEndSeparator(std::wstring path)
{
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

bool lessNoCase(const std::string &a, const std::string &b)
{
    const std::wstring wa = widen(a), wb = widen(b);
    return CompareStringOrdinal(wa.c_str(), int(wa.size()), wb.c_str(), int(wb.size()), TRUE) == CSTR_LESS_THAN;
}

bool shown(DWORD attributes)
{
    return !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool isProgram(const std::wstring &name)
{
    return name.size() > 4 && CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".exe", 4, TRUE) == CSTR_EQUAL;
}

// The shown entries of a folder that pass keep, sorted. A folder that does
// not exist is PathNotFound; one that cannot be read lists nothing.
template <class Keep>
std::vector<std::string> entries(const std::string &folder, Keep keep)
{
    std::wstring pattern = withoutEndSeparator(widen(folder));
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
    std::vector<std::string> names;
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME
            || error == ERROR_DIRECTORY)
            throw RuntimeError(err::PathNotFound);
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L".." && shown(data.dwFileAttributes) && keep(data.dwFileAttributes, name))
            names.push_back(narrow(name));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end(), lessNoCase);
    return names;
}

std::wstring environment(const wchar_t *name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), DWORD(value.size())));
    return value;
}

} // namespace

std::vector<std::string> WinDriveSystem::drives()
{
    std::wstring list(GetLogicalDriveStringsW(0, nullptr), L'\0');
    list.resize(GetLogicalDriveStringsW(DWORD(list.size()), list.data()));
    std::vector<std::string> result;
    for (std::size_t at = 0; at < list.size(); at = list.find(L'\0', at) + 1) {
        const std::string drive = driveName(list.c_str() + at);
        if (!drive.empty())
            result.push_back(drive);
    }
    return result;
}

std::string WinDriveSystem::systemDrive()
{
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::string drive = length && length < MAX_PATH ? driveName(system) : std::string();
    if (drive.empty())
        drive = driveName(environment(L"SystemDrive"));
    return drive.empty() ? "c:" : drive;
}

std::string WinDriveSystem::currentFolder()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(DWORD(folder.size()), folder.data()));
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return paths::folderPath(narrow(folder));
}

std::string WinDriveSystem::currentDrive()
{
    const std::string drive = driveName(widen(currentFolder()));
    return drive.empty() ? systemDrive() : drive;
}

std::string WinDriveSystem::homeFolder()
{
    std::wstring home = environment(L"USERPROFILE");
    if (home.empty()) {
        PWSTR known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &known)))
            home = known;
        CoTaskMemFree(known);
    }
    return home.empty() ? std::string() : paths::folderPath(narrow(home));
}

std::string WinDriveSystem::openDrive(const std::string &drive)
{
    const std::wstring name = widen(driveName(widen(drive)));
    wchar_t root[] = L"?:\\";
    root[0] = name.empty() ? L'?' : name[0];
    // No box asking for a medium: a drive without one is only unavailable.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(root);
    SetErrorMode(oldMode);
    // ERROR_NOT_READY (no medium), or, under wine, ERROR_PATH_NOT_FOUND for a
    // drive whose target has gone: all the same to the picker.
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(err::DeviceUnavailable);
    std::wstring folder(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(name.c_str(), DWORD(folder.size()), folder.data(), nullptr);
    if (length >= folder.size()) {
        folder.resize(length);
        length = GetFullPathNameW(name.c_str(), DWORD(folder.size()), folder.data(), nullptr);
    }
    folder.resize(length < folder.size() ? length : 0);
    if (folder.empty())
        throw RuntimeError(err::DeviceUnavailable);
    const std::string path = paths::folderPath(narrow(folder));
    // The drive's current folder may have gone since; its root still opens.
    const DWORD current = GetFileAttributesW(widen(path).c_str());
    return current != INVALID_FILE_ATTRIBUTES && (current & FILE_ATTRIBUTE_DIRECTORY)
        ? path
        : paths::folderPath(narrow(root));
}

std::vector<std::string> WinDriveSystem::folders(const std::string &folder)
{
    return entries(folder, [](DWORD attributes, const std::wstring &) { return attributes & FILE_ATTRIBUTE_DIRECTORY; });
}

std::vector<std::string> WinDriveSystem::programs(const std::string &folder)
{
    return entries(folder, [](DWORD attributes, const std::wstring &name) {
        return !(attributes & FILE_ATTRIBUTE_DIRECTORY) && isProgram(name);
    });
}

std::string WinDriveSystem::Dir(const std::string &path)
{
    const std::wstring wide = widen(path);
    if (wide.empty() || wide.find_first_of(L"*?") != std::wstring::npos)
        return {};
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES
        || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return {};
    const std::size_t slash = wide.find_last_of(L"\\/:");
    return narrow(slash == std::wstring::npos ? wide : wide.substr(slash + 1));
}

} // namespace kl::win32
