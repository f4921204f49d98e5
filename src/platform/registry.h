#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace kl {

// Numbers of the machine-wide registry. The Win32 names for them are macros
// of <windows.h>; these are spelled apart so that both can meet in one file.
namespace reg {
// Predefined root keys are fixed handle values: HKEY_LOCAL_MACHINE.
inline constexpr quint32 LocalMachine = 0x80000002u;

// KEY_READ: KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY |
// READ_CONTROL. Asking for more of HKEY_LOCAL_MACHINE is refused to a user
// without elevation, so reads ask for this and no more.
inline constexpr quint32 Read = 0x20019u;

// Status codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_INVALID_HANDLE, ERROR_MORE_DATA.
inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;
inline constexpr long AccessDenied = 5;
inline constexpr long InvalidHandle = 6;
inline constexpr long MoreData = 234;

// Value types: REG_SZ (text), REG_DWORD (32-bit number).
inline constexpr quint32 TypeSz = 1;
inline constexpr quint32 TypeDword = 4;
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
    virtual long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                              quint32 &key) = 0;

    // Reads one value of an open key into buffer, whose first size bytes are
    // the space offered. On success returns Success, sets type and sets size
    // to the length of the value's data, which fills the start of buffer
    // (the rest is untouched). A value longer than size returns MoreData
    // with size set to the length needed.
    virtual long RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                                 quint32 &size) = 0;

    // Closing 0 or a key that is not open returns InvalidHandle.
    virtual long RegCloseKey(quint32 key) = 0;
};

// The platform's registry: the real one on Windows, a stand-in elsewhere.
std::unique_ptr<Registry> systemRegistry();

} // namespace kl
