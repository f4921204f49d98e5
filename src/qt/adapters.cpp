#include "adapters.h"
#include "text.h"

#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <limits>

namespace kl::qt {

namespace {

// Ends a modal wait when the window it watches hides.
class HideWatch final : public QObject
{
public:
    HideWatch(QWidget &window, QEventLoop &loop)
        : m_loop(loop)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_loop.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop &m_loop;
};

} // namespace

WindowForm::WindowForm(QWidget &window)
    : m_window(window)
{
}

void WindowForm::Show()
{
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void WindowForm::ShowModal()
{
    if (auto *dialog = qobject_cast<QDialog *>(&m_window)) {
        dialog->exec(); // the result is unused
        return;
    }
    QEventLoop loop;
    const HideWatch watch(m_window, loop);
    const Qt::WindowModality modality = m_window.windowModality();
    m_window.setWindowModality(Qt::ApplicationModal);
    m_window.show();
    loop.exec(QEventLoop::DialogExec);
    m_window.setWindowModality(modality);
}

void WindowForm::Hide()
{
    m_window.hide();
}

void WindowForm::Unload()
{
    m_window.hide();
}

bool WindowForm::Visible() const
{
    return m_window.isVisible();
}

int WindowForm::WindowState() const
{
    return m_window.isMinimized() ? vbMinimized : vbNormal;
}

void WindowForm::setWindowState(int state)
{
    const Qt::WindowStates others = m_window.windowState() & ~Qt::WindowMinimized;
    m_window.setWindowState(state == vbMinimized ? others | Qt::WindowMinimized : others);
}

void WindowForm::setCaption(const std::string &caption)
{
    m_window.setWindowTitle(toQt(caption));
}

Button::Button(QPushButton &button)
    : m_button(button)
{
}

void Button::setEnabled(bool enabled)
{
    m_button.setEnabled(enabled);
}

bool Button::Enabled() const
{
    return m_button.isEnabled();
}

void Button::setValue(bool pressed)
{
    m_button.setDown(pressed);
}

LabelText::LabelText(QLabel &label)
    : m_label(label)
{
}

std::string LabelText::Caption() const
{
    return toUtf8(m_label.text());
}

void LabelText::setCaption(const std::string &caption)
{
    m_label.setText(toQt(caption));
}

LineEdit::LineEdit(QLineEdit &edit)
    : m_edit(edit)
{
    m_edit.setMaxLength(std::numeric_limits<int>::max());
}

std::string LineEdit::Text() const
{
    return toUtf8(m_edit.text());
}

void LineEdit::setText(const std::string &text)
{
    m_edit.setText(toQt(text));
}

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

int ListWidgetControl::rawCount() const
{
    return m_list.count();
}

int ListWidgetControl::rawChosen() const
{
    // The row shown chosen; the focus frame may be elsewhere (Ctrl+arrows).
    const QList<QListWidgetItem *> chosen = m_list.selectedItems();
    return chosen.isEmpty() ? -1 : m_list.row(chosen.first());
}

void ListWidgetControl::rawChoose(int row)
{
    const QSignalBlocker blocker(m_list);
    const QScopedValueRollback changing(m_changing, true);
    if (row < 0) {
        m_list.setCurrentItem(nullptr);
        m_list.clearSelection();
    } else {
        m_list.setCurrentRow(row);
    }
}

std::string ListWidgetControl::rawText(int row) const
{
    // A row set from bytes that are not UTF-8 shows them as U+FFFD, and
    // still reads as those bytes: the handlers compare rows with the store.
    const QListWidgetItem *item = m_list.item(row);
    std::string bytes = item->data(Qt::UserRole).toByteArray().toStdString();
    if (!bytes.empty() && toQt(bytes) == item->text())
        return bytes;
    return toUtf8(item->text());
}

void ListWidgetControl::rawAppend(const std::string &text)
{
    {
        const QSignalBlocker blocker(m_list);
        m_list.addItem(QString());
    }
    rawReplace(m_list.count() - 1, text);
}

void ListWidgetControl::rawReplace(int row, const std::string &text)
{
    const QSignalBlocker blocker(m_list);
    QListWidgetItem *item = m_list.item(row);
    item->setText(toQt(text));
    const bool utf8 = QByteArrayView(text.data(), qsizetype(text.size())).isValidUtf8();
    item->setData(Qt::UserRole, utf8 ? QVariant() : QVariant(QByteArray::fromStdString(text)));
}

void ListWidgetControl::rawRemove(int row)
{
    const QSignalBlocker blocker(m_list);
    const QScopedValueRollback changing(m_changing, true);
    delete m_list.takeItem(row);
    m_list.setCurrentItem(nullptr);
    m_list.clearSelection();
}

void ListWidgetControl::rawClear()
{
    const QSignalBlocker blocker(m_list);
    const QScopedValueRollback changing(m_changing, true);
    m_list.clear();
}

DriveCombo::DriveCombo(QComboBox &combo)
    : m_combo(combo)
{
}

void DriveCombo::setRows(const std::vector<std::string> &drives)
{
    const QSignalBlocker blocker(m_combo);
    m_combo.clear();
    for (const std::string &drive : drives)
        m_combo.addItem(toQt(drive));
}

int DriveCombo::rawCount() const
{
    return m_combo.count();
}

int DriveCombo::rawChosen() const
{
    return m_combo.currentIndex();
}

void DriveCombo::rawChoose(int row)
{
    const QSignalBlocker blocker(m_combo);
    m_combo.setCurrentIndex(row);
}

} // namespace kl::qt
