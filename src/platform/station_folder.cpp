#include "platform/station_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kestrelon {

namespace fs = std::filesystem;

std::string StationFolderPath(const EnvironmentLookup& env) {
    const char* data = env("XDG_DATA_HOME");
    if (data && *data && fs::path(data).is_absolute()) return (fs::path(data) / "kestrelon").string();
    const char* home = env("HOME");
    if (!home || !*home) return {};
    return (fs::path(home) / ".local" / "share" / "kestrelon").string();
}

StationFolder EnterStationFolder(const EnvironmentLookup& env) {
    StationFolder r;
    const char* how = env("KESTRELON_STATION");
    if (!how || std::string(how) != "desktop") return r;
    r.path = StationFolderPath(env);
    if (r.path.empty()) {
        r.error = "no station folder: neither XDG_DATA_HOME nor HOME is set; staying in the current folder";
        return r;
    }
    std::error_code ec;
    fs::create_directories(r.path, ec);
    if (!ec) fs::current_path(r.path, ec);
    if (ec) {
        r.error = "cannot use the station folder " + r.path + ": " + ec.message() + "; staying in the current folder";
        return r;
    }
    r.entered = true;
    return r;
}

StationFolder EnterStationFolder() {
    return EnterStationFolder([](const char* name) -> const char* { return std::getenv(name); });
}

} // namespace kestrelon
