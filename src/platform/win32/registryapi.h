#pragma once

// The registry calls of advapi32 in their ANSI forms, in plain C++ so that
// this part builds and runs without Qt (mingw-w64, wine).

#include <cstdint>
#include <string>

namespace kl::win32 {

// RegOpenKeyExA. root and key are 32-bit handle values (the predefined roots
// are 0x80000000 and up). key is set on success only. Returns the Win32
// status.
long regOpenKeyEx(std::uint32_t root, const std::wstring &subKey, std::uint32_t options,
                  std::uint32_t samDesired, std::uint32_t &key);

// RegQueryValueExA into data, whose size bytes are offered; size comes back
// as the data's length (or the length needed, with ERROR_MORE_DATA).
long regQueryValueEx(std::uint32_t key, const std::wstring &valueName, std::uint32_t &type,
                     unsigned char *data, std::uint32_t &size);

// RegCloseKey.
long regCloseKey(std::uint32_t key);

} // namespace kl::win32
