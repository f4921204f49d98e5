#include "winface.h"
#include "views.h"

#include "platform/win32/utf8.h"

#include <commctrl.h>

namespace kl::winui {

WinFace::WinFace(HINSTANCE instance)
    : m_instance(instance)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

std::unique_ptr<MainView> WinFace::main(kl::main &window)
{
    return std::make_unique<MainWindow>(m_instance, m_loop, window);
}

std::unique_ptr<SetupView> WinFace::Setup(kl::Setup &window)
{
    return std::make_unique<SetupWindow>(m_instance, m_loop, window);
}

std::unique_ptr<NamechengeView> WinFace::namechenge(kl::namechenge &window)
{
    return std::make_unique<NamechengeWindow>(m_instance, m_loop, window);
}

std::unique_ptr<SyoriView> WinFace::syori(kl::syori &window)
{
    return std::make_unique<SyoriWindow>(m_instance, m_loop, window);
}

std::unique_ptr<AboutView> WinFace::frmAbout(kl::frmAbout &window, MainView *owner)
{
    // Owned by the list window: no taskbar button of its own.
    auto *list = dynamic_cast<MainWindow *>(owner);
    return std::make_unique<AboutWindow>(m_instance, m_loop, window, list ? list->window().hwnd() : nullptr);
}

HWND windowOf(kl::MainView &view)
{
    return dynamic_cast<MainWindow &>(view).window().hwnd();
}

void bringForward(HWND listWindow)
{
    if (IsIconic(listWindow))
        ShowWindow(listWindow, SW_RESTORE);
    HWND front = listWindow;
    if (!IsWindowEnabled(listWindow)) {
        // A modal window of the same thread holds it: that one comes forward.
        struct Search
        {
            HWND list;
            HWND found;
        } search{listWindow, nullptr};
        EnumThreadWindows(
            GetWindowThreadProcessId(listWindow, nullptr),
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto &s = *reinterpret_cast<Search *>(param);
                if (hwnd == s.list || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)
                    || (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
                    return TRUE;
                s.found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found)
            front = search.found;
    }
    SetForegroundWindow(front);
}

int messageBoxAnswer(int buttons, int id)
{
    if (buttons != vbOKCancel)
        return vbOK; // wine answers Esc on an OK-only box with IDCANCEL
    return id == IDOK ? vbOK : vbCancel;
}

int WinMessageBoxes::MsgBox(const std::string &prompt, int buttons, const std::string &title)
{
    const UINT type = (buttons == vbOKCancel ? MB_OKCANCEL : MB_OK) | MB_TASKMODAL;
    const int id = MessageBoxW(GetActiveWindow(), win32::widen(prompt).c_str(), win32::widen(title).c_str(), type);
    return messageBoxAnswer(buttons, id);
}

} // namespace kl::winui
