#include "win32shell.h"

#include <windows.h>

namespace kl::win32 {

namespace {

// Window styles as the windows pass them, to what STARTUPINFO asks for.
bool showCommandFor(int style, WORD *show)
{
    switch (style) {
    case 0: *show = SW_HIDE; return true;
    case 1: *show = SW_SHOWNORMAL; return true;
    case 2: *show = SW_SHOWMINIMIZED; return true;
    case 3: *show = SW_SHOWMAXIMIZED; return true;
    case 4: *show = SW_SHOWNOACTIVATE; return true;
    case 6: *show = SW_SHOWMINNOACTIVE; return true;
    default: return false; // the program's own choice
    }
}

} // namespace

std::wstring systemMessage(unsigned long code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    // An empty text would read as success to the caller.
    if (text.empty())
        text = L"Windows error " + std::to_wstring(code);
    return text;
}

std::wstring startProgram(const std::wstring &path, int style)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    WORD show = SW_SHOWNORMAL;
    if (showCommandFor(style, &show)) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }

    // The application name is the path exactly; the command line repeats it
    // quoted, so that the program's own argument parsing sees one argument
    // zero however many blanks the path holds. CreateProcessW may write into
    // the command line, so it gets a buffer of its own.
    std::wstring commandLine = L"\"" + path + L"\"";
    PROCESS_INFORMATION process{};
    // A console program gets a console of its own rather than the launcher's
    // (which has none); the default error mode keeps ours from leaking over.
    const BOOL started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                        CREATE_NEW_CONSOLE | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                                        &startup, &process);
    if (!started)
        return systemMessage(GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return std::wstring();
}

} // namespace kl::win32
