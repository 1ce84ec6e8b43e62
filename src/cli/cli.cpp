#include "cli/cli.h"

#include "platform/station_folder.h"
#include "platform/version.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <system_error>

namespace kestrelon::cli {

namespace {

constexpr const char* kProgram = "kestrelon-mfg-cli";

const Command* findCommand(const std::string& name) {
    for (const auto& c : allCommands())
        if (c.name == name) return &c;
    return nullptr;
}

const Option* findOption(const std::vector<Option>& opts, const std::string& name) {
    for (const auto& o : opts)
        if (o.name == name) return &o;
    return nullptr;
}

// An option is known to take a value if any command declares it so; that
// lets options stand before the command word.
bool takesValueAnywhere(const std::string& name) {
    if (auto* o = findOption(commonOptions(), name)) return !o->valueName.empty();
    for (const auto& c : allCommands())
        if (auto* o = findOption(c.options, name)) return !o->valueName.empty();
    return false;
}

void printOptions(std::ostream& out, const std::vector<Option>& opts) {
    for (const auto& o : opts) {
        std::string left = "  --" + o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        out << left << std::string(left.size() < 26 ? 26 - left.size() : 2, ' ') << o.help << "\n";
    }
}

void printMainHelp(std::ostream& out) {
    out << "Usage: " << kProgram << " [options] COMMAND [arguments]\n\n"
        << "Talks to a 2.4 GHz receiver and its mouse over HID feature reports, or to the\n"
        << "built-in simulated pair with --sim.\n\nCommands:\n";
    for (const auto& c : allCommands()) {
        std::string left = "  " + c.name;
        out << left << std::string(left.size() < 16 ? 16 - left.size() : 2, ' ') << c.summary << "\n";
    }
    out << "\nOptions for every command:\n";
    printOptions(out, commonOptions());
    printOptions(out, {{"version", "", "print the version and exit"}});
    out << "\nRun '" << kProgram << " COMMAND --help' for a command's own options, exit status and an example.\n"
        << "Exit status: 0 success, 1 the operation failed, 2 bad usage.\n"
        << "\nSetting up a line (files, settings keys, numbering, records, messages): docs/line-setup.md,\n"
        << "installed as /usr/share/doc/kestrelon-mfg-cli/line-setup.md; manual pages: man " << kProgram
        << ", man kestrelon-mfg.\n";
}

void printCommandHelp(std::ostream& out, const Command& c) {
    out << "Usage: " << kProgram << " " << c.usage << " [options]\n\n" << c.summary << "\n";
    if (!c.options.empty()) {
        out << "\nOptions:\n";
        printOptions(out, c.options);
    }
    out << "\nOptions for every command:\n";
    printOptions(out, commonOptions());
    if (!c.exits.empty()) {
        out << "\nExit status:\n";
        for (const auto& line : c.exits) out << "  " << line << "\n";
    }
    if (!c.example.empty()) out << "\nExample:\n  " << kProgram << " " << c.example << "\n";
}

// --station: FILE options given relative to the folder the command was
// started in keep pointing there; then the command moves into the station
// folder, made on first use, as a start from the desktop menu does.
int enterStation(const Command& cmd, Args& args, const Io& io) {
    namespace fs = std::filesystem;
    if (args.values.count("settings")) {
        io.error("--station and --settings each name a settings file; give one");
        return kExitUsage;
    }
    for (auto& [name, value] : args.values) {
        const Option* o = findOption(cmd.options, name);
        if (!o) o = findOption(commonOptions(), name);
        std::error_code ec;
        if (o && o->valueName == "FILE") value = fs::absolute(value, ec).string();
    }
    const std::string folder = StationFolderPath([](const char* name) -> const char* { return std::getenv(name); });
    if (folder.empty()) {
        io.error("--station: no station folder, as neither XDG_DATA_HOME nor HOME is set");
        return kExitFailed;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!ec) fs::current_path(folder, ec);
    if (ec) {
        io.error("cannot use the station folder " + folder + ": " + ec.message());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

bool Args::has(const std::string& name) const {
    return values.count(name) || std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::string Args::value(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

void Io::error(const std::string& message) const { err << kProgram << ": " << message << "\n"; }

const std::vector<Option>& commonOptions() {
    static const std::vector<Option> opts = {
        {"sim", "", "use the built-in simulated receiver and mouse instead of real hardware"},
        {"sim-state", "FILE", "keep the simulated pair in FILE between calls (implies --sim)"},
        {"help", "", "show help and exit"},
    };
    return opts;
}

Option stationOption() {
    return {"station", "", "work in the station folder of a desktop-menu start (~/.local/share/kestrelon), as that window does"};
}

bool parseNumber(const std::string& text, unsigned long long max, unsigned long long& out) {
    if (text.empty()) return false;
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    unsigned long long v = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || v > max) return false;
    out = v;
    return true;
}

int runCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    Io io{out, err};
    Args args;
    bool help = false;
    std::vector<std::string> unknown;
    std::vector<std::pair<std::string, std::string>> given;   // options in order
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "-h" || a == "--help") {
            help = true;
        } else if (a == "--version") {
            out << kProgram << " " << kProgramVersion << "\n";
            return kExitOk;
        } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
            std::string name = a.substr(2), value;
            const auto eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (takesValueAnywhere(name) && !inlineValue) {
                // The next option is never taken as the value: "--settings
                // --sim" lacks a file name (--settings=--x gives one).
                if (i + 1 >= argv.size() || argv[i + 1].rfind("--", 0) == 0 || argv[i + 1] == "-h") {
                    io.error("option --" + name + " needs a value");
                    return kExitUsage;
                }
                value = argv[++i];
            }
            given.emplace_back(name, inlineValue || takesValueAnywhere(name) ? value : std::string("\x01"));
        } else if (args.command.empty()) {
            args.command = a;
        } else {
            args.positional.push_back(a);
        }
    }

    if (args.command.empty()) {
        if (help) {
            printMainHelp(out);
            return kExitOk;
        }
        io.error("no command given; try --help");
        return kExitUsage;
    }
    const Command* cmd = findCommand(args.command);
    if (!cmd) {
        io.error("unknown command '" + args.command + "'; try --help");
        return kExitUsage;
    }
    if (help) {
        printCommandHelp(out, *cmd);
        return kExitOk;
    }
    for (const auto& [name, value] : given) {
        const Option* o = findOption(cmd->options, name);
        if (!o) o = findOption(commonOptions(), name);
        if (!o) {
            io.error("unknown option --" + name + " for '" + cmd->name + "'; try '" + cmd->name + " --help'");
            return kExitUsage;
        }
        if (o->valueName.empty()) {
            if (value != "\x01") {
                io.error("option --" + name + " takes no value");
                return kExitUsage;
            }
            args.flags.push_back(name);
        } else if (value.empty() && o->valueName == "FILE") {
            io.error("option --" + name + " needs a file name");
            return kExitUsage;
        } else {
            args.values[name] = value;
        }
    }
    if (args.values.count("sim-state") && !args.has("sim")) args.flags.push_back("sim");
    if (args.positional.size() < cmd->minPositional || args.positional.size() > cmd->maxPositional) {
        io.error("usage: " + std::string(kProgram) + " " + cmd->usage);
        return kExitUsage;
    }
    if (args.has("station"))
        if (const int code = enterStation(*cmd, args, io)) return code;
    return cmd->run(args, io);
}

} // namespace kestrelon::cli
