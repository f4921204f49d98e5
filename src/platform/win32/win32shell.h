#pragma once

#include <string>

namespace kl::win32 {

// Starts the program at path without waiting for it. The whole text is the
// program: it is neither split at blanks nor given to a command shell.
// style is a window style as the windows pass it (1: normal, with focus).
// Returns an empty string on success, else the system's reason for failing.
std::wstring startProgram(const std::wstring &path, int style);

// The system's text for a Win32 error code; never empty.
std::wstring systemMessage(unsigned long code);

} // namespace kl::win32
