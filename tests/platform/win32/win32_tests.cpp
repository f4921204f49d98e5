// The Windows layer against a real registry and process loader (wine): run
// as `win32_tests <expected ANSI code page>`; prints each failure and a
// closing "N passed, N failed". `win32_tests --read100` is the second
// process that reads back what the first wrote.
#include "platform/win32/registryapi.h"
#include "platform/win32/registrysettings.h"
#include "platform/win32/win32shell.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace kl::win32;

namespace {

int passed = 0, failed = 0;

std::string utf8(const std::wstring &text)
{
    std::string out(text.size() * 4 + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), int(out.size()), {}, {}));
    return out;
}

bool check(bool ok, const std::wstring &what)
{
    ok ? ++passed : ++failed;
    if (!ok)
        std::printf("FAIL: %s\n", utf8(what).c_str());
    return ok;
}

const std::wstring App = L"KicklistWineTest";

std::wstring entry(int i)
{
    return L" 項目" + std::to_wstring(i) + L"\\ C:\\フォルダー\\" + std::to_wstring(i) + L".exe ";
}

// The second process: every one of the 100 entries as written.
int read100()
{
    int wrong = 0;
    RegistryStatus status;
    for (int i = 1; i <= 100; ++i)
        wrong += getSetting(App, L"list", L"ITEM" + std::to_wstring(i), status) != entry(i) || !status.ok();
    return wrong;
}

// The spelling the registry keeps for the subkey or value named folded.
std::wstring enumName(HKEY root, const std::wstring &path, bool values, const std::wstring &folded)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<no key " + path + L">";
    std::wstring found;
    wchar_t name[256];
    for (DWORD i = 0, length = 256; found.empty(); ++i, length = 256) {
        const LONG status = values ? RegEnumValueW(key, i, name, &length, {}, {}, {}, {})
                                   : RegEnumKeyExW(key, i, name, &length, {}, {}, {}, {});
        if (status != ERROR_SUCCESS)
            break;
        if (CompareStringOrdinal(name, -1, folded.c_str(), -1, TRUE) == CSTR_EQUAL)
            found = name;
    }
    RegCloseKey(key);
    return found;
}

void settingsStore(const wchar_t *self)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + App).c_str());
    RegistryStatus status;
    auto get = [&](const std::wstring &app, const std::wstring &section, const std::wstring &key) {
        const auto value = getSetting(app, section, key, status);
        return status.ok() ? value.value_or(L"<missing>") : L"<error " + std::to_wstring(status.code) + L">";
    };
    check(get(App, L"Sec", L"Key") == L"<missing>", L"missing application");
    check(saveSetting(App, L"Sec", L"Key", L"first").ok(), L"save");
    check(get(App, L"Other", L"Key") == L"<missing>", L"missing section");
    check(get(App, L"Sec", L"Other") == L"<missing>", L"missing key");
    const std::pair<std::wstring, std::wstring> values[] = {
        {L"日本語のキー", L"プログラム　キックリスト①"}, {L"Blanks", L"  both ends\t "},
        {L"Back\\slash", L"C:\\Program Files\\a b\\"}, {L"Empty", L""}};
    for (const auto &[key, value] : values)
        check(saveSetting(App, L"セクション", key, value).ok() && get(App, L"セクション", key) == value, L"value " + key);
    check(saveSetting(L"KICKLISTWINETEST", L"SEC", L"KEY", L"second").ok(), L"save in other letter case");
    check(get(L"kicklistwinetest", L"sec", L"key") == L"second", L"read in any letter case");
    const std::wstring spelled = enumName(HKEY_CURRENT_USER, L"Software", false, App) + L"|"
        + enumName(HKEY_CURRENT_USER, L"Software\\" + App, false, L"sec") + L"|"
        + enumName(HKEY_CURRENT_USER, L"Software\\" + App + L"\\Sec", true, L"key");
    check(spelled == App + L"|Sec|Key", L"first spelling kept: " + spelled);
    check(removeSetting(App, L"sec", L"KEY", status) && status.ok(), L"delete");
    check(!removeSetting(App, L"Sec", L"Key", status) && status.ok(), L"deleting a missing key fails");
    check(!removeSetting(App, L"Nowhere", L"Key", status) && status.ok(), L"deleting in a missing section fails");
    check(get(App, L"Sec", L"Key") == L"<missing>", L"deleted key reads as missing");
    for (const auto &[app, section] : {std::pair{App, L"a\\b"}, {L"", L"Sec"}, {App, L""}})
        check(saveSetting(app, section, L"Key", L"v").code == ERROR_INVALID_PARAMETER, std::wstring(L"unusable name ") + section);

    for (int i = 1; i <= 100; ++i)
        saveSetting(App, L"List", L"Item" + std::to_wstring(i), entry(i));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --read100";
    DWORD wrong = 1000;
    if (CreateProcessW(self, commandLine.data(), {}, {}, FALSE, 0, {}, {}, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &wrong);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    check(wrong == 0, L"100 entries read back by a second process, wrong: " + std::to_wstring(wrong));
}

