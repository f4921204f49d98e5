#pragma once

#include "controls.h"
#include "window.h"

#include "windows/face.h"

namespace kl::winui {

// The five windows drawn over Win32: each builds its design's window and
// routes the user's actions to its handlers. The window is destroyed first
// when a view goes, its controls' adapters after.

class MainWindow final : public kl::MainView
{
public:
    MainWindow(HINSTANCE instance, MessageLoop &loop, kl::main &window);
    ~MainWindow() override { m_window.destroy(); }
    Window &window() { return m_window; }

    Form &form() override { return m_window; }
    ListControl &List1() override { return m_list; }
    CommandButton &Run() override { return m_run; }
    CommandButton &AllRan() override { return m_allRan; }
    CommandButton &AppAdd() override { return m_appAdd; }
    CommandButton &AppDel() override { return m_appDel; }
    CommandButton &chenge() override { return m_chenge; }
    CommandButton &Command1() override { return m_command1; }
    CommandButton &Exit() override { return m_exit; }

private:
    Window m_window;
    ListBox m_list;
    Button m_run, m_allRan, m_appAdd, m_appDel, m_chenge, m_command1, m_exit;
};

class SetupWindow final : public kl::SetupView
{
public:
    SetupWindow(HINSTANCE instance, MessageLoop &loop, kl::Setup &window);
    ~SetupWindow() override { m_window.destroy(); }

    Form &form() override { return m_window; }
    DriveListBox &Drive1() override { return m_drive1; }
    FolderListBox &Dir1() override { return m_dir1; }
    FileListBox &File1() override { return m_file1; }
    CommandButton &AddProgram() override { return m_addProgram; }
    CommandButton &cxsetup() override { return m_cxsetup; }

private:
    Window m_window;
    DriveCombo m_drive1;
    FolderList m_dir1;
    FileList m_file1;
    Button m_addProgram, m_cxsetup;
};

class NamechengeWindow final : public kl::NamechengeView
{
public:
    NamechengeWindow(HINSTANCE instance, MessageLoop &loop, kl::namechenge &window);
    ~NamechengeWindow() override { m_window.destroy(); }

    Form &form() override { return m_window; }
    Label &whatname() override { return m_whatname; }
    TextBox &Text1() override { return m_text1; }
    CommandButton &chenge() override { return m_chenge; }
    CommandButton &clear() override { return m_clear; }
    CommandButton &cancel() override { return m_cancel; }

private:
    Window m_window;
    StaticLabel m_whatname;
    EditBox m_text1;
    Button m_chenge, m_clear, m_cancel;
};

class SyoriWindow final : public kl::SyoriView
{
public:
    SyoriWindow(HINSTANCE instance, MessageLoop &loop, kl::syori &window);
    ~SyoriWindow() override { m_window.destroy(); }

    Form &form() override { return m_window; }
    CommandButton &ok() override { return m_ok; }

private:
    Window m_window;
    Button m_ok;
};

class AboutWindow final : public kl::AboutView
{
public:
    // owner: the list window, nullptr when there is none.
    AboutWindow(HINSTANCE instance, MessageLoop &loop, kl::frmAbout &window, HWND owner);
    ~AboutWindow() override { m_window.destroy(); }

    Form &form() override { return m_window; }
    Label &lblVersion() override { return m_lblVersion; }
    Label &lblTitle() override { return m_lblTitle; }
    CommandButton &cmdOK() override { return m_cmdOK; }
    CommandButton &cmdSysInfo() override { return m_cmdSysInfo; }

private:
    Window m_window;
    StaticLabel m_lblVersion, m_lblTitle;
    Button m_cmdOK, m_cmdSysInfo;
};

} // namespace kl::winui
