#include "window.h"

namespace kl::winui {

LRESULT CALLBACK Window::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<Window *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

void Window::command(int id, int code)
{
    // Enter and Esc reach the window as IDOK and IDCANCEL; only a window
    // with a cancel button acts on Esc (Enter comes as the default's id).
    if (id == IDCANCEL || id == IDOK) {
        for (const Item &item : m_items)
            if (id == IDCANCEL ? item.design->cancel : item.design->isDefault) {
                id = item.id;
                code = BN_CLICKED;
            }
    }
    const auto found = m_commands.find(id);
    if (found != m_commands.end())
        found->second(code);
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        // Enter presses a focused button in the dialogs, as their buttons
        // do in the Qt face; the list window's buttons take only Space.
        if (m_design.name != "main")
            for (const Item &item : m_items)
                if (item.hwnd == GetFocus() && item.design->kind == design::Kind::CommandButton)
                    return MAKELRESULT(item.id, DC_HASDEFID);
        for (const Item &item : m_items)
            if (item.design->isDefault)
                return MAKELRESULT(item.id, DC_HASDEFID);
        return 0;
    case WM_CLOSE:
        // The close box is the handlers' to act on.
        if (m_close)
            m_close();
        return 0;
    case WM_DRAWITEM: {
        const auto *draw = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        SendMessageW(draw->hwndItem, kDrawItem, 0, lParam);
        return TRUE;
    }
    case WM_MEASUREITEM:
        // Sent while a list is made; the list sets its row height itself.
        reinterpret_cast<MEASUREITEMSTRUCT *>(lParam)->itemHeight = 16;
        return TRUE;
    case WM_CTLCOLORSTATIC:
        for (const Item &item : m_items) {
            if (item.hwnd != reinterpret_cast<HWND>(lParam))
                continue;
            if (item.lineBrush)
                return reinterpret_cast<LRESULT>(item.lineBrush);
            if (item.design->kind == design::Kind::Label) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(0, 0, 0));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
        }
        break;
    case WM_ACTIVATE:
        // Focus comes back to the control that had it, as in a dialog.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(m_hwnd, focus))
                m_focus = focus;
            return 0;
        }
        if (!m_focus || !IsWindow(m_focus) || !IsWindowEnabled(m_focus))
            m_focus = GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
        if (m_focus)
            SetFocus(m_focus);
        return 0;
    case kTextChanged:
        for (Item &item : m_items)
            if (item.hwnd == reinterpret_cast<HWND>(lParam))
                fit(item);
        return 0;
    case WM_DPICHANGED: {
        const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
        layOut(HIWORD(wParam));
        setIcons();
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

} // namespace kl::winui
