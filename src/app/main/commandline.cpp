#include "app/main/commandline.h"

#include <cerrno>
#include <cstring>

namespace {

const char Usage[] =
    "Usage: pathwren [QT-OPTION]...\n"
    "  or:  pathwren --help | --version\n";

const char Help[] =
    "Searches a folder tree for files and folders whose names match a list of\n"
    "wildcard patterns, and copies the matching files into one folder.\n"
    "Everything is done in its windows (Japanese user interface).\n"
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
    "1 when the text could not be written; 2 for a wrong argument.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/Pathwren/Pathwren.ini (~/.config/Pathwren/Pathwren.ini)\n"
    "Log:      Pathwren.log beside the program when its folder is writable, else\n"
    "          $XDG_STATE_HOME/Pathwren/Pathwren.log (~/.local/state/Pathwren/Pathwren.log)\n"
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
        return Print(out, err, std::string(Usage) + '\n' + Help);
    if (version)
        return Print(out, err, std::string("Pathwren ") + ProgramVersion() + '\n' + VersionNotice);
    return -1;
}
