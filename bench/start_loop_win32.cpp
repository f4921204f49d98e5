// The yardstick for start-all under Windows: CreateProcessW over the paths
// given, one after another, with the flags the program's own starts use.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t *argv[])
{
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring commandLine = L"\"" + std::wstring(argv[i]) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(argv[i], commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_NEW_CONSOLE | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process)) {
            ++failed;
            continue;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return failed;
}
