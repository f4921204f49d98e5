#pragma once

#include <string>

namespace kl::win32 {

// Why a program did not start, as far as the caller needs to tell the user.
enum class StartProblem {
    None,
    Missing,
    Folder,
    NotAllowed,
    Other,
};

struct StartResult
{
    StartProblem problem = StartProblem::None;
    std::wstring reason; // the system's own words, inserts filled
    bool ok() const { return problem == StartProblem::None; }
};

// Starts the program at path without waiting for it. The whole text is the
// one file to start, never split at blanks; a text with no folder part is a
// command name, looked up as Windows looks up commands (.exe added when it
// has no extension). style is a window style as the windows pass it
// (1: normal, with focus).
//
// Batch files (.bat, .cmd) can only be run by the command interpreter, which
// Windows would hand the path to with its quotes stripped whenever it holds
// a character such as & or ^. They are given to it here instead, quoted so
// that the path stays one file name; a path holding % or !, which it
// would expand even inside quotes, is refused.
StartResult startProgram(const std::wstring &path, int style);

// The system's text for a Win32 error code, %1 filled with insert; never
// empty.
std::wstring systemMessage(unsigned long code, const std::wstring &insert = {});

} // namespace kl::win32
