#pragma once

#include "platform/registry.h"

namespace kl::win32 {

// The machine's own registry: advapi32's ANSI calls, names given as UTF-8.
class Win32Registry final : public Registry
{
public:
    long RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options,
                      std::uint32_t samDesired, std::uint32_t &key) override;
    long RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                         std::string &buffer, std::uint32_t &size) override;
    long RegCloseKey(std::uint32_t key) override;
    std::string textOf(const std::string &bytes) override;
};

} // namespace kl::win32
