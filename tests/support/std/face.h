#pragma once

#include "fakes.h"

#include "platform/controls.h"
#include "windows/face.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kl::test {

class FakeFace;

// Controls that keep what the handlers set, for the test to read and to
// change as a user would.
struct FakeButton final : CommandButton
{
    bool enabled = true, value = false; // as the designs have them
    void setEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    void setValue(bool pressed) override { value = pressed; }
};

struct FakeLabel final : Label
{
    std::string caption;
    std::string Caption() const override { return caption; }
    void setCaption(const std::string &text) override { caption = text; }
};

struct FakeTextBox final : TextBox
{
    std::string text;
    std::string Text() const override { return text; }
    void setText(const std::string &value) override { text = value; }
};

// The picker's lists: their rows and the chosen one.
template <typename Box, typename Row>
struct FakeRows : Box
{
    std::vector<Row> rows;
    int index = -1;
    int ListIndex() const override { return index; }
};

struct FakeDriveList final : CheckedDriveList
{
    std::vector<std::string> rows;
    int index = -1;
    void setRows(const std::vector<std::string> &drives) override { rows = drives, index = -1; }
    int rawCount() const override { return int(rows.size()); }
    int rawChosen() const override { return index; }
    void rawChoose(int row) override { index = row; }
};

struct FakeFolderList final : FakeRows<FolderListBox, FolderRow>
{
    void setRows(const std::vector<FolderRow> &folders, int current) override { rows = folders, index = current; }
};

struct FakeFileList final : FakeRows<FileListBox, FileRow>
{
    void setRows(const std::vector<FileRow> &files) override { rows = files, index = -1; }
};

// A window: logs "Show <name>" and "ShowModal <name>"; a modal show runs the
// face's next queued step for it and fails the test at once when none is
// queued for this window, or when the step leaves the window up.
struct FakeForm final : Form
{
    FakeForm(FakeFace &face, std::string name) : face(face), name(std::move(name)) {}
    void Show() override;
    void ShowModal() override;
    void Hide() override { visible = false; }
    void Unload() override { visible = false, unloaded = true; }
    bool Visible() const override { return visible; }
    int WindowState() const override { return state; }
    void setWindowState(int value) override { state = value; }
    void setCaption(const std::string &text) override { caption = text; }
    FakeFace &face;
    const std::string name;
    std::string caption;
    bool visible = false, unloaded = false;
    int state = vbNormal;
};

// What every fake view has: its window, and its buttons by design name with
// the handler each raises; "close" is the close box.
struct FakeView
{
    FakeView(FakeFace &face, const std::string &name);
    virtual ~FakeView();
    FakeFace &face;
    FakeForm window;
    std::map<std::string, FakeButton> buttons;
    std::map<std::string, std::function<void()>> handlers;
    // Wires each button to a handler of window w.
    template <typename W>
    void on(W &w, std::initializer_list<std::pair<const char *, void (W::*)()>> table)
    {
        for (const auto &entry : table)
            handlers[entry.first] = [&w, handler = entry.second] { (w.*handler)(); };
    }
};

struct FakeMainView final : MainView, FakeView
{
    FakeMainView(FakeFace &face, kl::main &w);
    Form &form() override { return window; }
    ListControl &List1() override { return list; }
    CommandButton &Run() override { return buttons["Run"]; }
    CommandButton &AllRan() override { return buttons["AllRan"]; }
    CommandButton &AppAdd() override { return buttons["AppAdd"]; }
    CommandButton &AppDel() override { return buttons["AppDel"]; }
    CommandButton &chenge() override { return buttons["chenge"]; }
    CommandButton &Command1() override { return buttons["Command1"]; }
    CommandButton &Exit() override { return buttons["Exit"]; }
    FakeList list;
};

struct FakeSetupView final : SetupView, FakeView
{
    FakeSetupView(FakeFace &face, kl::Setup &w);
    Form &form() override { return window; }
    DriveListBox &Drive1() override { return drives; }
    FolderListBox &Dir1() override { return folders; }
    FileListBox &File1() override { return files; }
    CommandButton &AddProgram() override { return buttons["AddProgram"]; }
    CommandButton &cxsetup() override { return buttons["cxsetup"]; }
    FakeDriveList drives;
    FakeFolderList folders;
    FakeFileList files;
};

struct FakeNamechengeView final : NamechengeView, FakeView
{
    FakeNamechengeView(FakeFace &face, kl::namechenge &w);
    Form &form() override { return window; }
    Label &whatname() override { return path; }
    TextBox &Text1() override { return name; }
    CommandButton &chenge() override { return buttons["chenge"]; }
    CommandButton &clear() override { return buttons["clear"]; }
    CommandButton &cancel() override { return buttons["cancel"]; }
    FakeLabel path;
    FakeTextBox name;
};

struct FakeSyoriView final : SyoriView, FakeView
{
    FakeSyoriView(FakeFace &face, kl::syori &w);
    Form &form() override { return window; }
    CommandButton &ok() override { return buttons["ok"]; }
};

struct FakeAboutView final : AboutView, FakeView
{
    FakeAboutView(FakeFace &face, kl::frmAbout &w, MainView *owner);
    Form &form() override { return window; }
    Label &lblVersion() override { return version; }
    Label &lblTitle() override { return title; }
    CommandButton &cmdOK() override { return buttons["cmdOK"]; }
    CommandButton &cmdSysInfo() override { return buttons["cmdSysInfo"]; }
    FakeLabel version, title;
    MainView *owner;
};

// Builds fake views and keeps the live one of each window by its name
// ("main", "Setup", "namechenge", "syori", "frmAbout"); counts the views built.
class FakeFace final : public Face
{
public:
    explicit FakeFace(CallLog &log) : log(log) {}
    std::unique_ptr<MainView> main(kl::main &w) override { return build<FakeMainView>(w); }
    std::unique_ptr<SetupView> Setup(kl::Setup &w) override { return build<FakeSetupView>(w); }
    std::unique_ptr<NamechengeView> namechenge(kl::namechenge &w) override { return build<FakeNamechengeView>(w); }
    std::unique_ptr<SyoriView> syori(kl::syori &w) override { return build<FakeSyoriView>(w); }
    std::unique_ptr<AboutView> frmAbout(kl::frmAbout &w, MainView *owner) override { return build<FakeAboutView>(w, owner); }

    // The next modal show, which must be of window, runs step.
    void whenModal(const std::string &window, std::function<void()> step) { m_modals.emplace_back(window, std::move(step)); }
    void runModal(FakeForm &form);

    CallLog &log;
    std::map<std::string, FakeView *> views;
    int built = 0;

private:
    template <typename View, typename... Args>
    std::unique_ptr<View> build(Args &...args)
    {
        ++built;
        return std::make_unique<View>(*this, args...);
    }
    std::deque<std::pair<std::string, std::function<void()>>> m_modals;
};

} // namespace kl::test
