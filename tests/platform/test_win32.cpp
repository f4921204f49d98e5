// The Win32 implementations of the shared interfaces: UTF-8 in and out,
// whatever the ANSI code page. Built for Windows only.
#ifdef _WIN32
#include "platform/runtimeerror.h"
#include "platform/win32/registryapi.h"
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/shellstarter.h"
#include "platform/win32/utf8.h"
#include "platform/win32/win32registry.h"

#include <doctest/doctest.h>

#include <windows.h>

using namespace kl;

TEST_CASE("registry text from the ANSI code page as UTF-8")
{
    // A text each code page holds beyond ASCII.
    const std::string text = GetACP() == 932 ? "C:\\情報\\ﾂｰﾙ.exe" : "C:\\café\\tool.exe";
    win32::Win32Registry registry;
    CHECK(registry.textOf(win32::toAnsiCodePage(win32::widen(text))) == text);
    CHECK(registry.textOf({}).empty());
}

TEST_CASE("settings in the registry, UTF-8 and letter case aside")
{
    win32::RegistrySettingsStore store;
    const std::string app = "KicklistSharedTest", value = "プログラム　キックリスト① C:\\a b\\";
    store.SaveSetting(app, "セクション", "日本語のキー", value);
    store.SaveSetting(app, "Sec", "Key", "first");
    store.SaveSetting("KICKLISTSHAREDTEST", "SEC", "KEY", "second");
    CHECK(store.GetSetting(app, "セクション", "日本語のキー", "def") == value);
    CHECK(store.GetSetting("kicklistsharedtest", "sec", "key", "def") == "second");
    CHECK(store.GetSetting(app, "Sec", "Missing", "default") == "default");
    store.DeleteSetting(app, "sec", "KEY");
    store.DeleteSetting(app, "セクション", "日本語のキー");
    CHECK(store.GetSetting(app, "Sec", "Key", "gone") == "gone");
    int number = 0;
    try {
        store.DeleteSetting(app, "Sec", "Key");
    } catch (const RuntimeError &e) {
        number = e.number();
    }
    CHECK(number == err::InvalidProcedureCall);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KicklistSharedTest");
}

TEST_CASE("a program that cannot start says why, in UTF-8")
{
    for (const auto &[path, number] : {std::pair{std::string(), err::InvalidProcedureCall},
                                       {std::string("C:\\無い\\missing-program.exe"), err::FileNotFound}}) {
        CAPTURE(path);
        try {
            win32::ShellStarter().Shell(path, vbNormalFocus);
            FAIL("started");
        } catch (const RuntimeError &e) {
            CHECK(e.number() == number);
            CHECK(win32::narrow(win32::widen(e.description())) == e.description()); // well-formed UTF-8
        }
    }
}
#endif
