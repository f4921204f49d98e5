#include "registrykey.h"

#include <windows.h>

namespace kl::win32 {

void KeyCloser::operator()(HKEY key) const
{
    RegCloseKey(key);
}

} // namespace kl::win32
