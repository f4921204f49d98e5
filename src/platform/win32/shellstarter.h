#pragma once

#include "platform/services.h"

namespace kl::win32 {

// Starts programs as startProgram() does (see win32shell.h), failures told
// as runtime errors in the user's words with the system's reason.
class ShellStarter final : public ProgramStarter
{
public:
    void Shell(const std::string &path, int style) override;
};

} // namespace kl::win32
