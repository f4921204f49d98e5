#pragma once

#include "platform/listcontrol.h"

class QAbstractButton;
class QListWidget;

namespace kl {

// The list box operations over a QListWidget. Changes made through it never
// raise the list's click handler, and a removed row leaves no selection
// behind (Qt would select a neighbour). The user cannot unchoose a row.
class ListWidgetControl final : public ListControl
{
public:
    explicit ListWidgetControl(QListWidget &list);

    qint16 ListCount() const override;
    qint16 ListIndex() const override;
    QString List(qint16 row) const override;
    void setList(qint16 row, const QString &text) override;
    void RemoveItem(qint16 row) override;
    void Clear() override;

private:
    QListWidget &m_list;
    bool m_changing = false; // our own removals may leave no row chosen
};

// A button's Enabled flag.
class ButtonEnabledFlag final : public EnabledFlag
{
public:
    explicit ButtonEnabledFlag(QAbstractButton &button);
    void setEnabled(bool enabled) override;

private:
    QAbstractButton &m_button;
};

} // namespace kl
