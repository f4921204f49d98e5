#pragma once

#include "services.h"

namespace kl {

// Starts programs directly: the whole text is the program's path and no
// character of it is interpreted. Windows can run a batch file only through
// its command interpreter; it gets the path quoted (see win32::startProgram).
class ProcessStarter final : public ProgramStarter
{
public:
    void Shell(const QString &path, int style) override;
};

// The real end of the process: nothing after it runs, not even destructors.
class ExitProcess final : public ProcessControl
{
public:
    [[noreturn]] void end() override;
};

} // namespace kl
