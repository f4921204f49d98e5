#include "registry.h"

#ifdef Q_OS_WIN
#include "win32/registryapi.h"

#include <algorithm>
#else
#include "sysinforegistry.h"
#endif

namespace kl {

#ifdef Q_OS_WIN
namespace {

// The machine's own registry: advapi32's ANSI calls, in Qt's types.
class Win32Registry final : public Registry
{
public:
    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 &key) override
    {
        std::uint32_t opened = 0;
        const long status = win32::regOpenKeyEx(root, subKey.toStdWString(), options, samDesired, opened);
        if (status == reg::Success)
            key = opened;
        return status;
    }

    long RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                         quint32 &size) override
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

    long RegCloseKey(quint32 key) override { return win32::regCloseKey(key); }
};

} // namespace
#endif

std::unique_ptr<Registry> systemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32Registry>();
#else
    return std::make_unique<SysInfoRegistry>();
#endif
}

} // namespace kl
