#include "platform/station_folder.h"

#include "platform/native_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

using namespace kestrelon;
namespace fs = std::filesystem;

namespace {

EnvironmentLookup envOf(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

// The user's data folder, whichever system it is for (one of them here).
EnvironmentLookup dataHomeOf(const std::string& folder) {
    return envOf({{"XDG_DATA_HOME", folder}, {"LOCALAPPDATA", folder}, {"KESTRELON_STATION", "desktop"}});
}

TEST(StationFolder, PathFollowsTheUsersDataFolder) {
    using Vars = std::map<std::string, std::string>;
    const std::vector<std::pair<Vars, std::string>> posix = {
        {{{"HOME", "/home/op"}}, "/home/op/.local/share/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", "/data/op/"}}, "/data/op/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", ""}}, "/home/op/.local/share/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", "relative"}}, "/home/op/.local/share/kestrelon"},
        {{{"LOCALAPPDATA", "C:\\Users\\op\\AppData\\Local"}}, ""},
    };
    for (const auto& [vars, path] : posix) EXPECT_EQ(PosixStationFolderPath(envOf(vars)), path) << path;
    // Never a mix of the two: no "/home/op\.local".
    const std::vector<std::pair<Vars, std::string>> windows = {
        {{{"LOCALAPPDATA", "C:\\Users\\\xC3\xA9l\xC3\xA8ve\\AppData\\Local"}},
         "C:\\Users\\\xC3\xA9l\xC3\xA8ve\\AppData\\Local\\kestrelon"},
        {{{"LOCALAPPDATA", "D:\\"}}, "D:\\kestrelon"},
        {{{"LOCALAPPDATA", "\\\\server\\op"}}, "\\\\server\\op\\kestrelon"},
        {{{"LOCALAPPDATA", "relative"}, {"USERPROFILE", "C:\\Users\\op"}}, "C:\\Users\\op\\AppData\\Local\\kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", "/data/op"}}, ""},
    };
    for (const auto& [vars, path] : windows) EXPECT_EQ(WindowsStationFolderPath(envOf(vars)), path) << path;
}

TEST(StationFolder, OnlyADesktopStartEntersItAndMakesItOnce) {
    const fs::path start = fs::current_path();
    // A user name in another script reaches the folder unchanged.
    const fs::path root =
        fs::temp_directory_path() / NativePath("kestrelon-station-\xC3\xA9l\xC3\xA8ve-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string data = Utf8Path(root);

    // A shell start, or any other value: the current folder stays.
    for (const char* how : {"", "shell"}) {
        const StationFolder r = EnterStationFolder(
            envOf({{"XDG_DATA_HOME", data}, {"LOCALAPPDATA", data}, {"KESTRELON_STATION", how}}));
        EXPECT_FALSE(r.entered);
        EXPECT_EQ(fs::current_path(), start);
    }
    EXPECT_FALSE(fs::exists(root / "kestrelon"));

    for (int round = 0; round < 2; ++round) {   // made on the first start, kept on the second
        const StationFolder r = EnterStationFolder(dataHomeOf(data));
        EXPECT_TRUE(r.entered) << r.error;
        EXPECT_EQ(fs::current_path(), root / "kestrelon");
        if (round == 0) std::ofstream("TX.ini") << "[TX]\r\n";
        EXPECT_TRUE(fs::exists("TX.ini"));
        fs::current_path(start);
    }

    // Something in the way, or no home at all: said, and the folder kept.
    std::ofstream(root / "blocked") << "a file";
    for (const auto& env : {dataHomeOf(Utf8Path(root / "blocked")), envOf({{"KESTRELON_STATION", "desktop"}})}) {
        const StationFolder r = EnterStationFolder(env);
        EXPECT_FALSE(r.entered);
        EXPECT_NE(r.error.find("staying in the current folder"), std::string::npos) << r.error;
        EXPECT_EQ(fs::current_path(), start);
    }
    fs::remove_all(root);
}

} // namespace
