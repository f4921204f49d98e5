#include "win32registry.h"

#include "registryapi.h"

#include <algorithm>

namespace kl {

long Win32Registry::RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                                 quint32 &key)
{
    std::uint32_t opened = 0;
    const long status = win32::regOpenKeyEx(root, subKey.toStdWString(), options, samDesired, opened);
    if (status == reg::Success)
        key = opened;
    return status;
}

long Win32Registry::RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                                    quint32 &size)
{
    // Never offer more than the buffer holds.
    std::uint32_t length = std::min(size, quint32(buffer.size()));
    std::uint32_t valueType = type;
    const long status = win32::regQueryValueEx(key, valueName.toStdWString(), valueType,
                                               reinterpret_cast<unsigned char *>(buffer.data()), length);
    type = valueType;
    size = length;
    return status;
}

long Win32Registry::RegCloseKey(quint32 key)
{
    return win32::regCloseKey(key);
}

} // namespace kl
