#pragma once

#include <memory>

struct HKEY__; // a registry key's handle, as <windows.h> has it, which this header leaves out

namespace kl::win32 {

struct KeyCloser
{
    void operator()(HKEY__ *key) const; // RegCloseKey
};

// A key this program opened, closed with its owner.
using RegistryKey = std::unique_ptr<HKEY__, KeyCloser>;

} // namespace kl::win32
