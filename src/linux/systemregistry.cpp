#include "systemregistry.h"

#include "sysinforegistry.h"

namespace kl {

std::unique_ptr<Registry> systemRegistry()
{
    return std::make_unique<SysInfoRegistry>();
}

} // namespace kl
