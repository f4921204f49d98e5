#pragma once

#include <functional>
#include <string>

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
    // A modal box; returns vbOK or vbCancel (an OK-only box answers vbOK
    // however it is closed). The title is never empty here.
    virtual int MsgBox(const std::string &prompt, int buttons, const std::string &title) = 0;
};

class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // Starts the program whose path is the whole text and returns without
    // waiting. Throws RuntimeError, saying why, when it cannot be started.
    virtual void Shell(const std::string &path, int style) = 0;
};

class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    // Stops the process at once; nothing after it runs.
    [[noreturn]] virtual void end() = 0;
};

// Tells when the settings may have been changed by another process (the
// file that holds them was written), so that what shows them can follow.
class StoreWatch
{
public:
    virtual ~StoreWatch() = default;
    // From now on calls changed after each change, and once soon after this
    // call, from the event loop; an empty function stops the calls.
    virtual void follow(std::function<void()> changed) = 0;
    // The store was found in use: calls changed once more, from the event
    // loop, as soon as it looks free again, whether or not it changed.
    virtual void retry() = 0;
};

// Keeps the stored list as it stands, where the user can bring it back in
// one step, before the recovery dialog's reset wipes it.
class ResetCopy
{
public:
    virtual ~ResetCopy() = default;
    // Called within the reset's handler, before it writes. Throws
    // RuntimeError, saying why, when no copy could be made.
    virtual void keepBeforeReset() = 0;
};

} // namespace kl
