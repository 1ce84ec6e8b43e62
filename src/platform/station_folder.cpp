#include "platform/station_folder.h"

#include "platform/native_path.h"
#include "platform/process.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>

namespace kestrelon {

namespace fs = std::filesystem;

namespace {

// "C:\..." or "\\server\share\...", as Windows reads them on any system.
bool isAbsoluteWindowsPath(const std::string& p) {
    const auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && sep(p[2])) return true;
    return p.size() >= 2 && sep(p[0]) && sep(p[1]);
}

std::string join(const std::string& base, char separator, const std::string& rest) {
    return base.back() == separator || base.back() == '/' ? base + rest : base + separator + rest;
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

} // namespace

std::string PosixStationFolderPath(const EnvironmentLookup& env) {
    const char* data = env("XDG_DATA_HOME");
    if (data && data[0] == '/') return join(data, '/', "kestrelon");
    const char* home = env("HOME");
    if (!home || !*home) return {};
    return join(home, '/', ".local/share/kestrelon");
}

std::string WindowsStationFolderPath(const EnvironmentLookup& env) {
    const char* local = env("LOCALAPPDATA");
    if (local && isAbsoluteWindowsPath(local)) return join(local, '\\', "kestrelon");
    const char* profile = env("USERPROFILE");
    if (!profile || !isAbsoluteWindowsPath(profile)) return {};
    return join(profile, '\\', "AppData\\Local\\kestrelon");
}

std::string StationFolderPath(const EnvironmentLookup& env) {
    return kWindows ? WindowsStationFolderPath(env) : PosixStationFolderPath(env);
}

StationFolder EnterStationFolder(const EnvironmentLookup& env) {
    StationFolder r;
    const char* how = env("KESTRELON_STATION");
    if (!how || std::string(how) != "desktop") return r;
    r.path = StationFolderPath(env);
    if (r.path.empty()) {
        r.error = std::string("no station folder: neither ") +
                  (kWindows ? "LOCALAPPDATA nor USERPROFILE" : "XDG_DATA_HOME nor HOME") +
                  " is set; staying in the current folder";
        return r;
    }
    std::error_code ec;
    fs::create_directories(NativePath(r.path), ec);
    if (!ec) fs::current_path(NativePath(r.path), ec);
    if (ec) {
        r.error = "cannot use the station folder " + r.path + ": " + ec.message() + "; staying in the current folder";
        return r;
    }
    r.entered = true;
    return r;
}

StationFolder EnterStationFolder() {
    // The lookup hands out pointers that must stay valid: the values are
    // kept for the life of the program (a handful of names).
    static std::map<std::string, std::string> seen;
    return EnterStationFolder([](const char* name) -> const char* {
        const auto value = EnvironmentValue(name);
        if (!value) return nullptr;
        return (seen[name] = *value).c_str();
    });
}

} // namespace kestrelon
