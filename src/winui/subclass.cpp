#include "subclass.h"

namespace kl::winui {

// The control's GWLP_USERDATA, the application's own on the system's
// control classes, finds this object: a window property would cost wine a
// call to its server for every message the control gets.
Subclass::Subclass(HWND control, Proc proc)
    : m_control(control)
    , m_proc(std::move(proc))
{
    SetWindowLongPtrW(m_control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::route)));
    m_next = [this](UINT message, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcW(m_original, m_control, message, wParam, lParam);
    };
}

Subclass::~Subclass()
{
    if (IsWindow(m_control)) {
        SetWindowLongPtrW(m_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        SetWindowLongPtrW(m_control, GWLP_USERDATA, 0);
    }
}

LRESULT CALLBACK Subclass::route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<Subclass *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control goes before its owner object: hand it back untouched.
        const WNDPROC original = self->m_original;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    return self->m_proc(message, wParam, lParam, self->m_next);
}

} // namespace kl::winui
