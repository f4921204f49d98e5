#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kl {

// Numbers of the machine-wide registry. The Win32 names for them are macros
// of <windows.h>; these are spelled apart so that both can meet in one file.
namespace reg {
// Predefined root keys are fixed handle values: HKEY_LOCAL_MACHINE.
inline constexpr std::uint32_t LocalMachine = 0x80000002u;

// KEY_READ: KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY |
// READ_CONTROL. Asking for more of HKEY_LOCAL_MACHINE is refused to a user
// without elevation, so reads ask for this and no more.
inline constexpr std::uint32_t Read = 0x20019u;

// Status codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_INVALID_HANDLE, ERROR_MORE_DATA.
inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;
inline constexpr long AccessDenied = 5;
inline constexpr long InvalidHandle = 6;
inline constexpr long MoreData = 234;

// Value types: REG_SZ (text), REG_DWORD (32-bit number).
inline constexpr std::uint32_t TypeSz = 1;
inline constexpr std::uint32_t TypeDword = 4;
} // namespace reg

// Read access to the machine-wide registry. Each call answers exactly as the
// Win32 call of the same name does, status codes and all, so that code
// written against that API reads the same through this interface. Handles are
// 32-bit values; 0 is never a valid open key.
class Registry
{
public:
    virtual ~Registry() = default;

    // Opens root\subKey. On success returns Success and sets key; otherwise
    // returns the error (FileNotFound for a missing key) and leaves key alone.
    virtual long RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                              std::uint32_t &key) = 0;

    // Reads one value of an open key into buffer, whose first size bytes are
    // the space offered. On success returns Success, sets type and sets size
    // to the length of the value's data, which fills the start of buffer
    // (the rest is untouched). A value longer than size returns MoreData
    // with size set to the length needed.
    virtual long RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type, std::string &buffer,
                                 std::uint32_t &size) = 0;

    // Closing 0 or a key that is not open returns InvalidHandle.
    virtual long RegCloseKey(std::uint32_t key) = 0;

    // The UTF-8 text of a text value's bytes: they are in the ANSI code page
    // on Windows, as the stand-in writes them elsewhere.
    virtual std::string textOf(const std::string &bytes) = 0;
};


} // namespace kl
