#pragma once

#include "win.h"

#include <functional>

namespace kl::winui {

// A control's window procedure taken over: proc sees each message first and
// calls next for the control's own handling. Lives as long as the control;
// it restores the control's procedure when it goes first.
class Subclass final
{
public:
    using Next = std::function<LRESULT(UINT, WPARAM, LPARAM)>;
    using Proc = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam, const Next &next)>;

    Subclass(HWND control, Proc proc);
    ~Subclass();
    Subclass(const Subclass &) = delete;
    Subclass &operator=(const Subclass &) = delete;

private:
    static LRESULT CALLBACK route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_control;
    WNDPROC m_original;
    Proc m_proc;
    Next m_next;
};

} // namespace kl::winui
