// The Windows program: the same wiring as main.cpp on Linux, over the
// registry, the shell and the Win32 face. kicklist.exe is a GUI program;
// kicklist-cli.exe, built from this same file with KICKLIST_CONSOLE, is its
// console twin for the command line (see wincommandline.cpp).
#include "commandline.h"
#include "platform/runtime.h"
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/registrywatch.h"
#include "platform/win32/resetcopy.h"
#include "platform/win32/shellstarter.h"
#include "platform/win32/utf8.h"
#include "platform/win32/win32registry.h"
#include "platform/win32/windrives.h"
#include "store/appstore.h"
#include "wincommandline.h"
#include "windows/forms.h"
#include "windows/main.h"
#include "winui/winface.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Ends the process at once, as the list window's end does: no destructor,
// no further message.
class ExitNow final : public kl::ProcessControl
{
public:
    [[noreturn]] void end() override
    {
        std::fflush(nullptr);
        ExitProcess(0);
    }
};

// One instance per user and settings key: a named mutex in the session's
// namespace, held for the process's life, named after the key the list is
// kept under.
std::wstring instanceName()
{
    const std::wstring key = L"HKEY_CURRENT_USER\\Software\\" + kl::win32::widen(kl::AppStore::application());
    std::uint32_t hash = 2166136261u; // FNV-1a of the key, letter case aside as the registry does
    for (const wchar_t c : key) {
        hash ^= std::uint32_t(std::towupper(c));
        hash *= 16777619u;
    }
    wchar_t hex[9];
    std::swprintf(hex, 9, L"%08x", hash);
    return L"Local\\Kicklist-" + std::wstring(hex);
}

// The running instance's list window, forward: restored, raised, focused (or
// the modal window in front of it). It may still be starting: asked a while.
void showOther()
{
    for (int tries = 0; tries < 50; ++tries, Sleep(100)) {
        const HWND list = FindWindowW(L"Kicklist.main", nullptr);
        if (!list)
            continue;
        DWORD process = 0;
        GetWindowThreadProcessId(list, &process);
        AllowSetForegroundWindow(process);
        if (IsIconic(list))
            ShowWindow(list, SW_RESTORE);
        kl::winui::bringForward(GetLastActivePopup(list));
        return;
    }
}

int run(HINSTANCE instance)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::wstring program = argc > 0 ? argv[0] : L"kicklist";
    LocalFree(argv);
    // The window takes no arguments: any argument is the command line's.
    if (!args.empty())
        return kl::commandline::runWindows(program, args);

    // Before anything is read: a second instance only brings the first forward.
    const HANDLE held = CreateMutexW(nullptr, TRUE, instanceName().c_str());
    if (held && GetLastError() == ERROR_ALREADY_EXISTS) {
        showOther();
        return 0;
    }

    kl::win32::RegistrySettingsStore settings;
    kl::win32::ShellStarter starter;
    kl::winui::WinMessageBoxes boxes;
    ExitNow process;
    kl::Runtime runtime(settings, starter, boxes, process);
    kl::AppStore store(settings);
    kl::win32::WinDriveSystem drives;
    kl::win32::Win32Registry registry;
    kl::winui::WinFace face(instance);
    // The list window follows the key as other processes write it.
    kl::win32::RegistryWatch storeWatch(kl::AppStore::application());
    face.loop().waitFor(storeWatch.event(), [&storeWatch] { storeWatch.signalled(); });
    face.loop().waitFor(storeWatch.retryTimer(), [&storeWatch] { storeWatch.retryDue(); });
    kl::win32::RegResetCopy resetCopy(settings, kl::win32::widen(kl::AppStore::application()));
    kl::Forms forms(kl::Platform{runtime, store, drives, registry, face, &storeWatch, &resetCopy});
    forms.main().view().form().Show();
    return face.loop().run();
}

} // namespace

#ifdef KICKLIST_CONSOLE
int wmain()
{
    return run(GetModuleHandleW(nullptr));
}
#else
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return run(instance);
}
#endif
