#include "messageloop.h"
#include "window.h"

#include <algorithm>

namespace kl::winui {

void MessageLoop::waitFor(HANDLE handle, std::function<void()> signalled)
{
    const auto at = std::find(m_handles.begin(), m_handles.end(), handle);
    const auto index = at - m_handles.begin();
    if (at != m_handles.end()) {
        m_handles.erase(at);
        m_signalled.erase(m_signalled.begin() + index);
    }
    if (handle && signalled) {
        m_handles.push_back(handle);
        m_signalled.push_back(std::move(signalled));
    }
}

bool MessageLoop::next(MSG &msg)
{
    for (;;) {
        // A set handle comes first: a stream of messages does not starve it.
        const auto count = static_cast<DWORD>(m_handles.size());
        const DWORD woken = MsgWaitForMultipleObjectsEx(count, m_handles.data(), INFINITE, QS_ALLINPUT,
                                                        MWMO_INPUTAVAILABLE);
        if (woken < WAIT_OBJECT_0 + count) {
            // A copy: the call may change what is waited for.
            const std::function<void()> signalled = m_signalled[woken - WAIT_OBJECT_0];
            signalled();
            continue;
        }
        if (woken == WAIT_FAILED)
            return GetMessageW(&msg, nullptr, 0, 0) > 0;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            return msg.message != WM_QUIT;
    }
}

int MessageLoop::run()
{
    MSG msg{};
    while (next(msg))
        dispatchMessage(msg);
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 1;
}

} // namespace kl::winui
