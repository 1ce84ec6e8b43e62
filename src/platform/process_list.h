#pragma once
// The running programs of the current user, for the rule that only one copy
// of the tool runs: the newest copy finds the older ones by the file name of
// their executable.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

struct ProcessEntry {
    int64_t pid = 0;
    std::string exePath;   // full path of the executable, as the system reports it
};

int64_t GetCurrentProcessId();

// The file name of this program's executable, without its folder; empty
// when the system does not tell.
std::string GetOwnExeName();

// Processes of the current user whose executable is known. Empty when the
// list cannot be read.
std::vector<ProcessEntry> ListUserProcesses();

// Whether an executable path names the program `name`: its file name, or the
// whole path, equal to `name` ignoring letter case.
bool ExeMatches(const std::string& exePath, const std::string& name);

// The other running copies of `name` of the current user.
std::vector<int64_t> FindOtherInstances(const std::string& name);

// Whether the process still runs (a process that has ended but was not yet
// collected by its parent counts as ended).
bool ProcessRunning(int64_t pid);

// Ends the process at once, if it still runs the program `name`. True when
// it was told to end.
bool TerminateInstance(int64_t pid, const std::string& name);

} // namespace kestrelon
