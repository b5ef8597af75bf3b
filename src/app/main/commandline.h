#pragma once
// The command line, read before the program connects to a display, so that
// --help and --version work in a terminal without one.

#include <ostream>

// The version of this build, such as "2.02".
const char *ProgramVersion();

// Prints the help or the version to `out`, or an error and the usage to
// `err`, and returns the exit status (0, or 2 for an unknown argument);
// returns -1 when there is nothing to print and the windows should start.
int HandleCommandLine(int argc, const char *const argv[], std::ostream &out, std::ostream &err);
