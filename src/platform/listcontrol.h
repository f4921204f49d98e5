#pragma once

#include "runtimeerror.h"

#include <cstdint>
#include <string>

namespace kl {

// A row given to a list control: outside first..last it fails with error.
inline void checkRow(int row, int first, int last, int error)
{
    if (row < first || row > last)
        throw RuntimeError(error);
}

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

// A list box's row checks and their errors, written once over a face's raw
// operations; each raw operation is called only with a row in range.
class CheckedList : public ListControl
{
public:
    std::int16_t ListCount() const final { return std::int16_t(rawCount()); }
    std::int16_t ListIndex() const final { return std::int16_t(rawChosen()); }
    void setListIndex(std::int16_t row) final
    {
        checkRow(row, -1, rawCount() - 1, err::InvalidPropertyArrayIndex);
        rawChoose(row);
    }
    std::string List(std::int16_t row) const final
    {
        checkRow(row, 0, rawCount() - 1, err::InvalidPropertyArrayIndex);
        return rawText(row);
    }
    void setList(std::int16_t row, const std::string &text) final
    {
        const int count = rawCount();
        checkRow(row, 0, count, err::InvalidPropertyArrayIndex);
        if (row == count)
            rawAppend(text);
        else
            rawReplace(row, text);
    }
    // Leaves no row chosen.
    void RemoveItem(std::int16_t row) final
    {
        checkRow(row, 0, rawCount() - 1, err::InvalidProcedureCall);
        rawRemove(row);
    }
    void Clear() final { rawClear(); }

protected:
    virtual int rawCount() const = 0;
    virtual int rawChosen() const = 0;   // -1: none
    virtual void rawChoose(int row) = 0; // -1: none
    virtual std::string rawText(int row) const = 0;
    virtual void rawAppend(const std::string &text) = 0;
    // Keeps the chosen row.
    virtual void rawReplace(int row, const std::string &text) = 0;
    virtual void rawRemove(int row) = 0; // and chooses none
    virtual void rawClear() = 0;
};

} // namespace kl
