// The list kept before the recovery dialog's reset, on Windows: a .reg file
// that brings both keys back as they were when opened (here as reg.exe
// imports it). Built for Windows only.
#ifdef _WIN32
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/resetcopy.h"

#include <doctest/doctest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kl;
namespace fs = std::filesystem;

TEST_CASE("the list kept before a reset opens back as it stood; no list stored, no copy")
{
    const std::string app = "KicklistResetTest";
    const fs::path folder = fs::temp_directory_path() / L"kicklist-reset-test";
    const auto clear = [&] { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KicklistResetTest"), fs::remove_all(folder); };
    clear();
    win32::RegistrySettingsStore store;
    win32::RegResetCopy copy(store, L"KicklistResetTest", folder.wstring());
    copy.keepBeforeReset();
    CHECK(copy.exportText().empty());
    CHECK(copy.copies().empty());
    // Texts a .reg file must escape or cannot quote: backslashes, quotes,
    // Japanese, a line break.
    const std::pair<std::string, std::string> stored[] = {
        {"AppCount", "2"}, {"1", "C:\\Program Files\\a b\\x.exe"}, {"2", "C:\\情報\\\"q\".exe"}};
    const std::pair<std::string, std::string> names[] = {{"AppCount", "2"}, {"1", "名前　one"}, {"2", "two\r\nlines"}};
    for (const auto &[key, value] : stored)
        store.SaveSetting(app, "SetApp", key, value);
    for (const auto &[key, value] : names)
        store.SaveSetting(app, "Appnames", key, value);
    store.commit(); // the copy is of what is in the registry

    for (int i = 0; i < win32::RegResetCopy::Kept + 2; ++i)
        copy.keepBeforeReset();
    const std::vector<std::wstring> copies = copy.copies();
    REQUIRE(copies.size() == std::size_t(win32::RegResetCopy::Kept));
    std::ifstream file(fs::path(copies.front()), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    const std::wstring header = L"\xFEFFWindows Registry Editor Version 5.00\r\n";
    CHECK(bytes.compare(0, header.size() * 2, reinterpret_cast<const char *>(header.data()), header.size() * 2) == 0);
    file.close();

    // The reset, and a program registered after it.
    store.SaveSetting(app, "SetApp", "AppCount", "0");
    store.SaveSetting(app, "Appnames", "AppCount", "0");
    store.SaveSetting(app, "SetApp", "3", "C:\\later.exe");
    store.commit();
    REQUIRE(_wsystem((L"reg.exe import \"" + copies.front() + L"\"").c_str()) == 0);
    for (const auto &[key, value] : stored)
        CHECK(store.GetSetting(app, "SetApp", key, "-") == value);
    for (const auto &[key, value] : names)
        CHECK(store.GetSetting(app, "Appnames", key, "-") == value);
    CHECK(store.GetSetting(app, "SetApp", "3", "-") == "-");
    store.commit();
    clear();
}
#endif
