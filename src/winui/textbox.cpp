#include "controls.h"
#include "wintext.h"

namespace kl::winui {

namespace {

int shiftState()
{
    const auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return (down(VK_SHIFT) ? 1 : 0) | (down(VK_CONTROL) ? 2 : 0) | (down(VK_MENU) ? 4 : 0);
}

} // namespace

EditBox::EditBox(HWND edit, KeyDown keyDown)
    : m_edit(edit)
    , m_keyDown(std::move(keyDown))
    , m_subclass(edit, [this](UINT message, WPARAM wParam, LPARAM lParam, const Subclass::Next &next) -> LRESULT {
        switch (message) {
        case WM_GETDLGCODE:
            // Enter and Esc are the text box's, not the dialog keys'.
            if (lParam && reinterpret_cast<const MSG *>(lParam)->message == WM_KEYDOWN
                && (wParam == VK_RETURN || wParam == VK_ESCAPE))
                return next(message, wParam, lParam) | DLGC_WANTALLKEYS;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // The edit takes the key only if the window is still there.
            if (!m_keyDown(static_cast<int>(wParam), shiftState()))
                return 0;
            break;
        case WM_CHAR:
            // A single-line edit has no use for these but a beep.
            if (wParam == L'\r' || wParam == 0x1b)
                return 0;
            break;
        default:
            break;
        }
        return next(message, wParam, lParam);
    })
{
}

std::string EditBox::Text() const
{
    return windowText(m_edit);
}

void EditBox::setText(const std::string &text)
{
    SetWindowTextW(m_edit, win32::widen(text).c_str());
}

} // namespace kl::winui
