#include "app/setting_controls.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

TEST(SettingControls, PeriodLabelsInTheShortestGeneralForm) {
    const std::pair<int, const char*> sleep[] = {{56, "1828.36ms"}, {0, "2340.3008ms"}, {240, "146.2688ms"},
                                                 {256 - 100, "914.18ms"}};
    for (auto [v, text] : sleep) EXPECT_EQ(SleepPeriodLabel(v), text) << v;
    const std::pair<int, const char*> wakeup[] = {{15, "6.4ms"}, {3, "1.6ms"}, {19, "8ms"}, {4, "2ms"}};
    for (auto [v, text] : wakeup) EXPECT_EQ(WakeupPeriodLabel(v), text) << v;
}

TEST(SettingControls, ModelLooks) {
    EXPECT_EQ(ModelLookFor(0), (ModelLook{false, false, false, 224}));
    EXPECT_EQ(ModelLookFor(1), (ModelLook{true, true, false, 428}));
    EXPECT_EQ(ModelLookFor(2), (ModelLook{true, true, true, 428}));
    EXPECT_EQ(ModelLookFor(-1), std::nullopt);
    EXPECT_EQ(ModelLookFor(3), std::nullopt);
}

TEST(SettingControls, UsbIdentityStoredAtOnceOutsideRunsAndLoads) {
    test::StationBench b;
    auto stored = [&] { return std::filesystem::exists(b.settingsPath()); };
    b.st->StartUp();
    b.options([](ProductSettings& o) { o.VidSet = "F3D7"; });
    EXPECT_FALSE(stored()) << "before the first activation";
    b.st->FormActivate();

    b.st->run.RunMode = RunFilling;   // a run clears the boxes without storing
    b.options([](ProductSettings& o) { o.PidSet = "0A01"; });
    EXPECT_FALSE(stored());
    b.st->run.RunMode = RunIdle;
    b.options([](ProductSettings& o) { o.Wakeup = 1; });   // the other options wait for the next write
    EXPECT_FALSE(stored());
    b.options([](ProductSettings& o) { o.StringDesc = "Desk"; });
    ASSERT_TRUE(stored());

    // A load fills the boxes and stores nothing, whatever it changed.
    std::filesystem::remove(b.settingsPath());
    b.st->btnLoadSettingClick();
    EXPECT_EQ(b.st->ui.options->StringDesc, "");   // no file: the boxes are emptied
    EXPECT_FALSE(stored());
    b.options([](ProductSettings& o) { o.VidSet = "1234"; });
    EXPECT_TRUE(stored());
}

} // namespace
} // namespace kestrelon
