#pragma once
// The command line, read before the program connects to a display, so that
// --help and --version work in a terminal without one, and a start without
// a display ends with one line that says why.  Qt's own options
// (-platform, -style, -session, ...) are passed on to Qt.

#include <QtGlobal>
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

// Why the windows cannot be shown, such as "DISPLAY is not set", when that
// is certain before Qt tries: every window system Qt would try (the
// -platform option, else QT_QPA_PLATFORM, else its default) is X11 and no
// X display is named.  Empty otherwise.
std::string MissingDisplay(const CommandLine &line);

// While it lives, Qt failing to open its window system ends the program
// with status 1 and one line on standard error that says which display
// could not be reached, instead of Qt's abort with advice about plug-ins;
// the messages Qt writes while it tries are held and, once the application
// is made, passed on.  Made just before QApplication, released right after.
class DisplayFailureGuard {
public:
    explicit DisplayFailureGuard(const CommandLine &line);
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard &) = delete;
    DisplayFailureGuard &operator=(const DisplayFailureGuard &) = delete;

    // Passes the held messages on and stops guarding.
    void Release();

private:
    QtMessageHandler m_previous = nullptr;
};
