#include "listwidgetcontrol.h"

#include "platform/runtimeerror.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace kl {

ListWidgetControl::ListWidgetControl(QListWidget &list)
    : m_list(list)
{
    // Qt's single selection lets Ctrl+click and Ctrl+Space take the chosen
    // row away; a list box keeps one chosen once the user has chosen one.
    QObject::connect(m_list.selectionModel(), &QItemSelectionModel::selectionChanged, &m_list,
                     [this](const QItemSelection &selected, const QItemSelection &deselected) {
                         if (!m_changing && selected.isEmpty() && !deselected.isEmpty()
                             && !m_list.selectionModel()->hasSelection())
                             m_list.selectionModel()->select(deselected, QItemSelectionModel::Select);
                     });
}

qint16 ListWidgetControl::ListCount() const
{
    return qint16(m_list.count());
}

qint16 ListWidgetControl::ListIndex() const
{
    // The row shown chosen; the focus frame may be elsewhere (Ctrl+arrows).
    const QList<QListWidgetItem *> chosen = m_list.selectedItems();
    return chosen.isEmpty() ? qint16(-1) : qint16(m_list.row(chosen.first()));
}

QString ListWidgetControl::List(qint16 row) const
{
    if (row < 0 || row >= m_list.count())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    return m_list.item(row)->text();
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
    const QScopedValueRollback changing(m_changing, true);
    delete m_list.takeItem(row);
    m_list.setCurrentItem(nullptr);
    m_list.clearSelection();
}

void ListWidgetControl::Clear()
{
    const QSignalBlocker blocker(m_list);
    const QScopedValueRollback changing(m_changing, true);
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
