#pragma once

#include "platform/enabledflag.h"
#include "platform/listcontrol.h"

#include <cstdint>
#include <string>

namespace kl::test {

// The store updates a window's list as it goes; for a store driven without
// a window (the crash suites' helpers), nothing shows it.
struct NoList final : ListControl, EnabledFlag
{
    std::int16_t ListCount() const override { return 0; }
    std::int16_t ListIndex() const override { return -1; }
    void setListIndex(std::int16_t) override {}
    std::string List(std::int16_t) const override { return {}; }
    void setList(std::int16_t, const std::string &) override {}
    void RemoveItem(std::int16_t) override {}
    void Clear() override {}
    void setEnabled(bool) override {}
};

} // namespace kl::test
