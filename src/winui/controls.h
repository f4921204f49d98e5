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

// The row of a list box under a mouse message's point; -1 on none (below
// the rows).
int rowAt(HWND list, LPARAM point);

class Button final : public kl::CommandButton
{
public:
    explicit Button(HWND button) : m_button(button) {}
    void setEnabled(bool enabled) override;
    bool Enabled() const override;
    void setValue(bool pressed) override;

private:
    HWND m_button;
};

class StaticLabel final : public kl::Label
{
public:
    explicit StaticLabel(HWND label) : m_label(label) {}
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
class ListBox final : public kl::ListControl
{
public:
    explicit ListBox(HWND list);
    std::int16_t ListCount() const override;
    std::int16_t ListIndex() const override;
    void setListIndex(std::int16_t row) override;
    std::string List(std::int16_t row) const override;
    void setList(std::int16_t row, const std::string &text) override;
    void RemoveItem(std::int16_t row) override;
    void Clear() override;

private:
    HWND m_list;
    Subclass m_subclass;
};

class DriveCombo final : public kl::DriveListBox
{
public:
    explicit DriveCombo(HWND combo) : m_combo(combo) {}
    void setRows(const std::vector<std::string> &drives) override;
    int ListIndex() const override;
    void setListIndex(int row) override;

private:
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
    void setRows(const std::vector<FolderRow> &rows, int current) override;
    int ListIndex() const override;

private:
    std::unique_ptr<FolderIcons> m_icons;
    std::unique_ptr<RowList> m_rows;
};

// The picker's file list; rows whose names are not text greyed.
class FileList final : public kl::FileListBox
{
public:
    explicit FileList(HWND list);
    ~FileList() override;
    void setRows(const std::vector<FileRow> &rows) override;
    int ListIndex() const override;

private:
    std::unique_ptr<RowList> m_rows;
};

} // namespace kl::winui
