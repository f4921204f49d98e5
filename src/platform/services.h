#pragma once

#include <QString>

namespace kl {

// Message box button sets and answers, as the windows pass and test them.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;

// Window style passed when starting a program: a normal window with focus.
inline constexpr int vbNormalFocus = 1;

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // A modal box; returns vbOK or vbCancel. The title is never empty here.
    virtual int MsgBox(const QString &prompt, int buttons, const QString &title) = 0;
};

class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // Starts the program whose path is the whole text and returns without
    // waiting. Throws RuntimeError, saying why, when it cannot be started.
    virtual void Shell(const QString &path, int style) = 0;
};

class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    // Stops the process at once; nothing after it runs.
    [[noreturn]] virtual void end() = 0;
};

} // namespace kl
