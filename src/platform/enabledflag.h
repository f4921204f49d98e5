#pragma once

namespace kl {

// A control whose Enabled flag another module sets.
class EnabledFlag
{
public:
    virtual ~EnabledFlag() = default;
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace kl
