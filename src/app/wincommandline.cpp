// The command line of the Windows programs. kicklist-cli.exe, the console
// twin of kicklist.exe, is the one to type in cmd.exe or PowerShell:
// cmd.exe does not wait for a GUI program, so output attached to its
// console from kicklist.exe would land after the next prompt and the exit
// status would be lost. kicklist.exe runs the same command line (the login
// entry starts it with --start-all, showing no console), writing to the
// handles it was given or else to its parent's console.
#include "wincommandline.h"

#include "commandline.h"
#include "commands.h"
#include "platform/win32/registrysettingsstore.h"
#include "platform/win32/runentry.h"
#include "platform/win32/shellstarter.h"
#include "platform/win32/utf8.h"
#include "store/appstore.h"

#include <windows.h>

namespace kl::commandline {

namespace {

// Text to a console in UTF-16, so that any name survives whatever the
// console's code page; to a file or pipe as UTF-8 bytes.
class WinConsole final : public Console
{
public:
    WinConsole()
        : m_out(GetStdHandle(STD_OUTPUT_HANDLE))
        , m_err(GetStdHandle(STD_ERROR_HANDLE))
    {
        // A GUI program started from a console gets no handles of its own.
        if (!usable(m_out) && !usable(m_err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
            m_out = m_err = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        }
    }
    void out(const std::string &line) override { m_ok = write(m_out, line + "\n") && m_ok; }
    void error(const std::string &message) override { write(m_err, "Kicklist: " + message + "\n"); }
    bool flush() override { return m_ok; }
    void text(HANDLE handle, const std::string &text) { write(handle, text); }
    HANDLE outHandle() const { return m_out; }
    HANDLE errHandle() const { return m_err; }

private:
    static bool usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
    static bool write(HANDLE handle, const std::string &text)
    {
        if (!usable(handle))
            return false;
        DWORD mode = 0, written = 0;
        if (GetConsoleMode(handle, &mode)) {
            const std::wstring wide = win32::widen(text);
            return WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr)
                && written == wide.size();
        }
        return WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    }

    HANDLE m_out;
    HANDLE m_err;
    bool m_ok = true;
};

// The GUI program beside this one, which the login entry starts.
std::wstring loginProgram(const std::wstring &self)
{
    const std::wstring gui = self.substr(0, self.find_last_of(L"\\/") + 1) + L"kicklist.exe";
    return GetFileAttributesW(gui.c_str()) == INVALID_FILE_ATTRIBUTES ? self : gui;
}

std::wstring modulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()))) == path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return path;
}

} // namespace

int runWindows(const std::wstring &program, const std::vector<std::wstring> &args)
{
    std::vector<std::string> utf8;
    for (const std::wstring &arg : args)
        utf8.push_back(win32::narrow(arg));
    const Request request = parse(utf8);
    WinConsole console;
    const std::string help = helpText(win32::narrow(program));
    switch (request.action) {
    case Request::Usage:
        console.error(request.error);
        console.text(console.errHandle(), help);
        return BadUsage;
    case Request::Help:
        console.text(console.outHandle(), help);
        return Done;
    case Request::Version:
        console.text(console.outHandle(), "Kicklist " KICKLIST_VERSION "\n");
        return Done;
    case Request::AutostartOn:
    case Request::AutostartOff: {
        const std::string failure = request.action == Request::AutostartOn ? win32::addRunEntry(loginProgram(modulePath()))
                                                                           : win32::removeRunEntry();
        if (!failure.empty()) {
            console.error(autostartFailure(failure));
            return CannotAccess;
        }
        return Done;
    }
    case Request::List:
    case Request::StartAll:
        break;
    }
    win32::RegistrySettingsStore settings;
    win32::ShellStarter starter;
    AppStore store(settings);
    const Location location = [] { return "HKEY_CURRENT_USER\\Software\\" + AppStore::application(); };
    return request.action == Request::List ? list(store, settings, console, location)
                                           : startAll(store, settings, starter, console, location);
}

} // namespace kl::commandline
