#include "sim/pair_state_file.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrelon::sim {

namespace {

constexpr off_t kMaxStateBytes = 16 << 20;   // a state file is about 10 KB

std::string systemError() { return std::strerror(errno); }

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

StateLoad LoadPairState(const std::string& path, PairFirmware& pair, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return StateLoad::Missing;
        why = systemError();
        return StateLoad::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        why = "is a folder";
        return StateLoad::Failed;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxStateBytes) {
        why = "not a state file";
        return StateLoad::Failed;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = systemError();
        return StateLoad::Failed;
    }
    std::string text;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = systemError();
            ::close(fd);
            return StateLoad::Failed;
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
        if (text.size() > static_cast<size_t>(kMaxStateBytes)) break;
    }
    ::close(fd);
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("pair")) {
        why = "not a state file";
        return StateLoad::Failed;
    }
    return pair.loadJson(j["pair"], &why) ? StateLoad::Loaded : StateLoad::Failed;
}

bool SavePairState(const std::string& path, const PairFirmware& pair, std::string& why) {
    nlohmann::json j;
    j["pair"] = pair.toJson();
    const std::string text = j.dump(1) + "\n";

    // A file that is there keeps its permissions; a new one gets the usual.
    mode_t mode;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::vector<char> temp(path.begin(), path.end());
    for (char c : std::string(".tmpXXXXXX")) temp.push_back(c);
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);   // O_EXCL: never an existing name
    if (fd < 0) {
        why = systemError();
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    if (!ok) why = systemError();
    if (::close(fd) != 0 && ok) {
        why = systemError();
        ok = false;
    }
    if (ok && ::rename(temp.data(), path.c_str()) != 0) {
        why = systemError();
        ok = false;
    }
    if (!ok) ::unlink(temp.data());
    return ok;
}

} // namespace kestrelon::sim
