#include "app/title.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(Title, ReservedDrawsBecomeTheirNeighbour) {
    const std::pair<int, int> moved[] = {{0x00, 0x01}, {0x0F, 0x10}, {0x55, 0x56}, {0x5A, 0x5B},
                                         {0xA5, 0xA6}, {0xAA, 0xAB}, {0xF0, 0xF1}};
    for (auto [draw, id] : moved) EXPECT_EQ(TempIdFromDraw(draw), id) << draw;
    for (int draw = 0; draw <= 254; ++draw) {
        const int id = TempIdFromDraw(draw);
        EXPECT_TRUE(id >= 1 && id <= 254) << draw;
        for (int reserved : {0x0F, 0x55, 0x5A, 0xA5, 0xAA, 0xF0}) EXPECT_NE(id, reserved) << draw;
    }
}

TEST(Title, CarriesTheTempID) {
    EXPECT_EQ(MainWindowTitle(7), "Kestrelon 2.4GHz RF SoC Manufacture Tool V0.36 For Holmar Only TempID=7");
    EXPECT_EQ(MainWindowTitle(254), "Kestrelon 2.4GHz RF SoC Manufacture Tool V0.36 For Holmar Only TempID=254");
    EXPECT_STREQ(kApplicationTitle, "Kestrelon 2.4GHz RF SoC Manufacture Tool ");
}

} // namespace
