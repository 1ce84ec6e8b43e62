#include "model/presentation.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(Presentation, AGroupIsToldOnceWhenItsOutermostEditEndsWithAChange) {
    PresentationModel ui;
    int devices = 0, result = 0;
    const auto d1 = ui.devices.changed.connect([&] { ++devices; });
    const auto r1 = ui.result.changed.connect([&] { ++result; });

    ui.devices.edit([&](DeviceStatus& d) {
        d.ledRX.Value = true;
        ui.devices.edit([](DeviceStatus& inner) { inner.edtRX = "Mouse RX Ready"; });
        EXPECT_EQ(devices, 0) << "told in the middle of an edit";
    });
    EXPECT_EQ(devices, 1);
    ui.devices.edit([](DeviceStatus& d) { d.ledRX.Value = true; });   // no change: no redraw
    EXPECT_EQ(devices, 1);
    EXPECT_EQ(result, 0);

    int engineering = 0;
    const auto e1 = ui.engineering.changed.connect([&] { ++engineering; });
    ui.engineering.edtRF_EEPROMAddr.setValue(0x12);
    ui.engineering.edtRF_EEPROMAddr.setValue(0x12);
    EXPECT_EQ(engineering, 1);
}

TEST(Presentation, TheDebugListKeepsOnlyTheLastLines) {
    DebugList list;
    for (size_t i = 0; i < DebugList::kCapacity + 5; ++i) list.add(std::to_string(i));
    ASSERT_EQ(list.lines().size(), DebugList::kCapacity);
    EXPECT_EQ(list.lines().front(), "5");
    EXPECT_EQ(list.lines().back(), std::to_string(DebugList::kCapacity + 4));
}

} // namespace

TEST(Presentation, AConnectionListensWhileItLivesAndMayOutliveItsNotifier) {
    int heard = 0;
    Notifier::Connection kept;
    {
        Notifier n;
        {
            const Notifier::Connection gone = n.connect([&] { ++heard; });
            kept = n.connect([&] { heard += 10; });
            n.notify();
        }
        n.notify();
        EXPECT_EQ(heard, 21);
    }
    kept.disconnect();   // the notifier is gone: nothing to do, nothing touched
}
