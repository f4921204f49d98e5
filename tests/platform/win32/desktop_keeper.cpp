// Keeps wine's desktop for as long as it runs, as Windows keeps its desktop
// for the whole session. Under wine the desktop (explorer.exe /desktop) ends a
// second after the last program that used it, and the next program's first
// window starts it again and waits at most 10 s for it: on a loaded machine
// that window then fails (ERROR_INVALID_WINDOW_HANDLE), which no Windows user
// meets. Writes <its own path>.ready once the desktop is there; ended by
// whoever started it.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t self[MAX_PATH];
    const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    while (!GetDesktopWindow()) // each call starts the desktop again if it is not there
        Sleep(100);
    std::ofstream((path + L".ready").c_str()) << "ready";
    Sleep(INFINITE);
    return 0;
}
