#pragma once

#include "enabledflag.h"
#include "listcontrol.h"

#include <string>
#include <vector>

namespace kl {

// The controls of a window as its handlers drive them, one small interface
// per kind. Text is UTF-8. Setting a property never raises a handler: a
// handler that wants the change event of a control it set calls it itself.
// Each face (the toolkit that draws the windows) implements these and calls
// the handlers for what the user does.

// Window states.
inline constexpr int vbNormal = 0;
inline constexpr int vbMinimized = 1;

// A window. Unloading is the window's own business (see the windows).
class Form
{
public:
    virtual ~Form() = default;
    // Shows the window raised and active; the caller goes on at once.
    virtual void Show() = 0;
    // Shows the window modally, the other windows disabled meanwhile, and
    // returns when it hides or is unloaded; handlers run while it waits.
    virtual void ShowModal() = 0;
    virtual void Hide() = 0;
    // Hides the window for good; it is destroyed when its handlers are done.
    virtual void Unload() = 0;
    virtual bool Visible() const = 0;
    // vbNormal or vbMinimized.
    virtual int WindowState() const = 0;
    virtual void setWindowState(int state) = 0;
    virtual void setCaption(const std::string &caption) = 0;
};

// A command button: Enabled, and Value (its pressed look; setting it false
// neither disables the button nor clicks it).
class CommandButton : public EnabledFlag
{
public:
    virtual bool Enabled() const = 0;
    virtual void setValue(bool pressed) = 0;
};

class Label
{
public:
    virtual ~Label() = default;
    virtual std::string Caption() const = 0;
    virtual void setCaption(const std::string &caption) = 0;
};

class TextBox
{
public:
    virtual ~TextBox() = default;
    virtual std::string Text() const = 0;
    virtual void setText(const std::string &text) = 0;
};

// The picker's drive list: one row per drive, one of them chosen.
class DriveListBox
{
public:
    virtual ~DriveListBox() = default;
    virtual void setRows(const std::vector<std::string> &drives) = 0;
    // The chosen row, -1 when none.
    virtual int ListIndex() const = 0;
    virtual void setListIndex(int row) = 0;
};

// The drive list's row check and its error, written once over a face's raw
// operations; rawChoose is called only with a row in range.
class CheckedDriveList : public DriveListBox
{
public:
    int ListIndex() const final { return rawChosen(); }
    void setListIndex(int row) final
    {
        checkRow(row, -1, rawCount() - 1, err::InvalidPropertyArrayIndex);
        rawChoose(row);
    }

protected:
    virtual int rawCount() const = 0;
    virtual int rawChosen() const = 0;   // -1: none
    virtual void rawChoose(int row) = 0; // -1: none
};

// A row of the folder list: the open folder's chain from the root, one
// level further right each, then its subfolders. path is empty for a
// subfolder whose name is not text: shown greyed, never opened.
struct FolderRow
{
    std::string text;
    std::string path;
    int depth = 0;
    bool open = false; // one of the open chain, drawn as an open folder
    bool operator==(const FolderRow &) const = default;

    static constexpr const char *kNotText = "このフォルダーの名前は UTF-8 ではないため、開けません。";
    // How every face draws the row: greyed, and the tip its path or why not.
    bool greyed() const { return path.empty(); }
    std::string tip() const { return greyed() ? kNotText : path; }
};

class FolderListBox
{
public:
    virtual ~FolderListBox() = default;
    // Shows rows with current chosen and scrolled to the top.
    virtual void setRows(const std::vector<FolderRow> &rows, int current) = 0;
    virtual int ListIndex() const = 0;
};

// A row of the file list; a file whose name is not text is shown greyed
// and never registered.
struct FileRow
{
    std::string name;
    bool isText = true;
    bool operator==(const FileRow &) const = default;

    static constexpr const char *kNotText = "このファイルの名前は UTF-8 ではないため、登録できません。";
    // How every face draws the row: greyed with a tip saying why, or plain.
    bool greyed() const { return !isText; }
    std::string tip() const { return greyed() ? kNotText : ""; }
};

class FileListBox
{
public:
    virtual ~FileListBox() = default;
    // Shows rows with none selected.
    virtual void setRows(const std::vector<FileRow> &rows) = 0;
    // The selected row, -1 when none.
    virtual int ListIndex() const = 0;
};

} // namespace kl
