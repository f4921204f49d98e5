#include "registry.h"

#ifdef Q_OS_WIN
#include "win32/win32registry.h"
#else
#include "sysinforegistry.h"
#endif

namespace kl {

std::unique_ptr<Registry> systemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32Registry>();
#else
    return std::make_unique<SysInfoRegistry>();
#endif
}

} // namespace kl
