#pragma once

#include "subclass.h"
#include "win.h"

#include "platform/controls.h"

#include <functional>
#include <memory>

namespace kl::winui {

// The control interfaces over Win32 controls, one small file each. Setting a
// property raises no handler: the window's command table routes only what
// the user does.

// What a window's command table hands a control: its WM_COMMAND
// notification code, which the control turns into its own events.
using Notify = std::function<void(int code)>;

// A button's events: a click (BN_CLICKED) runs action.
Notify clicked(std::function<void()> action);

// The row of a list box under a mouse message's point; -1 on none (below
// the rows).
int rowAt(HWND list, LPARAM point);

class Button final : public kl::CommandButton
{
public:
    explicit Button(HWND button)
        : m_button(button) {}
    void setEnabled(bool enabled) override;
    bool Enabled() const override;
    void setValue(bool pressed) override;

private:
    HWND m_button;
};

class StaticLabel final : public kl::Label
{
public:
    explicit StaticLabel(HWND label)
        : m_label(label) {}
    std::string Caption() const override;
    void setCaption(const std::string &caption) override;

private:
    HWND m_label;
};

// An edit control whose key presses go to keyDown(virtual key, shift bits)
// first; the edit takes the key afterwards when keyDown returns true.
class EditBox final : public kl::TextBox
{
public:
    using KeyDown = std::function<bool(int key, int shift)>;
    EditBox(HWND edit, KeyDown keyDown);
    std::string Text() const override;
    void setText(const std::string &text) override;

private:
    HWND m_edit;
    KeyDown m_keyDown;
    Subclass m_subclass;
};

// The list window's list box. A double-click anywhere in it, below the rows
// too, reaches the window as LBN_DBLCLK.
class ListBox final : public kl::CheckedList
{
public:
    explicit ListBox(HWND list);
    // A row chosen with the mouse or the keys; a double-click anywhere.
    Notify events(std::function<void()> chosen, std::function<void()> doubleClicked) const;

private:
    int rawCount() const override;
    int rawChosen() const override;
    void rawChoose(int row) override;
    std::string rawText(int row) const override;
    void rawAppend(const std::string &text) override;
    void rawReplace(int row, const std::string &text) override;
    void rawRemove(int row) override;
    void rawClear() override;

    HWND m_list;
    Subclass m_subclass;
};

class DriveCombo final : public kl::CheckedDriveList
{
public:
    explicit DriveCombo(HWND combo)
        : m_combo(combo) {}
    Notify events(std::function<void()> changed) const;
    void setRows(const std::vector<std::string> &drives) override;

private:
    int rawCount() const override;
    int rawChosen() const override;
    void rawChoose(int row) override;

    HWND m_combo;
};

class RowList;
struct FolderIcons;

// The picker's folder list: owner-drawn rows indented by depth with folder
// icons; rows without a path greyed. Enter opens the current row.
class FolderList final : public kl::FolderListBox
{
public:
    FolderList(HWND list, std::function<void(int row)> open);
    ~FolderList() override;
    // A row chosen; a double-click on a row opens it.
    Notify events(std::function<void()> chosen) const;
    void setRows(const std::vector<FolderRow> &rows, int current) override;
    int ListIndex() const override;

private:
    std::function<void(int)> m_open;
    std::unique_ptr<FolderIcons> m_icons;
    std::unique_ptr<RowList> m_rows;
};

// The picker's file list; rows whose names are not text greyed.
class FileList final : public kl::FileListBox
{
public:
    explicit FileList(HWND list);
    ~FileList() override;
    // A row chosen; a double-click anywhere.
    Notify events(std::function<void()> chosen, std::function<void()> doubleClicked) const;
    void setRows(const std::vector<FileRow> &rows) override;
    int ListIndex() const override;

private:
    std::unique_ptr<RowList> m_rows;
};

} // namespace kl::winui
