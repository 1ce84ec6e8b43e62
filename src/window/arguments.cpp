#include "window/arguments.h"

#include <cstring>

namespace kestrelon {

WindowArguments ReadWindowArguments(int argc, const char* const* argv) {
    WindowArguments a;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            a.ask = WindowArguments::Ask::Help;
            return a;
        }
        if (std::strcmp(argv[i], "--version") == 0) a.ask = WindowArguments::Ask::Version;
    }
    a.autoRun = a.ask == WindowArguments::Ask::Window && argc > 1;
    return a;
}

std::string WindowUsage() {
    return "Usage: kestrelon-mfg [ARGUMENT...]\n"
           "\n"
           "The production window of the Kestrelon 2.4 GHz RF SoC manufacture tool: plug a\n"
           "receiver with its mouse powered, wait for both lamps, press Go or Page Down.\n"
           "Started with any argument other than those below, it programs each receiver\n"
           "whose mouse answers by itself (the window shows AUTO beside Go). A copy started\n"
           "later takes over from a running one, after the unit that one is programming.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "  --version      show the version and exit\n"
           "\n"
           "Environment:\n"
           "  KESTRELON_SIM=1            the built-in simulated receiver and mouse\n"
           "  KESTRELON_SIM_STATE=FILE   keep the simulated pair in FILE\n"
           "  KESTRELON_STATION=desktop  keep TX.ini and the log in ~/.local/share/kestrelon\n"
           "                             (the menu entry sets it); otherwise the current folder\n"
           "  KESTRELON_HOTPLUG=off      find receivers with the 5 s detection timer alone\n";
}

} // namespace kestrelon
