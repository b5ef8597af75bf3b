#include "app/main/commandline.h"

#include <cstring>

namespace {

const char Usage[] =
    "Usage: pathwren [--help | --version]\n";

const char Help[] =
    "Searches a folder tree for files and folders whose names match a list of\n"
    "wildcard patterns, and copies the matching files into one folder.\n"
    "Everything is done in its windows (Japanese user interface); it takes no\n"
    "arguments.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/Pathwren/Pathwren.ini (~/.config/Pathwren/Pathwren.ini)\n"
    "Log:      Pathwren.log beside the program when its folder is writable, else\n"
    "          $XDG_STATE_HOME/Pathwren/Pathwren.log (~/.local/state/Pathwren/Pathwren.log)\n";

} // namespace

const char *ProgramVersion()
{
    return PATHWREN_VERSION;
}

int HandleCommandLine(int argc, const char *const argv[], std::ostream &out, std::ostream &err)
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            version = true;
        } else {
            err << "pathwren: " << (arg[0] == '-' ? "unknown option" : "unexpected argument")
                << " '" << arg << "'\n"
                << Usage << "Try 'pathwren --help' for more information.\n";
            return 2;
        }
    }
    if (help) {
        out << Usage << '\n' << Help;
        return 0;
    }
    if (version) {
        out << "Pathwren " << ProgramVersion() << '\n';
        return 0;
    }
    return -1;
}
