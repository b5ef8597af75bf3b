#pragma once
// The command line, read before the program connects to a display, so that
// --help and --version work in a terminal without one.  Qt's own options
// (-platform, -style, -session, ...) are passed on to Qt.

#include <ostream>
#include <string>
#include <vector>

// The version of this build, such as "2.02".
const char *ProgramVersion();

// What the command line asks of the windows' start.
struct CommandLine {
    // argv[0], then Qt's own options with their values in their order, then
    // a null pointer: the arguments to construct QApplication with.
    std::vector<char *> qtArguments;
    std::string platform; // the value of -platform; empty when not given
    std::string display;  // the value of -display; empty when not given
};

// Prints the help or the version to `out`, or an error and the usage to
// `err`, and returns the exit status: 0, 1 when `out` could not be written,
// 2 for a wrong argument.  Returns -1, with `line` filled, when there is
// nothing to print and the windows should start.
int HandleCommandLine(int argc, char *argv[], std::ostream &out, std::ostream &err, CommandLine &line);
