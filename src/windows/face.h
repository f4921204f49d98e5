#pragma once

#include "platform/controls.h"

#include <memory>

namespace kl {

class main;
class Setup;
class namechenge;
class syori;
class frmAbout;

// The controls of each window that its handlers touch, by their design
// names. A face builds the window from its design, calls the window's
// handlers for what the user does, and destroys it with the view.
class MainView
{
public:
    virtual ~MainView() = default;
    virtual Form &form() = 0;
    virtual ListControl &List1() = 0;
    virtual CommandButton &Run() = 0;
    virtual CommandButton &AllRan() = 0;
    virtual CommandButton &AppAdd() = 0;
    virtual CommandButton &AppDel() = 0;
    virtual CommandButton &chenge() = 0;
    virtual CommandButton &Command1() = 0;
    virtual CommandButton &Exit() = 0;
};

class SetupView
{
public:
    virtual ~SetupView() = default;
    virtual Form &form() = 0;
    virtual DriveListBox &Drive1() = 0;
    virtual FolderListBox &Dir1() = 0;
    virtual FileListBox &File1() = 0;
    virtual CommandButton &AddProgram() = 0;
    virtual CommandButton &cxsetup() = 0;
};

class NamechengeView
{
public:
    virtual ~NamechengeView() = default;
    virtual Form &form() = 0;
    virtual Label &whatname() = 0;
    virtual TextBox &Text1() = 0;
    virtual CommandButton &chenge() = 0;
    virtual CommandButton &clear() = 0;
    virtual CommandButton &cancel() = 0;
};

class SyoriView
{
public:
    virtual ~SyoriView() = default;
    virtual Form &form() = 0;
    virtual CommandButton &ok() = 0;
};

class AboutView
{
public:
    virtual ~AboutView() = default;
    virtual Form &form() = 0;
    virtual Label &lblVersion() = 0;
    virtual Label &lblTitle() = 0;
    virtual CommandButton &cmdOK() = 0;
    virtual CommandButton &cmdSysInfo() = 0;
};

// The toolkit that draws the windows. Each call builds one window from its
// design, wired to the handlers of window, which outlives the view.
class Face
{
public:
    virtual ~Face() = default;
    virtual std::unique_ptr<MainView> main(kl::main &window) = 0;
    virtual std::unique_ptr<SetupView> Setup(kl::Setup &window) = 0;
    virtual std::unique_ptr<NamechengeView> namechenge(kl::namechenge &window) = 0;
    virtual std::unique_ptr<SyoriView> syori(kl::syori &window) = 0;
    // owner: the list window's view, which the about box belongs to (no
    // taskbar button of its own); nullptr when it is not loaded.
    virtual std::unique_ptr<AboutView> frmAbout(kl::frmAbout &window, MainView *owner) = 0;
};

} // namespace kl
