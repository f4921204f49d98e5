// The Windows headers as the Win32 face takes them: UTF-16 calls, Windows 10
// declarations (per-monitor DPI), no min/max macros.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif

#include <windows.h>

#include <memory>
#include <type_traits>

namespace kl::winui {

// A handle freed by Free with its owner, never by hand.
template <typename Handle, auto Free>
struct HandleFree
{
    void operator()(Handle handle) const { Free(handle); }
};
template <typename Handle, auto Free>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, HandleFree<Handle, Free>>;

using UniqueIcon = UniqueHandle<HICON, DestroyIcon>;

} // namespace kl::winui
