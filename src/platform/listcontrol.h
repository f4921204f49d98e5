#pragma once

#include <cstdint>
#include <string>

namespace kl {

// The list box as the store and the windows drive it. Rows are 0-based and
// never sorted. Out-of-range rows throw RuntimeError. Like every control
// here, setting a property raises none of the window's handlers.
class ListControl
{
public:
    virtual ~ListControl() = default;

    virtual std::int16_t ListCount() const = 0;
    // The selected row, -1 when none.
    virtual std::int16_t ListIndex() const = 0;
    // Selects row (-1: none).
    virtual void setListIndex(std::int16_t row) = 0;
    // The text of row; rows outside 0..ListCount()-1 fail.
    virtual std::string List(std::int16_t row) const = 0;
    // List(row) = text: replaces an existing row; row == ListCount() appends.
    virtual void setList(std::int16_t row, const std::string &text) = 0;
    virtual void RemoveItem(std::int16_t row) = 0;
    virtual void Clear() = 0;
};

} // namespace kl
