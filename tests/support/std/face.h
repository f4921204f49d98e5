#pragma once

#include "fakes.h"

#include "platform/controls.h"
#include "windows/Setup.h"
#include "windows/face.h"
#include "windows/frmAbout.h"
#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

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
    void Unload() override { visible = false; }
    bool Visible() const override { return visible; }
    int WindowState() const override { return state; }
    void setWindowState(int value) override { state = value; }
    void setCaption(const std::string &text) override { caption = text; }
    FakeFace &face;
    const std::string name;
    std::string caption;
    bool visible = false;
    int state = vbNormal;
};

// What every fake view has: its window, and its buttons by design name with
// the handler each raises; "close" is the close box.
// A view's button: the one of its design name.
#define KL_BUTTON(name) CommandButton &name() override { return buttons[#name]; }

struct FakeView
{
    FakeView(FakeFace &face, const std::string &name);
    virtual ~FakeView();
    FakeFace &face;
    CallLog &log;
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
    FakeMainView(FakeFace &face, kl::main &w) : FakeView(face, "main"), list(log)
    {
        on(w, {{"Run", &main::Run_Click}, {"AllRan", &main::AllRan_Click}, {"AppAdd", &main::AppAdd_Click},
               {"AppDel", &main::AppDel_Click}, {"chenge", &main::chenge_Click}, {"Command1", &main::Command1_Click},
               {"Exit", &main::Exit_Click}, {"close", &main::Unload}});
    }
    Form &form() override { return window; }
    ListControl &List1() override { return list; }
    KL_BUTTON(Run) KL_BUTTON(AllRan) KL_BUTTON(AppAdd) KL_BUTTON(AppDel) KL_BUTTON(chenge) KL_BUTTON(Command1) KL_BUTTON(Exit)
    FakeList list;
};

struct FakeSetupView final : SetupView, FakeView
{
    FakeSetupView(FakeFace &face, kl::Setup &w) : FakeView(face, "Setup")
    {
        on(w, {{"AddProgram", &Setup::AddProgram_Click}, {"cxsetup", &Setup::cxsetup_Click}, {"close", &Setup::Unload}});
    }
    Form &form() override { return window; }
    DriveListBox &Drive1() override { return drives; }
    FolderListBox &Dir1() override { return folders; }
    FileListBox &File1() override { return files; }
    KL_BUTTON(AddProgram) KL_BUTTON(cxsetup)
    FakeDriveList drives;
    FakeFolderList folders;
    FakeFileList files;
};

struct FakeNamechengeView final : NamechengeView, FakeView
{
    FakeNamechengeView(FakeFace &face, kl::namechenge &w) : FakeView(face, "namechenge")
    {
        on(w, {{"chenge", &namechenge::chenge_Click}, {"clear", &namechenge::clear_Click}, {"cancel", &namechenge::cancel_Click},
               {"close", &namechenge::Unload}});
    }
    Form &form() override { return window; }
    Label &whatname() override { return path; }
    TextBox &Text1() override { return name; }
    KL_BUTTON(chenge) KL_BUTTON(clear) KL_BUTTON(cancel)
    FakeLabel path;
    FakeTextBox name;
};

struct FakeSyoriView final : SyoriView, FakeView
{
    FakeSyoriView(FakeFace &face, kl::syori &w) : FakeView(face, "syori") { on(w, {{"ok", &syori::ok_Click}, {"close", &syori::Unload}}); }
    Form &form() override { return window; }
    KL_BUTTON(ok)
};

struct FakeAboutView final : AboutView, FakeView
{
    FakeAboutView(FakeFace &face, kl::frmAbout &w, MainView *owner) : FakeView(face, "frmAbout"), owner(owner)
    {
        on(w, {{"cmdOK", &frmAbout::cmdOK_Click}, {"cmdSysInfo", &frmAbout::cmdSysInfo_Click}, {"close", &frmAbout::Unload}});
    }
    Form &form() override { return window; }
    Label &lblVersion() override { return version; }
    Label &lblTitle() override { return title; }
    KL_BUTTON(cmdOK) KL_BUTTON(cmdSysInfo)
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

#undef KL_BUTTON

} // namespace kl::test
