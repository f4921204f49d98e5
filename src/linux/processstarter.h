#pragma once

#include "platform/services.h"

namespace kl {

// Starts programs directly: the whole text is the program's path and no
// character of it is interpreted.
class ProcessStarter final : public ProgramStarter
{
public:
    void Shell(const std::string &path, int style) override;
};

// The real end of the process: nothing after it runs, not even destructors.
class ExitProcess final : public ProcessControl
{
public:
    [[noreturn]] void end() override;
};

} // namespace kl
