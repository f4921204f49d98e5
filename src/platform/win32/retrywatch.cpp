#include "retrywatch.h"

#include <windows.h>

namespace kl::win32 {

namespace {

constexpr UINT_PTR TimerId = 1;
constexpr wchar_t ClassName[] = L"Kicklist.RetryWatch";

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == TimerId) {
        KillTimer(window, TimerId); // one call per arming
        if (auto *watch = reinterpret_cast<RetryWatch *>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            watch->due();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

RetryWatch::RetryWatch()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass); // fails harmlessly when registered already
    m_window = CreateWindowExW(0, ClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (m_window)
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RetryWatch::~RetryWatch()
{
    if (m_window)
        DestroyWindow(m_window);
}

void RetryWatch::follow(std::function<void()> changed)
{
    m_changed = std::move(changed);
    if (m_changed)
        arm(0);
}

void RetryWatch::retry()
{
    if (m_changed)
        arm(RetryMs);
}

void RetryWatch::arm(unsigned ms)
{
    if (m_window)
        SetTimer(m_window, TimerId, ms, nullptr);
}

void RetryWatch::due()
{
    // A copy: the call may replace or stop what is followed.
    if (const std::function<void()> changed = m_changed)
        changed();
}

} // namespace kl::win32
