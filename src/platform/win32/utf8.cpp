#include "utf8.h"

#include <windows.h>

namespace kl::win32 {

namespace {

std::wstring toUtf16(unsigned codePage, const std::string &bytes)
{
    if (bytes.empty())
        return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring result(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, result.data(), needed);
    return result;
}

std::string fromUtf16(unsigned codePage, const std::wstring &text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string result(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
    return result;
}

} // namespace

std::wstring widen(const std::string &utf8)
{
    return toUtf16(CP_UTF8, utf8);
}

std::string narrow(const std::wstring &utf16)
{
    return fromUtf16(CP_UTF8, utf16);
}

std::string ansiToUtf8(const std::string &bytes)
{
    return narrow(toUtf16(CP_ACP, bytes));
}

std::string toAnsiCodePage(const std::wstring &text)
{
    return fromUtf16(CP_ACP, text);
}

} // namespace kl::win32
