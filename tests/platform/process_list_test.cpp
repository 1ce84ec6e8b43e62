#include "platform/process_list.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(ProcessList, ExecutableNames) {
    const struct {
        const char* path;
        const char* name;
        bool match;
    } rows[] = {
        {"/opt/line/kestrelon-mfg", "kestrelon-mfg", true},
        {"/opt/line/Kestrelon-MFG", "kestrelon-mfg", true},
        {"C:\\Line\\KESTRELON.EXE", "kestrelon.exe", true},
        {"/opt/line/kestrelon-mfg", "/opt/line/kestrelon-mfg", true},
        {"/opt/line/kestrelon-mfg-cli", "kestrelon-mfg", false},
        {"/opt/kestrelon-mfg/other", "kestrelon-mfg", false},
        {"/opt/line/kestrelon-mfg", "", false},
    };
    for (const auto& r : rows) EXPECT_EQ(ExeMatches(r.path, r.name), r.match) << r.path << " / " << r.name;
}

TEST(ProcessList, FindsItselfButNeverAsAnotherCopy) {
    const std::string own = GetOwnExeName();
    ASSERT_FALSE(own.empty());
    bool listed = false;
    for (const ProcessEntry& p : ListUserProcesses()) listed |= p.pid == GetCurrentProcessId() && ExeMatches(p.exePath, own);
    EXPECT_TRUE(listed);
    for (int64_t pid : FindOtherInstances(own)) EXPECT_NE(pid, GetCurrentProcessId());
    EXPECT_TRUE(ProcessRunning(GetCurrentProcessId()));
    EXPECT_FALSE(TerminateInstance(GetCurrentProcessId(), "no-such-program"));
}

} // namespace
