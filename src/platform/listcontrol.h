#pragma once

#include <QString>
#include <QtGlobal>

namespace kl {

// The list box as the store and the windows drive it. Rows are 0-based and
// never sorted. Out-of-range rows throw RuntimeError.
class ListControl
{
public:
    virtual ~ListControl() = default;

    virtual qint16 ListCount() const = 0;
    // The selected row, -1 when none.
    virtual qint16 ListIndex() const = 0;
    // The text of row; rows outside 0..ListCount()-1 fail.
    virtual QString List(qint16 row) const = 0;
    // List(row) = text: replaces an existing row; row == ListCount() appends.
    virtual void setList(qint16 row, const QString &text) = 0;
    virtual void RemoveItem(qint16 row) = 0;
    virtual void Clear() = 0;
};

// A control whose Enabled flag another module sets.
class EnabledFlag
{
public:
    virtual ~EnabledFlag() = default;
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace kl
