#pragma once

#include "platform/controls.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace kl::qt {

// The control interfaces over Qt's widgets. Whatever they set raises no
// signal a view routes to a handler.

// A window: a QDialog shows modally by exec(); any other window waits in an
// event loop of its own until it hides.
class WindowForm final : public Form
{
public:
    explicit WindowForm(QWidget &window);
    void Show() override;
    void ShowModal() override;
    void Hide() override;
    // Hides the window now; the view that owns it destroys it later.
    void Unload() override;
    bool Visible() const override;
    int WindowState() const override;
    void setWindowState(int state) override;
    void setCaption(const std::string &caption) override;

private:
    QWidget &m_window;
};

// Value is the button's pressed look, as setDown() draws it.
class Button final : public CommandButton
{
public:
    explicit Button(QPushButton &button);
    void setEnabled(bool enabled) override;
    bool Enabled() const override;
    void setValue(bool pressed) override;

private:
    QPushButton &m_button;
};

class LabelText final : public Label
{
public:
    explicit LabelText(QLabel &label);
    std::string Caption() const override;
    void setCaption(const std::string &caption) override;

private:
    QLabel &m_label;
};

// A text box with no length limit (QLineEdit's own cuts at 32,767).
class LineEdit final : public TextBox
{
public:
    explicit LineEdit(QLineEdit &edit);
    std::string Text() const override;
    void setText(const std::string &text) override;

private:
    QLineEdit &m_edit;
};

// The list box operations over a QListWidget. A removed row leaves no
// selection behind (Qt would select a neighbour), and the user cannot
// unchoose a row.
class ListWidgetControl final : public CheckedList
{
public:
    explicit ListWidgetControl(QListWidget &list);

private:
    int rawCount() const override;
    int rawChosen() const override;
    void rawChoose(int row) override;
    std::string rawText(int row) const override;
    void rawAppend(const std::string &text) override;
    void rawReplace(int row, const std::string &text) override;
    void rawRemove(int row) override;
    void rawClear() override;

    QListWidget &m_list;
    bool m_changing = false; // our own changes may leave no row chosen
};

class DriveCombo final : public CheckedDriveList
{
public:
    explicit DriveCombo(QComboBox &combo);
    void setRows(const std::vector<std::string> &drives) override;

private:
    int rawCount() const override;
    int rawChosen() const override;
    void rawChoose(int row) override;

    QComboBox &m_combo;
};

} // namespace kl::qt
