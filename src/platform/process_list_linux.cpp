// The process list through /proc.
#if defined(__linux__)

#include "platform/process_list.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kestrelon {

namespace {

// The executable of a process; "" when it is not ours to read or has none
// (kernel threads). A replaced executable is reported with " (deleted)".
std::string ExeOf(const std::string& procDir) {
    char buf[4096];
    const ssize_t n = readlink((procDir + "/exe").c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

} // namespace

int64_t GetCurrentProcessId() { return static_cast<int64_t>(getpid()); }

std::string GetOwnExeName() {
    const std::string path = ExeOf("/proc/self");
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<ProcessEntry> ListUserProcesses() {
    std::vector<ProcessEntry> list;
    DIR* d = opendir("/proc");
    if (!d) return list;
    const uid_t me = geteuid();
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        struct stat st {};
        if (stat(dir.c_str(), &st) != 0 || st.st_uid != me) continue;
        std::string exe = ExeOf(dir);
        if (!exe.empty()) list.push_back({pid, std::move(exe)});
    }
    closedir(d);
    return list;
}

bool ProcessRunning(int64_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/stat", static_cast<long long>(pid));
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got) return false;
    // "pid (comm) S ...": the state follows the last ')'.
    const char* close = std::strrchr(line, ')');
    return !(close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X'));
}

bool TerminateInstance(int64_t pid, const std::string& name) {
    // The number may have been given to another program meanwhile.
    if (pid <= 0 || !ExeMatches(ExeOf("/proc/" + std::to_string(pid)), name)) return false;
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

} // namespace kestrelon

#endif
