#include "app/settings_lock.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

struct SettingsLockTest : ::testing::Test {
    test::StationBench b;
    std::vector<std::string> typed;   // what the prompt answers, in turn ("" entries: Cancel)
    int prompts = 0;

    void SetUp() override {
        b.startUp();
        b.st->settingsLock.askPassword = [this]() -> std::optional<std::string> {
            const std::string t = typed.at(prompts++);
            if (t.empty()) return std::nullopt;
            return t;
        };
        // The window holds a salted hash; here the rule alone counts.
        b.st->settingsLock.passwordMatches = [](const std::string& t) { return t == "secret"; };
    }
    void doubleClicks(int n) {
        for (int i = 0; i < n; ++i) b.st->settingsLock.imgLogoDblClick();
    }
    const LockState& lock() const { return *b.st->ui.lock; }
};

TEST_F(SettingsLockTest, EveryFifthDoubleClickAsksAndOnlyTheExactPasswordUnlocks) {
    EXPECT_FALSE(b.st->settingsLock.controlsFollow());
    typed = {"SECRET", "secret ", "", "secret"};
    doubleClicks(4);
    EXPECT_EQ(prompts, 0);
    EXPECT_TRUE(b.st->settingsLock.controlsFollow());   // from the first double-click on
    // Wrong letter case, a trailing blank and Cancel are refused silently.
    for (int round = 1; round <= 3; ++round) {
        doubleClicks(round == 1 ? 1 : 5);
        EXPECT_EQ(prompts, round);
        EXPECT_FALSE(lock().unlocked);
    }
    doubleClicks(4);
    EXPECT_EQ(prompts, 3);
    doubleClicks(1);
    EXPECT_TRUE(lock().unlocked);
    EXPECT_EQ(lock().UnlockTries, 20);
    EXPECT_TRUE(b.recorded.messages.empty());

    // Locking is at once, not counted, and says so; the count goes on.
    doubleClicks(1);
    EXPECT_FALSE(lock().unlocked);
    EXPECT_EQ(lock().UnlockTries, 20);
    ASSERT_EQ(b.recorded.messages.size(), 1u);
    EXPECT_EQ(b.recorded.kinds[0], MessageKind::Plain);
    EXPECT_EQ(b.recorded.messages[0].second, "Locked");
    typed.push_back("secret");
    doubleClicks(4);
    EXPECT_EQ(prompts, 4);
    doubleClicks(1);
    EXPECT_EQ(prompts, 5);
    EXPECT_TRUE(lock().unlocked);
}

TEST_F(SettingsLockTest, ControlsInOrderWithTheSerialBoxesThatNeedBytes) {
    b.st->numbering.setFixByteCount(NumberingRow::Rx, 0);   // all bytes incrementing
    b.st->numbering.setIncByteCount(NumberingRow::Tx, 0);   // all bytes fixed
    typed = {"secret"};
    doubleClicks(5);
    ASSERT_TRUE(lock().unlocked);

    const std::vector<LockedControl> controls = b.st->settingsLock.controls();
    ASSERT_EQ(controls.size(), 69u);
    EXPECT_STREQ(controls.front().name, "rbMouseOnly");
    EXPECT_STREQ(controls[29].name, "Model_select");
    EXPECT_STREQ(controls.back().name, "fndirection");
    std::vector<std::string> disabled;
    for (const LockedControl& c : controls)
        if (!c.enabled) disabled.push_back(c.name);
    EXPECT_EQ(disabled, (std::vector<std::string>{"edtRX_FixSN", "edtTX_IncInitSN"}));
    // The numbering panel's boxes follow the same rule.
    EXPECT_FALSE(b.st->ui.numbering->rx.fixEnabled);
    EXPECT_TRUE(b.st->ui.numbering->rx.initEnabled);
    EXPECT_TRUE(b.st->ui.numbering->tx.fixEnabled);

    doubleClicks(1);
    for (const LockedControl& c : b.st->settingsLock.controls()) EXPECT_FALSE(c.enabled) << c.name;
    EXPECT_FALSE(b.st->ui.numbering->rx.initEnabled);
}

} // namespace
} // namespace kestrelon
