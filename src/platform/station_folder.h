#pragma once
// The window keeps its settings file and its log in the current folder. A
// shell start keeps the folder it was started in; a start from the desktop
// menu (whose entry sets KESTRELON_STATION=desktop) would land wherever the
// desktop runs programs, so it moves into a folder of the user's own,
// made on the first start.

#include <functional>
#include <string>

namespace kestrelon {

// Looks an environment variable up; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// $XDG_DATA_HOME/kestrelon, or $HOME/.local/share/kestrelon when
// XDG_DATA_HOME is unset, empty or relative. Empty when there is no HOME
// either.
std::string StationFolderPath(const EnvironmentLookup& env);

struct StationFolder {
    bool entered = false;   // the current folder is now the station folder
    std::string path;
    std::string error;      // why it could not be made or entered; the current folder is kept
};

// Enters the station folder when KESTRELON_STATION is "desktop", creating
// it as needed; does nothing otherwise. The first thing a front end does,
// before it opens any file.
StationFolder EnterStationFolder(const EnvironmentLookup& env);
StationFolder EnterStationFolder();   // the process's environment

} // namespace kestrelon