// The about box's reads: HKEY_LOCAL_MACHINE, read access, a 1,024-byte buffer.
void machineValues()
{
    const std::string text = toAnsiCodePage(L"C:\\Program Files\\情報\\tool.exe");
    const std::pair<const char *, std::string> stored[] = {{"Present", text + '\0'}, {"Empty", ""},
        {"Exact", std::string(1023, 'x') + '\0'}, {"Over", std::string(1024, 'x') + '\0'}};
    HKEY writable;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KicklistWineTest", 0, {}, 0, KEY_ALL_ACCESS, {}, &writable, {});
    for (const auto &[name, data] : stored)
        RegSetValueExA(writable, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.data()), DWORD(data.size()));
    RegCloseKey(writable);

    std::uint32_t key = 77;
    check(regOpenKeyEx(0x80000002u, L"SOFTWARE\\KicklistWineTest\\Missing", 0, KEY_READ, key) == 2 && key == 77,
          L"missing key: 2, handle untouched");
    if (!check(regOpenKeyEx(0x80000002u, L"software\\kicklistwinetest", 0, KEY_READ, key) == 0, L"open to read"))
        return;
    const HKEY handle = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
    check(RegSetValueExA(handle, "Written", 0, REG_SZ, {}, 0) == ERROR_ACCESS_DENIED, L"opened for reading only");
    const std::tuple<const wchar_t *, long, std::uint32_t, std::string> reads[] = {
        {L"PRESENT", 0, std::uint32_t(text.size() + 1), text + '\0'}, {L"Missing", 2, 0, ""},
        {L"Empty", 0, 0, ""}, {L"Exact", 0, 1024, std::string(1023, 'x') + '\0'}, {L"Over", 234, 1025, ""}};
    for (const auto &[name, status, size, data] : reads) {
        std::string buffer(1024, 'z');
        std::uint32_t type = 0, length = 1024;
        const long got = regQueryValueEx(key, name, type, reinterpret_cast<unsigned char *>(buffer.data()), length);
        check(got == status && (status == 2 || length == size) && (status != 0 || type == REG_SZ)
                  && buffer.substr(0, data.size()) == data,
              std::wstring(L"value ") + name + L": " + std::to_wstring(got) + L" " + std::to_wstring(length));
    }
    check(regCloseKey(key) == 0, L"close");
}

void putFile(const fs::path &path, const fs::path &from, const std::string &text = {})
{
    fs::create_directories(path.parent_path());
    if (from.empty())
        std::ofstream(path.c_str(), std::ios::binary) << text;
    else
        fs::copy_file(from, path, fs::copy_options::overwrite_existing);
}

bool waitForFile(const fs::path &path) // written, not only made
{
    std::error_code absent; // then the size is -1
    for (int i = 0; i < 300 && fs::file_size(path, absent) + 1 <= 1; ++i) // 30 s at most
        Sleep(100);
    return fs::file_size(path, absent) + 1 > 1;
}

