#include "win32registry.h"

#include "registryapi.h"
#include "utf8.h"

#include <algorithm>

namespace kl::win32 {

long Win32Registry::RegOpenKeyEx(std::uint32_t root, const std::string &subKey, std::uint32_t options,
                                 std::uint32_t samDesired, std::uint32_t &key)
{
    std::uint32_t opened = 0;
    const long status = regOpenKeyEx(root, widen(subKey), options, samDesired, opened);
    if (status == reg::Success)
        key = opened;
    return status;
}

long Win32Registry::RegQueryValueEx(std::uint32_t key, const std::string &valueName, std::uint32_t &type,
                                    std::string &buffer, std::uint32_t &size)
{
    // Never offer more than the buffer holds.
    std::uint32_t length = std::min(size, static_cast<std::uint32_t>(buffer.size()));
    const long status = regQueryValueEx(key, widen(valueName), type,
                                        reinterpret_cast<unsigned char *>(buffer.data()), length);
    size = length;
    return status;
}

long Win32Registry::RegCloseKey(std::uint32_t key)
{
    return regCloseKey(key);
}

std::string Win32Registry::textOf(const std::string &bytes)
{
    return ansiToUtf8(bytes);
}

} // namespace kl::win32
