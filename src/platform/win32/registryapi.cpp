#include "registryapi.h"

#include "utf8.h"

#include <windows.h>

namespace kl::win32 {

namespace {

// Handles carry 32 significant bits and 64-bit Windows sign-extends them, as
// its own HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)(LONG)0x80000002) shows; that
// is what lets a 32-bit variable hold one.
HKEY toHandle(std::uint32_t value)
{
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

std::uint32_t fromHandle(HKEY key)
{
    return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(key));
}

} // namespace

long regOpenKeyEx(std::uint32_t root, const std::wstring &subKey, std::uint32_t options,
                  std::uint32_t samDesired, std::uint32_t &key)
{
    const std::string name = toAnsiCodePage(subKey);
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(toHandle(root), name.c_str(), options, samDesired, &opened);
    if (status == ERROR_SUCCESS)
        key = fromHandle(opened);
    return status;
}

long regQueryValueEx(std::uint32_t key, const std::wstring &valueName, std::uint32_t &type,
                     unsigned char *data, std::uint32_t &size)
{
    const std::string name = toAnsiCodePage(valueName);
    DWORD valueType = type;
    DWORD length = size;
    const LONG status = RegQueryValueExA(toHandle(key), name.c_str(), nullptr, &valueType, data, &length);
    type = valueType;
    size = length;
    return status;
}

long regCloseKey(std::uint32_t key)
{
    return RegCloseKey(toHandle(key));
}

} // namespace kl::win32
