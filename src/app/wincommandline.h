#pragma once

#include <string>
#include <vector>

namespace kl::commandline {

// The command line on Windows, as on Linux (commandline.h): args are the
// arguments after the program's name. Returns the exit status.
int runWindows(const std::wstring &program, const std::vector<std::wstring> &args);

} // namespace kl::commandline
