// Shows the list window (and, by argument, "Setup", "namechenge", "syori" or
// "frmAbout" beside it) over fakes with three programs, for a look at the
// real thing under wine; runs until the list window is closed.
#include "support/std/fakes.h"

#include "platform/drives.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/forms.h"
#include "windows/Setup.h"
#include "windows/frmAbout.h"
#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"
#include "winui/winface.h"

#include <cstdlib>

using namespace kl;
using namespace kl::test;

namespace {
struct Quit final : public ProcessControl
{
    [[noreturn]] void end() override { ExitProcess(0); }
};
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int)
{
    CallLog log;
    FakeSettings settings{log};
    settings.putPrograms(3);
    FakeStarter starter{log};
    winui::WinMessageBoxes boxes;
    Quit process;
    Runtime runtime{settings, starter, boxes, process};
    AppStore store{settings};
    FakeDrives drives;
    drives.system = drives.currentDriveText = "c:";
    drives.driveList = {"c:"};
    drives.current = paths::folderPath("c:");
    drives.tree[drives.current] = {{"Program Files", "Windows"}, {"new.exe", "tool.exe"}, {"bad"}, {"bad.exe"}};
    FakeRegistry registry{log};
    winui::WinFace face{instance};
    Forms forms{Platform{runtime, store, drives, registry, face, nullptr}};
    forms.main().view().form().Show();
    const std::wstring which = args;
    if (which == L"Setup")
        forms.Setup().view().form().Show();
    else if (which == L"namechenge")
        forms.namechenge().OpenForRow(0);
    else if (which == L"syori")
        forms.syori().view().form().Show();
    else if (which == L"frmAbout")
        forms.frmAbout().view().form().Show();
    return winui::runMessageLoop();
}
