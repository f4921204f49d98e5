#pragma once

#include <string>

namespace kl::win32 {

// Text crosses into Win32 as UTF-16 and comes back as UTF-8; bytes that are
// not UTF-8 (or UTF-16 that is not well formed) become U+FFFD.
std::wstring widen(const std::string &utf8);
std::string narrow(const std::wstring &utf16);

// Bytes in the system's ANSI code page (CP932 on a Japanese system), as
// UTF-8, and UTF-16 text in that code page (characters the code page lacks
// become its default character).
std::string ansiToUtf8(const std::string &bytes);
std::string toAnsiCodePage(const std::wstring &text);

} // namespace kl::win32
