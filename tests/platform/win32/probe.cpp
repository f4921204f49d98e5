// A program for the start tests to start. It writes what it found to
// <its own path>.txt: a console probe how many processes share its console,
// a window probe how its window was shown. A console probe named "wait*" first
// waits for <its own path>.go, which the launcher makes only once the start
// has returned.
#include <windows.h>

#include <fstream>
#include <string>

namespace {

std::wstring self()
{
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

void report(const std::string &text)
{
    std::ofstream((self() + L".tmp").c_str()) << text;
    MoveFileW((self() + L".tmp").c_str(), (self() + L".txt").c_str()); // seen whole or not at all
}

} // namespace

#ifdef PROBE_WINDOW
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"probe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"probe", L"probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100,
                                nullptr, nullptr, instance, nullptr);
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    ShowWindow(window, SW_SHOWDEFAULT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    const int asked = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : -1;
    report("show=" + std::to_string(asked) + " visible=" + std::to_string(IsWindowVisible(window) != 0)
           + " iconic=" + std::to_string(IsIconic(window) != 0) + " zoomed=" + std::to_string(IsZoomed(window) != 0)
           + " foreground=" + std::to_string(GetForegroundWindow() == window));
    DestroyWindow(window);
    return 0;
}
#else
int main()
{
    const std::wstring path = self();
    bool go = true;
    if (path.substr(path.find_last_of(L'\\') + 1, 4) == L"wait") {
        go = false;
        for (int i = 0; i < 300 && !go; ++i, Sleep(100)) // gives up after 30 s
            go = GetFileAttributesW((path + L".go").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    DWORD processes[4]; // 1: the console is its own; 0: it has none
    report("console=" + std::to_string(GetConsoleProcessList(processes, 4)) + " go=" + std::to_string(go));
    return 0;
}
#endif
