// What the start-all figure starts a hundred times: a Windows program that
// ends at once, so that the figure is the starting alone.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}
