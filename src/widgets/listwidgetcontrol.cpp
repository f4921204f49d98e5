#include "listwidgetcontrol.h"

#include "platform/runtimeerror.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QSignalBlocker>

namespace kl {

ListWidgetControl::ListWidgetControl(QListWidget &list)
    : m_list(list)
{
}

qint16 ListWidgetControl::ListCount() const
{
    return qint16(m_list.count());
}

qint16 ListWidgetControl::ListIndex() const
{
    const QListWidgetItem *item = m_list.currentItem();
    return item && item->isSelected() ? qint16(m_list.row(item)) : qint16(-1);
}

void ListWidgetControl::setList(qint16 row, const QString &text)
{
    if (row < 0 || row > m_list.count())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    const QSignalBlocker blocker(m_list);
    if (row == m_list.count())
        m_list.addItem(text);
    else
        m_list.item(row)->setText(text);
}

void ListWidgetControl::RemoveItem(qint16 row)
{
    if (row < 0 || row >= m_list.count())
        throw RuntimeError(err::InvalidProcedureCall);
    const QSignalBlocker blocker(m_list);
    delete m_list.takeItem(row);
    m_list.setCurrentItem(nullptr);
    m_list.clearSelection();
}

void ListWidgetControl::Clear()
{
    const QSignalBlocker blocker(m_list);
    m_list.clear();
}

ButtonEnabledFlag::ButtonEnabledFlag(QAbstractButton &button)
    : m_button(button)
{
}

void ButtonEnabledFlag::setEnabled(bool enabled)
{
    m_button.setEnabled(enabled);
}

} // namespace kl
