#include "platform/station_folder.h"

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

TEST(StationFolder, PathFollowsTheUsersDataFolder) {
    const std::vector<std::pair<std::map<std::string, std::string>, std::string>> cases = {
        {{{"HOME", "/home/op"}}, "/home/op/.local/share/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", "/data/op"}}, "/data/op/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", ""}}, "/home/op/.local/share/kestrelon"},
        {{{"HOME", "/home/op"}, {"XDG_DATA_HOME", "relative"}}, "/home/op/.local/share/kestrelon"},
        {{}, ""},
    };
    for (const auto& [vars, path] : cases) EXPECT_EQ(StationFolderPath(envOf(vars)), path) << path;
}

TEST(StationFolder, OnlyADesktopStartEntersItAndMakesItOnce) {
    const fs::path start = fs::current_path();
    const fs::path root = fs::temp_directory_path() / ("kestrelon-station-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string data = root.string();

    // A shell start, or any other value: the current folder stays.
    for (const char* how : {"", "shell"}) {
        const StationFolder r = EnterStationFolder(envOf({{"XDG_DATA_HOME", data}, {"KESTRELON_STATION", how}}));
        EXPECT_FALSE(r.entered);
        EXPECT_EQ(fs::current_path(), start);
    }
    EXPECT_FALSE(fs::exists(root / "kestrelon"));

    for (int round = 0; round < 2; ++round) {   // made on the first start, kept on the second
        const StationFolder r = EnterStationFolder(envOf({{"XDG_DATA_HOME", data}, {"KESTRELON_STATION", "desktop"}}));
        EXPECT_TRUE(r.entered) << r.error;
        EXPECT_EQ(fs::current_path(), root / "kestrelon");
        if (round == 0) std::ofstream("TX.ini") << "[TX]\r\n";
        EXPECT_TRUE(fs::exists("TX.ini"));
        fs::current_path(start);
    }

    // Something in the way, or no home at all: said, and the folder kept.
    std::ofstream((root / "blocked").string()) << "a file";
    for (const auto& vars : std::vector<std::map<std::string, std::string>>{
             {{"XDG_DATA_HOME", (root / "blocked").string()}, {"KESTRELON_STATION", "desktop"}},
             {{"KESTRELON_STATION", "desktop"}}}) {
        const StationFolder r = EnterStationFolder(envOf(vars));
        EXPECT_FALSE(r.entered);
        EXPECT_NE(r.error.find("staying in the current folder"), std::string::npos) << r.error;
        EXPECT_EQ(fs::current_path(), start);
    }
    fs::remove_all(root);
}

} // namespace
