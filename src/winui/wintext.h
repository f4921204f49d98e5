#pragma once

#include "win.h"

#include "platform/win32/utf8.h"

#include <string>

namespace kl::winui {

inline std::wstring windowTextW(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A window's text as UTF-8.
inline std::string windowText(HWND hwnd)
{
    return win32::narrow(windowTextW(hwnd));
}

} // namespace kl::winui
