#include "model/presentation.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(Presentation, AGroupIsToldOnceWhenItsOutermostEditEndsWithAChange) {
    PresentationModel ui;
    int devices = 0, result = 0;
    ui.devices.changed.connect([&] { ++devices; });
    ui.result.changed.connect([&] { ++result; });

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
    ui.engineering.changed.connect([&] { ++engineering; });
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
