#include "sim/pair_state_file.h"

#include "platform/file_system.h"

#include <nlohmann/json.hpp>

#include <cerrno>

namespace kestrelon::sim {

namespace {

constexpr uint64_t kMaxStateBytes = 16 << 20;   // a state file is about 10 KB

std::string systemError() { return files::ErrorText(errno); }

} // namespace

StateLoad LoadPairState(const std::string& path, PairFirmware& pair, std::string& why) {
    files::Info info;
    if (!files::PathInfo(path, info)) {
        if (errno == ENOENT) return StateLoad::Missing;
        why = systemError();
        return StateLoad::Failed;
    }
    if (info.type == files::Type::Folder) {
        why = "is a folder";
        return StateLoad::Failed;
    }
    if (info.type != files::Type::Regular || info.size > kMaxStateBytes) {
        why = "not a state file";
        return StateLoad::Failed;
    }
    const int fd = files::OpenForReading(path);
    if (fd < 0) {
        why = systemError();
        return StateLoad::Failed;
    }
    std::string text;
    char buf[8192];
    for (;;) {
        const long n = files::Read(fd, buf, sizeof buf);
        if (n < 0) {
            why = systemError();
            files::Close(fd);
            return StateLoad::Failed;
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
        if (text.size() > kMaxStateBytes) break;
    }
    files::Close(fd);
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
    files::Info info;
    const unsigned mode = files::PathInfo(path, info) && info.type == files::Type::Regular ? info.mode : files::NewFileMode();
    std::string temp;
    const int fd = files::CreateUnique(path + ".tmp", 0600, temp);   // never an existing name
    if (fd < 0) {
        why = systemError();
        return false;
    }
    bool ok = files::SetMode(fd, mode) && files::WriteAll(fd, text) && files::Flush(fd);
    if (!ok) why = systemError();
    if (!files::Close(fd) && ok) {
        why = systemError();
        ok = false;
    }
    if (ok && !files::ReplaceWith(temp, path)) {
        why = systemError();
        ok = false;
    }
    if (!ok) files::Remove(temp);
    return ok;
}

} // namespace kestrelon::sim
