#include "app/main/commandline.h"

#include "app/main/searchcommand.h"

#include <QMessageLogContext>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char Usage[] =
    "Usage: pathwren [QT-OPTION]...\n"
    "  or:  pathwren --help | --version\n"
    "  or:  pathwren --search PATTERNS [OPTION]... FOLDER...\n";

const char Help[] =
    "Searches a folder tree for files and folders whose names match a list of\n"
    "wildcard patterns, and copies the matching files into one folder.\n"
    "Without arguments it opens its windows (Japanese user interface).\n"
    "\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "      --              end of the options\n"
    "\n"
    "Qt's standard options are passed on to Qt, among them:\n"
    "  -platform NAME      the window system: xcb (X11), wayland, offscreen, ...\n"
    "  -display DISPLAY    the X display to use instead of $DISPLAY\n"
    "  -style NAME         the widget style, such as Fusion\n"
    "  -session ID         restore the session the session manager names\n"
    "  -reverse            lay the windows out from right to left\n"
    "\n"
    "Exit status: 0 when the windows were closed or the text was written;\n"
    "1 when there is no display to show the windows on, or the text could not be\n"
    "written; 2 for a wrong argument.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/Pathwren/Pathwren.ini (~/.config/Pathwren/Pathwren.ini)\n"
    "Log:      $XDG_STATE_HOME/Pathwren/Pathwren.log (~/.local/state/Pathwren/Pathwren.log);\n"
    "          Pathwren.log beside the program when it runs from its build folder\n"
    "Manual:   man pathwren\n";

const char VersionNotice[] =
    "Copyright (C) 2026 the Pathwren authors.\n"
    "License MIT: <https://opensource.org/license/mit>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// The options QApplication reads itself on Linux (Qt 6), each also with two
// dashes as Qt takes them.  `joined`: the value may follow an '=' too.
struct QtOption {
    const char *name;
    bool takesValue;
    bool joined;
};
const QtOption QtOptions[] = {
    {"platform", true, false},  {"platformpluginpath", true, false}, {"platformtheme", true, false},
    {"plugin", true, false},    {"qwindowgeometry", true, false},    {"geometry", true, false},
    {"qwindowtitle", true, false}, {"title", true, false},           {"qwindowicon", true, false},
    {"icon", true, false},      {"session", true, false},            {"style", true, true},
    {"stylesheet", true, true}, {"qmljsdebugger", true, true},       {"display", true, false},
    {"name", true, false},      {"visual", true, false},             {"reverse", false, false},
    {"testability", false, false}, {"widgetcount", false, false},    {"nograb", false, false},
    {"dograb", false, false},
};

// The Qt option `arg` names, or null; `joinedValue` is set when its value
// follows an '=' in the same argument.
const QtOption *FindQtOption(const char *arg, bool &joinedValue)
{
    const char *name = arg + (arg[1] == '-' ? 2 : 1);
    for (const QtOption &option : QtOptions) {
        const size_t length = std::strlen(option.name);
        if (std::strncmp(name, option.name, length) != 0)
            continue;
        joinedValue = name[length] == '=';
        if (name[length] == '\0' || (option.joined && joinedValue))
            return &option;
    }
    return nullptr;
}

int UsageError(std::ostream &err, const std::string &what)
{
    err << "pathwren: " << what << '\n' << Usage << "Try 'pathwren --help' for more information.\n";
    return 2;
}

// Writes `text`; a full disk or a closed pipe is an error, as for any
// program whose output is its result.
int Print(std::ostream &out, std::ostream &err, const std::string &text)
{
    errno = 0;
    out << text;
    out.flush();
    if (out)
        return 0;
    const int cause = errno;
    err << "pathwren: write error" << (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string())
        << '\n';
    return 1;
}

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Whether the window system was chosen, by -platform or QT_QPA_PLATFORM.
bool PlatformChosen(const CommandLine &line)
{
    return !line.platform.empty() || !Environment("QT_QPA_PLATFORM").empty();
}

// The window systems Qt tries, in its order: "xcb", "wayland", "offscreen", ...
std::vector<std::string> Platforms(const CommandLine &line)
{
    std::string wanted = line.platform;
    if (wanted.empty())
        wanted = Environment("QT_QPA_PLATFORM");
    if (wanted.empty())
        wanted = Environment("XDG_SESSION_TYPE") == "wayland" ? "wayland;xcb" : "xcb";
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= wanted.size()) {
        const size_t end = std::min(wanted.find(';', start), wanted.size());
        const std::string entry = wanted.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':')); // parameters follow a ':'
        if (!name.empty())
            names.push_back(name);
        start = end + 1;
    }
    return names;
}

