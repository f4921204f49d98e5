#include "win32shell.h"

#include <windows.h>

#include <cwctype>

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

bool hasFolderPart(const std::wstring &path)
{
    return path.find_first_of(L"\\/:") != std::wstring::npos;
}

bool endsWith(const std::wstring &text, const wchar_t *tail)
{
    const std::wstring end(tail);
    if (text.size() < end.size())
        return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
        if (std::towlower(text[text.size() - end.size() + i]) != end[i])
            return false;
    }
    return true;
}

// Where Windows finds a command: the launcher's folder, the current folder,
// the system folders, then PATH.
std::wstring searchCommand(const std::wstring &name)
{
    std::wstring found(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = SearchPathW(nullptr, name.c_str(), L".exe", DWORD(found.size()), found.data(), nullptr);
        if (length == 0)
            return {};
        if (length < found.size()) {
            found.resize(length);
            return found;
        }
        found.resize(length);
    }
}

StartResult failure(DWORD code, const std::wstring &file)
{
    StartResult result{StartProblem::Other, systemMessage(code, file)};
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        result.problem = StartProblem::Missing;
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        result.problem = StartProblem::Folder;
    else if (code == ERROR_ACCESS_DENIED)
        result.problem = StartProblem::NotAllowed;
    return result;
}

// cmd.exe /s /c takes the text after /c with its first and last quote
// removed, so the path is left quoted: & ^ | ( ) < > stay part of it.
// /d skips the AutoRun commands of the registry, /v:off the ! expansion.
bool batchCommand(const std::wstring &file, std::wstring &interpreter, std::wstring &commandLine)
{
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    interpreter = std::wstring(system, length) + L"\\cmd.exe";
    commandLine = L"cmd.exe /d /v:off /s /c \"\"" + file + L"\"\"";
    return true;
}

} // namespace

std::wstring systemMessage(unsigned long code, const std::wstring &insert)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    const std::wstring raw = length != 0 && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);

    // Inserts are filled here rather than by FormatMessage, which would read
    // past the one argument a text with %2 asks for: %1 is insert, any other
    // is dropped, %% is a percent sign.
    std::wstring text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != L'%' || i + 1 == raw.size()) {
            text += raw[i];
        } else if (raw[i + 1] == L'%') {
            text += L'%';
            ++i;
        } else if (std::iswdigit(raw[i + 1])) {
            std::size_t end = i + 1;
            while (end < raw.size() && std::iswdigit(raw[end]))
                ++end;
            if (raw.compare(i + 1, end - i - 1, L"1") == 0)
                text += insert;
            const std::size_t format = end < raw.size() && raw[end] == L'!' ? raw.find(L'!', end + 1) : raw.npos;
            if (format != raw.npos) // a printf format: %1!s!
                end = format + 1;
            i = end - 1;
        } else {
            text += raw[i];
        }
    }
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    while (!text.empty() && std::iswspace(text.front()))
        text.erase(0, 1);
    // An empty text would read as success to the caller.
    if (text.empty())
        text = L"Windows error " + std::to_wstring(code);
    return text;
}

StartResult startProgram(const std::wstring &path, int style)
{
    std::wstring file = path;
    if (!hasFolderPart(path)) {
        file = searchCommand(path);
        if (file.empty())
            return {StartProblem::Missing, systemMessage(ERROR_FILE_NOT_FOUND, path)};
    }

    // The application name is the file exactly; the command line repeats it
    // quoted, so that the program's own argument parsing sees one argument
    // zero however many blanks the path holds. CreateProcessW may write into
    // the command line, so it gets a buffer of its own.
    std::wstring application = file;
    std::wstring commandLine = L"\"" + file + L"\"";
    if (endsWith(file, L".bat") || endsWith(file, L".cmd")) {
        if (file.find_first_of(L"%!") != std::wstring::npos)
            return {StartProblem::Other, systemMessage(ERROR_INVALID_NAME, file)};
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return failure(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_ACCESS_DENIED, file);
        if (!batchCommand(file, application, commandLine))
            return failure(GetLastError(), file);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    WORD show = SW_SHOWNORMAL;
    if (showCommandFor(style, &show)) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }
    PROCESS_INFORMATION process{};
    // A console program gets a console of its own rather than the launcher's
    // (which has none); the default error mode keeps ours from leaking over.
    const BOOL started = CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                        CREATE_NEW_CONSOLE | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                                        &startup, &process);
    if (!started)
        return failure(GetLastError(), file);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

} // namespace kl::win32
