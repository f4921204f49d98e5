#include "subclass.h"

namespace kl::winui {

namespace {
constexpr const wchar_t *kProperty = L"Kicklist.Subclass";
}

Subclass::Subclass(HWND control, Proc proc)
    : m_control(control)
    , m_proc(std::move(proc))
{
    SetPropW(m_control, kProperty, this);
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
        RemovePropW(m_control, kProperty);
    }
}

LRESULT CALLBACK Subclass::route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *self = static_cast<Subclass *>(GetPropW(hwnd, kProperty));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control goes before its owner object: hand it back untouched.
        const WNDPROC original = self->m_original;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(hwnd, kProperty);
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    return self->m_proc(message, wParam, lParam, self->m_next);
}

} // namespace kl::winui
