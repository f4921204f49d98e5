#include "window.h"

#include "platform/win32/utf8.h"

namespace kl::winui {

void dispatchMessage(MSG &msg)
{
    if (Window *window = Window::of(GetAncestor(msg.hwnd, GA_ROOT))) {
        window->relayToTips(msg);
        if (window->dialogKey(msg))
            return;
    }
    const HWND active = GetActiveWindow();
    if (active && IsDialogMessageW(active, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Window::Show()
{
    m_unloaded = false;
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
}

void Window::ShowModal()
{
    m_unloaded = false;
    // The other windows of the thread wait: at least the owner, and every
    // window the user could otherwise reach, hidden ones aside.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM self) -> BOOL {
            auto *window = reinterpret_cast<Window *>(self);
            if (hwnd != window->m_hwnd && GetWindow(hwnd, GW_OWNER) != window->m_hwnd && IsWindowVisible(hwnd)
                && IsWindowEnabled(hwnd)) {
                EnableWindow(hwnd, FALSE);
                window->m_disabled.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    m_modal = true;
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    MSG msg{};
    while (m_modal && m_hwnd && IsWindowVisible(m_hwnd)) {
        if (!m_loop.next(msg)) {
            // The program is quitting: the loop outside must see it too.
            PostQuitMessage(msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        dispatchMessage(msg);
    }
    endModal();
}

void Window::endModal()
{
    if (!m_modal)
        return;
    m_modal = false;
    // Before the window hides, so that activation goes back to them.
    for (HWND hwnd : m_disabled)
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
    m_disabled.clear();
}

void Window::Hide()
{
    endModal();
    if (m_hwnd)
        ShowWindow(m_hwnd, SW_HIDE);
}

void Window::Unload()
{
    m_unloaded = true;
    Hide();
}

bool Window::Visible() const
{
    return m_hwnd && !m_unloaded && IsWindowVisible(m_hwnd);
}

int Window::WindowState() const
{
    return IsIconic(m_hwnd) ? vbMinimized : vbNormal;
}

void Window::setWindowState(int state)
{
    if (state == vbMinimized) {
        if (!IsIconic(m_hwnd))
            ShowWindow(m_hwnd, IsWindowVisible(m_hwnd) ? SW_MINIMIZE : SW_SHOWMINNOACTIVE);
    } else if (IsIconic(m_hwnd)) {
        ShowWindow(m_hwnd, SW_RESTORE);
    }
}

void Window::setCaption(const std::string &caption)
{
    SetWindowTextW(m_hwnd, win32::widen(caption).c_str());
}

} // namespace kl::winui
