// The Windows layer where other processes take part: program starts, under
// wine. Run as `win32_tests <expected ANSI code page>`; prints each failure
// and a closing "N passed, N failed".
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

bool check(bool ok, const std::wstring &what)
{
    std::string text(what.size() * 4 + 1, '\0'); // as UTF-8
    text.resize(WideCharToMultiByte(CP_UTF8, 0, what.c_str(), int(what.size()), text.data(), int(text.size()), {}, {}));
    ok ? ++passed : (++failed, std::printf("FAIL: %s\n", text.c_str()));
    return ok;
}

// Starts each program of the table: the probe programs report to <path>.txt
// how they were started, batch files that they ran.
void starts(const fs::path &dir)
{
    using P = StartProblem;
    // A failure's text is the system's, whole, its inserts filled.
    const auto told = [](const std::wstring &text, const std::wstring &part) {
        return !text.empty() && text.find(L"%1") == std::wstring::npos && !iswspace(text.front())
            && text.find(part) != std::wstring::npos;
    };
    for (const auto &[code, part] : {std::pair{DWORD(ERROR_BAD_EXE_FORMAT), L""}, {0xDEADBEEF, L"3735928559"}})
        check(told(systemMessage(code), part), L"message " + systemMessage(code));
    // Each file (put there unless it is to be missing), how its start fails, what it reports.
    const std::string alone = "console=1 go=1", batch = "@echo ran>\"%~f0.tmp\"&& move /y \"%~f0.tmp\" \"%~f0.txt\">nul\r\n";
    const std::tuple<std::wstring, StartProblem, std::string> table[] = {
        {L"window.exe", P::None, "show=1 visible=1 foreground=1"}, {L"wait console.exe", P::None, alone},
        {L"my prog.exe", P::None, alone}, {L"with space\\prog.exe", P::None, alone},
        {L"日本語 フォルダー\\起動 テスト.exe", P::None, alone}, {L"a&b^c%OS%.exe", P::None, alone},
        {L"run&me^x.bat", P::None, "ran\r\n"}, {L"onpath\\kickprobe.exe", P::None, alone}, {L"100%OS%.cmd", P::Other, {}},
        {L"readme.txt", P::Other, {}}, {L"run|mex.bat", P::Missing, {}}, {L"missing.exe", P::Missing, {}},
        {L"nosuchprogram", P::Missing, {}}, {L"with space", P::Folder, {}}};
    // Named as a start that split the path or command line at a blank, &, | or % would run: none may.
    const std::wstring decoys[] = {L"my.exe", L"with.exe", L"a.exe", L"run.exe", L"run.bat", L"mex.bat", L"100Windows_NT.cmd"};
    const auto put = [&](const fs::path &file) {
        fs::create_directories(file.parent_path());
        if (file.extension() == L".exe")
            fs::copy_file(dir.parent_path() / (file.filename() == L"window.exe" ? L"probe-window.exe" : L"probe.exe"), file);
        else
            std::ofstream(file.c_str(), std::ios::binary) << (file.extension() == L".txt" ? "not a program" : batch);
    };
    for (const auto &[name, problem, report] : table)
        if (problem != P::Missing && problem != P::Folder)
            put(dir / name);
    for (const auto &name : decoys)
        put(dir / name);
    AllocConsole(); // with a console of our own, a program not given one would share it
    SetCurrentDirectoryW(dir.c_str());
    SetEnvironmentVariableW(L"PATH", (dir / L"onpath").wstring().c_str());

    for (const auto &[name, problem, report] : table) {
        // A name without a folder is a command, looked up on PATH with .exe added.
        const bool bare = name.starts_with(L"onpath") || name == L"nosuchprogram";
        const std::wstring path = bare ? fs::path(name).stem().wstring() : (dir / name).wstring();
        const StartResult result = startProgram(path, 1);
        // A launcher that waited would have let the waiting probe give up: go=0.
        const fs::path ran = (dir / name).wstring() + L".txt";
        if (result.ok())
            std::ofstream(fs::path(ran).replace_extension(L".go").c_str()) << "go";
        std::string got; // the report, once written whole
        for (int i = 0; i < 300 && result.ok() && got.empty(); ++i, Sleep(100)) // 30 s at most
            got.assign(std::istreambuf_iterator<char>(std::ifstream(ran.c_str(), std::ios::binary).rdbuf()), {});
        check(result.problem == problem && (problem == P::None ? got == report : told(result.reason, name == L"readme.txt" ? path : L"")),
              L"start " + name + L": problem " + std::to_wstring(int(result.problem)) + L" " + result.reason
                  + L" report " + std::wstring(got.begin(), got.end()));
    }
    Sleep(2000); // time for a wrongly started decoy to show itself
    for (const auto &decoy : decoys)
        check(!fs::exists(dir / (decoy + L".txt")), L"decoy ran: " + decoy);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path dir = fs::path(self).parent_path() / (L"scratch-" + std::wstring(argc > 1 ? argv[1] : L""));
    if (!check(argc > 1 && GetACP() == std::stoul(argv[1]), L"the ANSI code page is " + std::to_wstring(GetACP())))
        return 1;
    fs::remove_all(dir);
    starts(dir);
    std::printf("code page %u: %d passed, %d failed\n", GetACP(), passed, failed);
    return failed ? 1 : 0;
}
