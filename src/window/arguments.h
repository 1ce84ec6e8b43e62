#pragma once
// What the window's command line asks for. Any argument switches on
// automatic runs, except a request for the usage or the version. Decided
// on the arguments as given: Qt takes its own options (-style, ...) out of
// them when the application starts, and those count as well.

#include <string>

namespace kestrelon {

struct WindowArguments {
    enum class Ask { Window, Help, Version };
    Ask ask = Ask::Window;
    bool autoRun = false;
};

WindowArguments ReadWindowArguments(int argc, const char* const* argv);

// The text of --help.
std::string WindowUsage();

} // namespace kestrelon
