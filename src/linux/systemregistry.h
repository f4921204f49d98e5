#pragma once

#include "platform/registry.h"

#include <memory>

namespace kl {

// The registry of this platform, which has none: the stand-in that answers
// where the system information tool is (see SysInfoRegistry).
std::unique_ptr<Registry> systemRegistry();

} // namespace kl
