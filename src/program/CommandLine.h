#pragma once

#include <optional>

namespace fadebin {

// Exit statuses of the command line, as scripts rely on them.
enum ExitStatus : int {
    exitAccepted = 0,   // every file accepted
    exitRefused = 1,    // at least one file refused (each said on standard error)
    exitUsage = 2,      // the command line was not understood; nothing was done
    exitNotRunning = 3, // no Fadebin is running (nobody owns its bus name)
    exitNoAnswer = 4,   // it runs but did not answer in time; it may still do what was asked
    exitNotSaved = 5,   // done, but not saved yet (the records' disk is full); it keeps trying
};

// Handles what the command line asks for other than running the program: --help,
// --version, a usage error, or one of the subcommands that talk to the running program
// over the session bus (list, expire, keep, delete-now, restore,
// quit, show, rules). Returns the exit status,
// or none when the program itself should start. Arguments are taken as bytes, so names
// that are not UTF-8 reach the running program intact.
[[nodiscard]] std::optional<int> handleCommandLine(int argc, char** argv);

} // namespace fadebin