std::string contents(const fs::path &path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void starts(const fs::path &dir)
{
    const fs::path here = fs::path(dir).parent_path();
    const fs::path console = here / L"probe.exe", window = here / L"probe-window.exe";
    const std::string batch = "@echo ran>\"%~f0.tmp\"&& move /y \"%~f0.tmp\" \"%~f0.txt\">nul\r\n";
    putFile(dir / L"readme.txt", {}, "not a program");
    for (const wchar_t *name : {L"wait console.exe", L"my prog.exe", L"my.exe", L"with space\\prog.exe", L"with.exe",
                                L"日本語 フォルダー\\起動 テスト.exe", L"a&b^c%OS%.exe", L"a.exe", L"onpath\\kickprobe.exe",
                                L"run.exe"})
        putFile(dir / name, console);
    putFile(dir / L"window.exe", window);
    for (const wchar_t *name : {L"run&me^x.bat", L"run.bat", L"mex.bat", L"100%OS%.cmd", L"100Windows_NT.cmd"})
        putFile(dir / name, {}, batch);
    const wchar_t *decoys[] = {L"my.exe", L"with.exe", L"a.exe", L"run.exe", L"run.bat", L"mex.bat", L"100Windows_NT.cmd"};
    // With a console of our own, a program not given one would share it.
    AllocConsole();
    SetCurrentDirectoryW(dir.c_str());
    SetEnvironmentVariableW(L"PATH", (dir / L"onpath").wstring().c_str());

    struct Start
    {
        std::wstring path; // relative to dir, or a bare command name
        StartProblem problem;
        std::wstring ran; // the file whose report shows it ran
        std::string report;
    };
    const std::string alone = "console=1 go=1";
    const Start table[] = {
        {L"window.exe", StartProblem::None, L"window.exe", "show=1 visible=1 iconic=0 zoomed=0 foreground=1"},
        {L"wait console.exe", StartProblem::None, L"wait console.exe", alone},
        {L"my prog.exe", StartProblem::None, L"my prog.exe", alone},
        {L"with space\\prog.exe", StartProblem::None, L"with space\\prog.exe", alone},
        {L"日本語 フォルダー\\起動 テスト.exe", StartProblem::None, L"日本語 フォルダー\\起動 テスト.exe", alone},
        {L"a&b^c%OS%.exe", StartProblem::None, L"a&b^c%OS%.exe", alone},
        {L"run&me^x.bat", StartProblem::None, L"run&me^x.bat", "ran\r\n"},
        {L"kickprobe", StartProblem::None, L"onpath\\kickprobe.exe", alone},
        {L"100%OS%.cmd", StartProblem::Other, {}, {}},
        {L"run|mex.bat", StartProblem::Missing, {}, {}},
        {L"missing.exe", StartProblem::Missing, {}, {}},
        {L"nosuchprogram", StartProblem::Missing, {}, {}},
        {L"with space", StartProblem::Folder, {}, {}},
        {L"readme.txt", StartProblem::Other, {}, {}},
    };
    for (const Start &row : table) {
        const bool bare = row.path == L"kickprobe" || row.path == L"nosuchprogram";
        const std::wstring path = bare ? row.path : (dir / row.path).wstring();
        const StartResult result = startProgram(path, 1);
        const std::wstring named = L"start " + row.path + L": ";
        if (!check(result.problem == row.problem, named + L"problem " + std::to_wstring(int(result.problem)) + L" "
                       + result.reason))
            continue;
        if (row.problem != StartProblem::None) {
            // The reason is the system's, its inserts filled with the path.
            const bool hasInsert = result.reason.find(L"%1") != std::wstring::npos;
            const bool namesPath = result.reason.find(path) != std::wstring::npos || row.path != L"readme.txt";
            check(!result.reason.empty() && !hasInsert && namesPath, named + result.reason);
            continue;
        }
        const fs::path report = dir / (row.ran + L".txt");
        // A launcher that waited would have let the waiting probe give up.
        check(row.path.rfind(L"wait", 0) != 0 || !fs::exists(report), named + L"returned before the program ended");
        putFile(dir / (row.ran + L".go"), {}, "go");
        const std::string got = waitForFile(report) ? contents(report) : "<none>";
        check(got == row.report, named + L"report " + std::wstring(got.begin(), got.end()));
    }
    Sleep(2000); // time for a wrongly started decoy to show itself
    for (const wchar_t *decoy : decoys)
        check(!fs::exists(dir / (std::wstring(decoy) + L".txt")), L"decoy ran: " + std::wstring(decoy));
}

void messages()
{
    const std::tuple<unsigned long, std::wstring, std::wstring> rows[] = {
        {ERROR_BAD_EXE_FORMAT, L"C:\\a b\\x.exe", L"C:\\a b\\x.exe"}, {ERROR_BAD_EXE_FORMAT, L"", L""},
        {ERROR_FILE_NOT_FOUND, L"unused", L""}, {0xDEADBEEF, L"", L"3735928559"}};
    for (const auto &[code, insert, part] : rows) {
        const std::wstring text = systemMessage(code, insert);
        check(!text.empty() && text.find(L"%1") == std::wstring::npos && !iswspace(text.front())
                  && text.find(part) != std::wstring::npos,
              L"message " + std::to_wstring(code) + L": " + text);
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc > 1 && std::wstring(argv[1]) == L"--read100")
        return read100();
    if (argc < 2 || GetACP() != std::stoul(argv[1])) {
        std::printf("FAIL: the ANSI code page is %u, not %s\n", GetACP(), argc > 1 ? utf8(argv[1]).c_str() : "given");
        return 1;
    }
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path dir = fs::path(self).parent_path() / (L"scratch-" + std::wstring(argv[1]));
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(dir);

    settingsStore(self);
    machineValues();
    messages();
    starts(dir);
    std::printf("code page %u: %d passed, %d failed\n", GetACP(), passed, failed);
    return failed ? 1 : 0;
}
