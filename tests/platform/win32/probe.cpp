// A program for the start tests to start. It writes what it found to
// <its own path>.txt: a console probe how many processes share its console,
// a window probe how its window was shown. A console probe named "wait*" first
// waits for <its own path>.go, which the launcher makes only once the start
// has returned.
#include <windows.h>

#include <fstream>
#include <string>

int main()
{
    wchar_t self[MAX_PATH];
    const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    std::string found;
#ifdef PROBE_WINDOW
    const HWND window = CreateWindowW(L"STATIC", L"probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100,
                                      nullptr, nullptr, nullptr, nullptr);
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    ShowWindow(window, SW_SHOWDEFAULT);
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
    found = "show=" + std::to_string(startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : -1) + " visible="
        + std::to_string(IsWindowVisible(window) != 0) + " foreground=" + std::to_string(GetForegroundWindow() == window);
#else
    bool go = path.substr(path.find_last_of(L'\\') + 1, 4) != L"wait";
    for (int i = 0; i < 300 && !go; ++i, Sleep(100)) // gives up after 30 s
        go = GetFileAttributesW((path + L".go").c_str()) != INVALID_FILE_ATTRIBUTES;
    DWORD processes[4]; // 1: the console is its own; 0: it has none
    found = "console=" + std::to_string(GetConsoleProcessList(processes, 4)) + " go=" + std::to_string(go);
#endif
    std::ofstream((path + L".tmp").c_str()) << found;
    MoveFileW((path + L".tmp").c_str(), (path + L".txt").c_str()); // seen whole or not at all
}
