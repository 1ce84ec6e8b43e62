// Starting a program on POSIX systems.
#include "platform/process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace kestrelon {

bool StartDetached(const std::string& path) {
    // Fork twice so the program is not our child: nothing to wait for, no
    // zombie left behind.
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

} // namespace kestrelon