std::string XDisplay(const CommandLine &line)
{
    return !line.display.empty() ? line.display : Environment("DISPLAY");
}

// Why each window system Qt tried did not start, in one line.
std::string FailedDisplays(const CommandLine &line)
{
    if (const std::string missing = MissingDisplay(line); !missing.empty())
        return missing;
    std::string reasons;
    for (const std::string &platform : Platforms(line)) {
        std::string reason;
        if (platform == "xcb") {
            const std::string display = XDisplay(line);
            reason = display.empty() ? "DISPLAY is not set" : "cannot connect to the X display '" + display + "'";
        } else if (platform.compare(0, 7, "wayland") == 0) {
            const std::string display = Environment("WAYLAND_DISPLAY");
            reason = "the Qt platform '" + platform + "' did not start ("
                     + (display.empty() ? "WAYLAND_DISPLAY is not set" : "WAYLAND_DISPLAY is '" + display + "'") + ")";
        } else {
            reason = "the Qt platform '" + platform + "' did not start";
        }
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    return reasons;
}

// What Qt says while QApplication is made, held by DisplayFailureGuard.
struct HeldMessage {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
};
std::vector<HeldMessage> HeldMessages;
std::string FailureLine; // said instead of Qt's fatal error

void HoldStartMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // The one fatal error of QApplication's start: no window system opened.
        std::fputs(FailureLine.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    HeldMessages.push_back({type, context.file != nullptr ? context.file : "",
                            context.function != nullptr ? context.function : "",
                            context.category != nullptr ? context.category : "", context.line, text});
}

} // namespace

const char *ProgramVersion()
{
    return PATHWREN_VERSION;
}

int HandleCommandLine(int argc, char *argv[], std::ostream &out, std::ostream &err, CommandLine &line)
{
    static char programName[] = "pathwren";
    line = CommandLine{};
    line.qtArguments.push_back(argc > 0 ? argv[0] : programName);
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool option = !optionsEnded && arg[0] == '-' && arg[1] != '\0';
        if (!option)
            return UsageError(err, std::string("unexpected argument '") + arg + "'");
        bool joinedValue = false;
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            version = true;
        } else if (const QtOption *qt = FindQtOption(arg, joinedValue)) {
            line.qtArguments.push_back(argv[i]);
            const char *value = joinedValue ? std::strchr(arg, '=') + 1 : nullptr;
            if (qt->takesValue && !joinedValue) {
                if (i + 1 >= argc)
                    return UsageError(err, std::string("option '") + arg + "' requires an argument");
                value = argv[++i];
                line.qtArguments.push_back(argv[i]);
            }
            if (std::strcmp(qt->name, "platform") == 0)
                line.platform = value;
            else if (std::strcmp(qt->name, "display") == 0)
                line.display = value;
        } else {
            return UsageError(err, std::string("unknown option '") + arg + "'");
        }
    }
    line.qtArguments.push_back(nullptr);
    if (help)
        return Print(out, err, std::string(Usage) + '\n' + Help + '\n' + SearchHelp());
    if (version)
        return Print(out, err, std::string("Pathwren ") + ProgramVersion() + '\n' + VersionNotice);
    return -1;
}

std::string MissingDisplay(const CommandLine &line)
{
    for (const std::string &platform : Platforms(line)) {
        if (platform != "xcb")
            return {};
    }
    if (!XDisplay(line).empty())
        return {};
    if (PlatformChosen(line))
        return "DISPLAY is not set";
    if (Environment("WAYLAND_DISPLAY").empty())
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    // Qt tries Wayland by itself only in a session that says it is one.
    return "DISPLAY is not set (for the Wayland display, start it with -platform wayland)";
}

DisplayFailureGuard::DisplayFailureGuard(const CommandLine &line)
{
    FailureLine = "pathwren: no display: " + FailedDisplays(line) + '\n';
    HeldMessages.clear();
    m_previous = qInstallMessageHandler(HoldStartMessage);
}

DisplayFailureGuard::~DisplayFailureGuard()
{
    Release();
}

void DisplayFailureGuard::Release()
{
    if (m_previous == nullptr)
        return;
    qInstallMessageHandler(m_previous);
    for (const HeldMessage &held : HeldMessages) {
        const QMessageLogContext context(held.file.empty() ? nullptr : held.file.c_str(), held.line,
                                         held.function.empty() ? nullptr : held.function.c_str(),
                                         held.category.c_str());
        m_previous(held.type, context, held.text);
    }
    HeldMessages.clear();
    m_previous = nullptr;
}
