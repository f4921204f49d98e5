#pragma once

namespace kl::commandline {

// Exit statuses of the command line, on Linux and Windows alike.
enum Status {
    Done = 0,
    BadUsage = 1,     // a command line that cannot be read
    CannotAccess = 2, // the settings cannot be read, or the autostart entry written
    NotAllStarted = 3,
};

// The window takes no arguments, so any argument at all means the command
// line: listing the registered programs, starting them all, and adding or
// removing the entry that starts them at login. None of it needs a window or
// a display. Creates the process's QCoreApplication and returns the exit
// status.
int run(int argc, char *argv[]);

} // namespace kl::commandline
