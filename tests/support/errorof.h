#pragma once

#include "platform/runtimeerror.h"

#include <functional>

namespace kl::test {

// The number of the runtime failure f throws, 0 when it throws none.
inline int errorOf(const std::function<void()> &f)
{
    try {
        return f(), 0;
    } catch (const RuntimeError &e) {
        return e.number();
    }
}

} // namespace kl::test
