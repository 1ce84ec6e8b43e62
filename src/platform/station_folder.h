#pragma once
// The window keeps its settings file and its log in the current folder. A
// shell start keeps the folder it was started in; a start from the desktop
// menu (whose entry sets KESTRELON_STATION=desktop) would land wherever the
// desktop runs programs, so it moves into a folder of the user's own,
// made on the first start. Paths are UTF-8.

#include <functional>
#include <string>

namespace kestrelon {

// Looks an environment variable up; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// The station folder of this system (one of the two below).
std::string StationFolderPath(const EnvironmentLookup& env);
// $XDG_DATA_HOME/kestrelon, or $HOME/.local/share/kestrelon when
// XDG_DATA_HOME is unset, empty or relative. Empty when there is no HOME
// either.
std::string PosixStationFolderPath(const EnvironmentLookup& env);
// %LOCALAPPDATA%\kestrelon, or %USERPROFILE%\AppData\Local\kestrelon when
// LOCALAPPDATA is unset, empty or relative. Empty when there is no
// USERPROFILE either.
std::string WindowsStationFolderPath(const EnvironmentLookup& env);

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
