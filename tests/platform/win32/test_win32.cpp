// The Win32 implementations of the shared interfaces: UTF-8 in and out,
// whatever the ANSI code page. Built for Windows only.
#ifdef _WIN32
#include "platform/runtimeerror.h"
#include "platform/win32/shellstarter.h"
#include "platform/win32/utf8.h"
#include "platform/win32/runentry.h"
#include "platform/win32/win32registry.h"
#include "platform/win32/windrives.h"
#include "support/std/fakes.h"

#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace kl;

TEST_CASE("registry text from the ANSI code page as UTF-8")
{
    // A text each code page holds beyond ASCII.
    const std::string text = GetACP() == 932 ? "C:\\情報\\ﾂｰﾙ.exe" : "C:\\café\\tool.exe";
    win32::Win32Registry registry;
    CHECK(registry.textOf(win32::toAnsiCodePage(win32::widen(text))) == text);
    CHECK(registry.textOf({}).empty());
}

// <windows.h> spells these as macros; here they are the interface's.
#undef RegOpenKeyEx
#undef RegQueryValueEx

// The about box's reads: HKEY_LOCAL_MACHINE, read access, a 1,024-byte buffer.
TEST_CASE("machine-wide values read as the Win32 calls answer")
{
    const std::string text = win32::toAnsiCodePage(L"C:\\Program Files\\情報\\tool.exe") + '\0', full(1023, 'x');
    for (const auto &[name, data] : {std::pair{"Present", text}, {"Empty", ""}, {"Exact", full + '\0'}, {"Over", full + "x" + '\0'}})
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KicklistSharedTest", name, REG_SZ, data.data(), DWORD(data.size()));

    win32::Win32Registry registry;
    std::uint32_t key = 77;
    CHECK(registry.RegOpenKeyEx(reg::LocalMachine, "SOFTWARE\\KicklistSharedTest\\Missing", 0, reg::Read, key) == reg::FileNotFound);
    CHECK(key == 77); // untouched
    REQUIRE(registry.RegOpenKeyEx(reg::LocalMachine, "software\\kicklistsharedtest", 0, reg::Read, key) == reg::Success);
    const HKEY handle = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
    CHECK(RegSetValueExA(handle, "Written", 0, REG_SZ, {}, 0) == ERROR_ACCESS_DENIED); // opened for reading only
    const std::tuple<const char *, long, std::uint32_t, std::string> reads[] = {
        {"PRESENT", reg::Success, std::uint32_t(text.size()), text}, {"Missing", reg::FileNotFound, 0, ""},
        {"Empty", reg::Success, 0, ""}, {"Exact", reg::Success, 1024, full + '\0'}, {"Over", reg::MoreData, 1025, ""}};
    for (const auto &[name, status, size, data] : reads) {
        CAPTURE(name);
        std::string buffer(1024, 'z');
        std::uint32_t type = 0, length = 1024;
        CHECK(registry.RegQueryValueEx(key, name, type, buffer, length) == status);
        if (status != reg::FileNotFound)
            CHECK(length == size);
        if (status == reg::Success)
            CHECK(type == reg::TypeSz);
        CHECK(buffer.starts_with(data));
    }
    CHECK(registry.RegCloseKey(key) == reg::Success);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KicklistSharedTest");
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

namespace {
namespace fs = std::filesystem;

// A folder of its own under the temporary folder, removed at the end.
struct TempTree
{
    fs::path root = fs::temp_directory_path() / L"kicklist-drives-テスト";
    TempTree() { fs::remove_all(root), fs::create_directories(root); }
    ~TempTree() { fs::remove_all(root); }
    std::string path() const { return win32::narrow(root.wstring()); }
    void file(const std::wstring &name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const
    {
        std::ofstream((root / name).wstring().c_str()) << "x";
        SetFileAttributesW((root / name).c_str(), attributes);
    }
};
} // namespace

TEST_CASE("drives and folders through Win32")
{
    win32::WinDriveSystem drives;
    TempTree tree;
    for (const wchar_t *name : {L"b.EXE", L"a.exe", L"プログラム.Exe", L"notes.txt", L"exe", L"dir.exe.lnk"})
        tree.file(name);
    tree.file(L"hidden.exe", FILE_ATTRIBUTE_HIDDEN);
    tree.file(L"system.exe", FILE_ATTRIBUTE_SYSTEM);
    for (const wchar_t *name : {L"Zeta", L"alpha", L"folder.exe"})
        fs::create_directory(tree.root / name);
    fs::create_directory(tree.root / L"secret");
    SetFileAttributesW((tree.root / L"secret").c_str(), FILE_ATTRIBUTE_HIDDEN);

    SUBCASE("programs and folders: shown entries only, sorted without case")
    {
        CHECK(drives.programs(tree.path()) == std::vector<std::string>{"a.exe", "b.EXE", "プログラム.Exe"});
        CHECK(drives.folders(tree.path()) == std::vector<std::string>{"alpha", "folder.exe", "Zeta"});
        CHECK(drives.unnamed(tree.path(), DriveSystem::Kind::Programs).empty());
    }
    SUBCASE("a missing folder is PathNotFound")
    {
        for (auto list : {&DriveSystem::folders, &DriveSystem::programs})
            CHECK(test::errorOf([&] { (drives.*list)(tree.path() + "\\missing"); }) == err::PathNotFound);
    }
    SUBCASE("Dir: normal files only")
    {
        CHECK(drives.Dir(tree.path() + "\\a.exe") == "a.exe");
        CHECK(drives.Dir(tree.path() + "/notes.txt") == "notes.txt");
        for (const char *name : {"hidden.exe", "system.exe", "alpha", "missing.exe"})
            CHECK_MESSAGE(drives.Dir(tree.path() + "\\" + name).empty(), name);
    }
    SUBCASE("a folder of 20,000 entries lists")
    {
        for (int i = 0; i < 20000; ++i)
            CloseHandle(CreateFileW((tree.root / (L"p" + std::to_wstring(i) + L".exe")).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        CHECK(drives.programs(tree.path()).size() == 20003);
    }
    SUBCASE("drives as \"c:\", opening at their current folder")
    {
        const std::vector<std::string> all = drives.drives();
        CHECK(std::find(all.begin(), all.end(), drives.systemDrive()) != all.end());
        for (const std::string &drive : all)
            CHECK_MESSAGE((drive.size() == 2 && drive[0] >= 'a' && drive[0] <= 'z' && drive[1] == ':'), drive);
        SetCurrentDirectoryW(tree.root.c_str());
        CHECK(drives.currentFolder() == tree.path());
        CHECK(drives.openDrive(drives.currentDrive()) == tree.path());
        CHECK(!drives.homeFolder().empty());
        std::string absent = "z:"; // a letter no drive has
        while (std::find(all.begin(), all.end(), absent) != all.end())
            --absent[0];
        CHECK(test::errorOf([&] { drives.openDrive(absent); }) == err::DeviceUnavailable);
        SetCurrentDirectoryW(fs::temp_directory_path().c_str());
    }
}

TEST_CASE("the login entry: Kicklist's own value only")
{
    const wchar_t *run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto value = [&](const wchar_t *name) { // a REG_SZ's text, unexpanded
        wchar_t text[512] = {};
        DWORD size = sizeof text, type = 0;
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, run, name, RRF_RT_ANY | RRF_NOEXPAND, &type, text, &size);
        return status != ERROR_SUCCESS ? L"<none>" : type == REG_SZ ? std::wstring(text) : L"<type " + std::to_wstring(type) + L">";
    };
    const auto put = [&](const wchar_t *name, DWORD type, const std::wstring &text) {
        RegSetKeyValueW(HKEY_CURRENT_USER, run, name, type, text.c_str(), DWORD(text.size() * 2 + 2));
    };
    const std::wstring other = L"\"C:\\other\\tool.exe\" --start-all";
    put(L"Other", REG_SZ, other);

    const std::wstring program = L"C:\\プログラム\\Kicklist\\kicklist.exe";
    CHECK(win32::addRunEntry(program).empty());
    CHECK(value(L"Kicklist") == L"\"" + program + L"\" --start-all");
    CHECK(win32::addRunEntry(L"D:\\moved\\kicklist.exe").empty()); // ours, replaced
    CHECK(win32::removeRunEntry().empty());
    CHECK(value(L"Kicklist") == L"<none>");
    CHECK(win32::removeRunEntry().empty()); // already gone

    const std::wstring users = L"C:\\tools\\starter.exe";
    put(L"Kicklist", REG_SZ, users);
    CHECK(!win32::addRunEntry(program).empty());
    CHECK(!win32::removeRunEntry().empty());
    CHECK(value(L"Kicklist") == users);
    CHECK(value(L"Other") == other);
    put(L"Kicklist", REG_EXPAND_SZ, win32::runEntryFor(program)); // our text, not our kind of value
    CHECK(!win32::removeRunEntry().empty());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run, L"Kicklist");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run, L"Other");
}

TEST_CASE("kicklist.exe as others start it: --version with only a pipe for output; the window's instance in the session")
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const auto start = [&self](std::wstring command, DWORD flags, HANDLE out) {
        command = L"\"" + (fs::path(self).parent_path().parent_path() / L"kicklist.exe").wstring() + L"\"" + command;
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES, startup.hStdOutput = out; // no standard error
        PROCESS_INFORMATION process{};
        REQUIRE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        return process.hProcess;
    };
    FreeConsole(), AllocConsole(); // a console it could attach to, as from cmd.exe (wine's own is none)
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    REQUIRE(CreatePipe(&readEnd, &writeEnd, &inherited, 0));
    const HANDLE version = start(L" --version", DETACHED_PROCESS, writeEnd);
    CloseHandle(writeEnd);
    std::string text(64, '\0');
    DWORD got = 0;
    ReadFile(readEnd, text.data(), DWORD(text.size()), &got, nullptr); // the pipe breaks if nothing is written
    CHECK(text.substr(0, got) == "Kicklist 1.02\n");
    CloseHandle(readEnd), WaitForSingleObject(version, 30000), CloseHandle(version);

    const HANDLE window = start({}, 0, nullptr);
    WaitForInputIdle(window, 30000); // its instance is claimed before its first window
    const HANDLE instance = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\Kicklist-bf317feb"); // FNV-1a of the list's key
    CHECK(instance != nullptr);
    CloseHandle(instance), TerminateProcess(window, 0), WaitForSingleObject(window, 30000), CloseHandle(window);
}
#endif
