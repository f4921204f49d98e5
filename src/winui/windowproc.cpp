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
    // IDOK and IDCANCEL, as the dialog manager sends them, press the
    // design's default and cancel buttons; a window without them ignores them.
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

bool Window::dialogKey(const MSG &msg)
{
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE))
        return false;
    // A control that asks for the key takes it: the name box, the folder
    // list, a drop-down list that is open.
    const auto wants = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (msg.hwnd != m_hwnd && (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)))
        return false;
    // Otherwise only a window whose design has a default button acts on
    // Enter, as a dialog does: the focused button, else the default; Esc
    // presses the design's cancel button. Without them the keys do nothing.
    const bool enter = msg.wParam == VK_RETURN;
    const Item *pressed = nullptr;
    for (const Item &item : m_items)
        if (enter ? item.design->isDefault : item.design->cancel)
            pressed = &item;
    if (pressed && enter)
        for (const Item &item : m_items)
            if (item.hwnd == GetFocus() && item.design->kind == design::Kind::CommandButton)
                pressed = &item;
    if (pressed && IsWindowEnabled(pressed->hwnd))
        command(pressed->id, BN_CLICKED);
    return true;
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
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
            // A line is drawn in the system colour its design names.
            if (item.design->colour != design::SystemColour::None)
                return reinterpret_cast<LRESULT>(GetSysColorBrush(
                    item.design->colour == design::SystemColour::ButtonShadow ? COLOR_3DSHADOW : COLOR_3DHIGHLIGHT));
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
