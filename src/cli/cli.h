#pragma once
// The small command framework of kestrelon-mfg-cli: every command declares
// its options and usage; options may stand before or after the command word;
// results go to out, one error line to err; exit 0 success, 1 failed
// operation, 2 bad usage.

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace kestrelon::cli {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct Option {
    std::string name;         // without the leading "--"
    std::string valueName;    // empty for a flag
    std::string help;
};

struct Args {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;   // options with a value
    std::vector<std::string> flags;              // options without one

    bool has(const std::string& name) const;
    std::string value(const std::string& name, const std::string& fallback = {}) const;
};

struct Io {
    std::ostream& out;
    std::ostream& err;
    // Prints "kestrelon-mfg-cli: <message>" as the one error line.
    void error(const std::string& message) const;
};

struct Command {
    std::string name;
    std::string summary;
    std::string usage;      // e.g. "rx-read WORD"
    std::vector<Option> options;
    size_t minPositional = 0;
    size_t maxPositional = 0;
    std::function<int(const Args&, const Io&)> run;
    // For `--help`: what each exit status means for this command, one
    // "N  meaning" line each, and one example command line.
    std::vector<std::string> exits;
    std::string example;
};

// Options every command accepts (--sim, --sim-state FILE, --help).
const std::vector<Option>& commonOptions();
// --station, for the commands that work on a settings file: the command
// works in the station folder a start from the desktop menu uses, so it
// sees the same TX.ini as such a window.
Option stationOption();
// Every command, in the order `--help` lists them.
const std::vector<Command>& allCommands();

// Parses a number given in decimal or with a 0x prefix. False when the text
// is not such a number or the value is above max.
bool parseNumber(const std::string& text, unsigned long long max, unsigned long long& out);

int runCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

} // namespace kestrelon::cli
