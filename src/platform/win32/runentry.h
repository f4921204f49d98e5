#pragma once

#include <string>

namespace kl::win32 {

// The login entry: the value "Kicklist" under the current user's
// Software\Microsoft\Windows\CurrentVersion\Run, "<program>" --start-all.
// Nothing else there is read or touched.
std::wstring runEntryFor(const std::wstring &program);

// Writes the entry for program in place of an earlier one of Kicklist's own;
// a value the user wrote or changed is left as it is. Returns why it could
// not (UTF-8), or nothing.
std::string addRunEntry(const std::wstring &program);
// Removes Kicklist's own entry; one that is not there is already removed.
std::string removeRunEntry();

} // namespace kl::win32
