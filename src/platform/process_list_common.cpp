#include "platform/process_list.h"

#include <algorithm>
#include <cctype>

namespace kestrelon {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool ExeMatches(const std::string& exePath, const std::string& name) {
    if (name.empty()) return false;
    const auto slash = exePath.find_last_of("/\\");
    const std::string file = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    return EqualNoCase(file, name) || EqualNoCase(exePath, name);
}

std::vector<int64_t> FindOtherInstances(const std::string& name) {
    std::vector<int64_t> found;
    const int64_t self = GetCurrentProcessId();
    for (const ProcessEntry& p : ListUserProcesses())
        if (p.pid != self && ExeMatches(p.exePath, name)) found.push_back(p.pid);
    return found;
}

} // namespace kestrelon
