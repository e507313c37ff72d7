#pragma once

#include <ostream>

// What organCommandLine returns when the command line names none of its modes: the player
// then starts its window as always.
inline constexpr int NoCommandLineMode = -1;

// Exit codes of the modes.
inline constexpr int ExitAllFit = 0;
inline constexpr int ExitSomeDoNotFit = 1;
inline constexpr int ExitUnreadable = 2; // a file cannot be read, or the command is wrong

// `--check-organ [--json] FILE...` prints one report per file; `--fit-organ IN OUT` writes
// the organ copy of IN to OUT. Neither opens a window or needs a display.
int organCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);
