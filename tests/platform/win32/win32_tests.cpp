// The Windows layer where other processes take part: program starts and the
// settings store's lock, under wine. Run as
// `win32_tests <expected ANSI code page> [doctest options]`.
#include "platform/runtimeerror.h"
#include "platform/win32/registryjournal.h"
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/utf8.h"
#include "platform/win32/win32shell.h"

#include <windows.h>

#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace kl::win32;

namespace {

unsigned expectedCodePage = 0;
fs::path scratch; // beside the program, one per code page

bool check(bool ok, const std::wstring &what)
{
    CHECK_MESSAGE(ok, narrow(what));
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

// store_helper holding app's settings lock (a transaction begun), till killed.
class LockHolder
{
public:
    LockHolder(const fs::path &helper, const std::wstring &app)
    {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE readEnd, writeEnd;
        CreatePipe(&readEnd, &writeEnd, &inherited, 0);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES, startup.hStdOutput = writeEnd;
        std::wstring command = L"\"" + helper.wstring() + L"\" hold " + app;
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_process)) {
            CloseHandle(m_process.hThread);
            char line[8] = {};
            DWORD got = 0; // the pipe breaks if the helper ends first
            m_held = ReadFile(readEnd, line, 4, &got, nullptr) && std::string(line, got) == "held";
        }
        CloseHandle(writeEnd), CloseHandle(readEnd);
    }
    ~LockHolder() { kill(); }
    bool held() const { return m_held; }
    unsigned long pid() const { return m_process.dwProcessId; }
    void kill()
    {
        if (m_process.hProcess && TerminateProcess(m_process.hProcess, 9))
            WaitForSingleObject(m_process.hProcess, 30000);
        CloseHandle(std::exchange(m_process.hProcess, nullptr));
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_held = false;
};

// Another process in the middle of a transaction: a store waits for it,
// then gives up as busy; killed during a wait, its lock is taken over and
// what it left in the journal is finished.
void settingsLock(const fs::path &helper)
{
    const std::string app = "KicklistLockTest";
    const std::wstring key = L"Software\\KicklistLockTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    LockHolder holder(helper, widen(app));
    if (!check(holder.held(), L"store_helper holds the lock"))
        return;
    RegistrySettingsStore store;
    const std::string busy = kl::RuntimeError::busy("HKEY_CURRENT_USER\\" + narrow(key), holder.pid()).description();
    try {
        store.GetSetting(app, "Sec", "Key", "");
        check(false, L"read while another process held the lock");
    } catch (const kl::RuntimeError &e) {
        check(e.isBusy() && e.description() == busy, L"busy: " + widen(e.description()));
    }
    store.commit();

    const std::vector<unsigned char> journal = encodeJournal({{L"Sec", L"Key", L"finished"}});
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), RegistrySettingsStore::JournalValue, REG_BINARY, journal.data(),
                    DWORD(journal.size()));
    // Killed while the store waits for it (a second later), so that the
    // wait ends as abandoned rather than on a mutex made anew.
    const auto killLater = [](void *holder) -> DWORD {
        Sleep(1000);
        static_cast<LockHolder *>(holder)->kill();
        return 0;
    };
    const HANDLE killer = CreateThread(nullptr, 0, killLater, &holder, 0, nullptr);
    try {
        check(store.GetSetting(app, "Sec", "Key", "") == "finished", L"the killed holder's journal finished");
        store.commit();
    } catch (const kl::RuntimeError &e) {
        check(false, L"after the holder was killed: " + widen(e.description()));
    }
    WaitForSingleObject(killer, 30000);
    CloseHandle(killer);
    check(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), RegistrySettingsStore::JournalValue, RRF_RT_ANY, nullptr,
                       nullptr, nullptr)
              == ERROR_FILE_NOT_FOUND,
          L"the journal removed");
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

} // namespace

// The names above hold characters of the code page asked for only when wine
// runs in it: a run in another tests less than it claims.
TEST_CASE("the ANSI code page is the one asked for")
{
    CHECK(GetACP() == expectedCodePage);
}

TEST_CASE("programs start as named, and nothing else runs")
{
    fs::remove_all(scratch);
    starts(scratch);
}

TEST_CASE("another process's settings lock: a wait, busy, then its journal finished")
{
    settingsLock(scratch.parent_path() / L"store_helper.exe");
}

int main(int argc, char **argv)
{
    if (argc < 2 || !std::isdigit(static_cast<unsigned char>(argv[1][0]))) {
        std::fprintf(stderr, "usage: win32_tests <expected ANSI code page> [doctest options]\n");
        return 2;
    }
    expectedCodePage = unsigned(std::stoul(argv[1]));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    scratch = fs::path(self).parent_path() / (L"scratch-" + std::to_wstring(expectedCodePage));
    argv[1] = argv[0];
    doctest::Context context(argc - 1, argv + 1);
    return context.run();
}
