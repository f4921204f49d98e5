// The watch on the settings' key: a call soon after following, one after
// each change of any process below the key, and the key's coming and going
// seen from the deepest key there is, and one call per retry. Built for Windows only.
#ifdef _WIN32
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/registrywatch.h"

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
    write("SetApp", "C:\\a.exe");
    CHECK(setThenCalled(watch));
    write("Appnames", "a");
    CHECK(setThenCalled(watch));
    write("SetApp", "C:\\b.exe");
    CHECK(setThenCalled(watch));
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
#endif
