// The list window's store watch on Windows: calls from the message loop,
// once after following and once per retry. Built for Windows only.
#ifdef _WIN32
#include "platform/win32/retrywatch.h"

#include <doctest/doctest.h>

#include <windows.h>

namespace {

// Runs the thread's message loop until calls reaches want, for ms at most.
bool pumpUntil(const int &calls, int want, ULONGLONG ms = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    MSG msg;
    while (calls < want && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return calls >= want;
}

} // namespace

TEST_CASE("the Windows store watch calls once after following and once per retry, from the message loop")
{
    kl::win32::RetryWatch watch;
    int calls = 0;
    watch.follow([&] { ++calls; });
    CHECK(calls == 0); // not before the loop turns
    CHECK(pumpUntil(calls, 1));
    watch.retry();
    CHECK(pumpUntil(calls, 2));
    // One call per retry, not a repeating timer; none once no one follows.
    const ULONGLONG pastDue = 2 * kl::win32::RetryWatch::RetryMs + 500;
    CHECK(!pumpUntil(calls, 3, pastDue));
    watch.follow({});
    watch.retry();
    CHECK(!pumpUntil(calls, 3, pastDue));
}
#endif
