// The watch on the settings' key: a call soon after following, one after
// each change of any process below the key, and the key's coming and going
// seen from the deepest key there is, and one call per retry. Built for Windows only.
#ifdef _WIN32
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/registrywatch.h"
#include "platform/win32/settingslock.h"

#include <doctest/doctest.h>

#include <windows.h>

using namespace kl;

namespace {

// What the message loop does: whether the event is set (after a change,
// within a bound), and if so the watch's call.
bool setThenCalled(win32::RegistryWatch &watch, DWORD bound = 5000)
{
    if (WaitForSingleObject(watch.event(), bound) != WAIT_OBJECT_0)
        return false;
    watch.signalled();
    return true;
}

} // namespace

TEST_CASE("the watch on the settings' key")
{
    const std::string app = "KicklistWatchTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KicklistWatchTest");
    win32::RegistrySettingsStore store;
    const auto write = [&](const std::string &section, const std::string &value) {
        store.SaveSetting(app, section, "1", value);
        store.commit();
    };
    win32::RegistryWatch watch(app);
    int calls = 0;
    watch.follow([&] { ++calls; });

    // The first call, with nothing stored yet; then none until a change.
    CHECK(setThenCalled(watch, 0));
    CHECK(calls == 1);
    CHECK_FALSE(setThenCalled(watch, 0));
    // The key appears; values change in each section; the key goes.
    for (const auto &[section, value] : {std::pair{"SetApp", "C:\\a.exe"}, {"Appnames", "a"}, {"SetApp", "C:\\b.exe"}}) {
        write(section, value);
        CHECK(setThenCalled(watch));
    }
    CHECK(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KicklistWatchTest") == ERROR_SUCCESS);
    CHECK(setThenCalled(watch));
    write("Appnames", "again");
    CHECK(setThenCalled(watch));
    CHECK(calls == 6);
    // A store found in use is tried again once, changed or not.
    watch.retry();
    CHECK(WaitForSingleObject(watch.retryTimer(), 5000) == WAIT_OBJECT_0);
    watch.retryDue();
    CHECK(calls == 7);
    CHECK(WaitForSingleObject(watch.retryTimer(), 2 * win32::RegistryWatch::RetryMs) == WAIT_TIMEOUT);
    // Stopped: a change calls nothing, nor does a retry.
    watch.follow({});
    write("Appnames", "later");
    setThenCalled(watch, 0);
    watch.retry();
    CHECK(WaitForSingleObject(watch.retryTimer(), 2 * win32::RegistryWatch::RetryMs) == WAIT_TIMEOUT);
    CHECK(calls == 7);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KicklistWatchTest");
}

TEST_CASE("a retry while another holds the settings looks again later, without waiting for them")
{
    struct Holder
    {
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    } holder;
    const HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *arg) -> DWORD {
            auto &h = *static_cast<Holder *>(arg);
            kl::win32::SettingsLock lock(L"KicklistWatchTest", "test");
            SetEvent(h.held);
            WaitForSingleObject(h.release, INFINITE);
            return 0;
        },
        &holder, 0, nullptr);
    REQUIRE(WaitForSingleObject(holder.held, 5000) == WAIT_OBJECT_0);

    win32::RegistryWatch watch("KicklistWatchTest");
    int calls = 0;
    watch.follow([&] { ++calls; });
    watch.retry();
    REQUIRE(WaitForSingleObject(watch.retryTimer(), 5000) == WAIT_OBJECT_0);
    watch.retryDue();
    CHECK(calls == 0); // still held: no read, and another look later
    CHECK(WaitForSingleObject(watch.retryTimer(), 5000) == WAIT_OBJECT_0);

    SetEvent(holder.release);
    WaitForSingleObject(thread, 5000);
    watch.retryDue();
    CHECK(calls == 1);
    for (HANDLE h : {thread, holder.held, holder.release})
        CloseHandle(h);
}
#endif
