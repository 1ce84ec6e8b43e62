#include "numbering/prod_rfid.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>

namespace kestrelon {
namespace {

// Hands out a scripted list of draws, then repeats the last one.
class ScriptedRandom : public RFIDRandomSource {
public:
    explicit ScriptedRandom(std::deque<uint32_t> d) : draws(std::move(d)) {}
    uint32_t draw24() override {
        ++count;
        const uint32_t v = draws.front();
        if (draws.size() > 1) draws.pop_front();
        return v;
    }
    std::deque<uint32_t> draws;
    int count = 0;
};

TProdRFID sequentialFrom(int32_t init) {
    TProdRFID id;
    id.setIsRandom(false);
    id.setIncInitRFID(init);
    return id;
}

TEST(ProdRFIDTest, SequentialReadsConsumeCandidates) {
    TProdRFID id = sequentialFrom(0x123456);
    EXPECT_EQ(id.NextRFID(), 0x123456);
    EXPECT_EQ(id.IncPrevRFID(), 0x123456);
    EXPECT_EQ(id.NextRFID(), 0x123457);

    id.setIncCurrentRFID(0x000200);
    EXPECT_EQ(id.NextRFID(), 0x000201);
}

TEST(ProdRFIDTest, SequentialSkipsReservedBytes) {
    EXPECT_EQ(sequentialFrom(0x1234FF).NextRFID(), 0x123501);
    // High byte 0x25 is stored as 0xA5: the whole range is passed over.
    EXPECT_EQ(sequentialFrom(0x250000).NextRFID(), 0x260101);
    // Stored high bytes 0x80, 0x8F, 0xD5, 0xDA are fine.
    for (uint32_t high : {0x00u, 0x0Fu, 0x55u, 0x5Au})
        EXPECT_TRUE(RFIDBytesAllowed(high << 16 | 0x0101)) << high;
    for (uint32_t high : {0x25u, 0x2Au, 0x70u, 0x7Fu, 0xA5u, 0xAAu, 0xF0u, 0xFFu})
        EXPECT_FALSE(RFIDBytesAllowed(high << 16 | 0x0101)) << high;
}

TEST(ProdRFIDTest, SequentialPassesOverShiftedHighBytesInsteadOfShifting) {
    TProdRFID id = sequentialFrom(0x110102);
    EXPECT_EQ(id.NextRFID(), 0x120101);
    EXPECT_EQ(id.NextRFID(), 0x120102);

    // A run through every shifted range never hands out an ID twice.
    for (int32_t high : {0x11, 0x15, 0x19, 0x1C, 0x21, 0x29}) {
        TProdRFID seq = sequentialFrom(high << 16 | 0xFF00);
        std::set<int32_t> seen;
        for (int i = 0; i < 70000; ++i) {
            const int32_t v = seq.NextRFID();
            ASSERT_TRUE(seen.insert(v).second) << std::hex << v;
            ASSERT_FALSE(IsShiftedHighByte(static_cast<uint32_t>(v)));
            ASSERT_TRUE(RFIDBytesAllowed(static_cast<uint32_t>(v)));
        }
    }
}

TEST(ProdRFIDTest, SequentialWrapsAtTheTopWithoutOverflow) {
    TProdRFID id = sequentialFrom(0x7FFFFFFF);
    const int32_t v = id.NextRFID();
    EXPECT_TRUE(RFIDBytesAllowed(static_cast<uint32_t>(v)));
    EXPECT_LE(v, 0xFFFFFF);
}

TEST(ProdRFIDTest, RandomRedrawsRejectedAndShiftedWithoutChangingState) {
    auto random =
        std::make_shared<ScriptedRandom>(std::deque<uint32_t>{0x1234FF, 0x00FF01, 0x290203, 0x110203, 0x300203});
    TProdRFID id(random);
    id.setIncInitRFID(77);
    EXPECT_EQ(id.NextRFID(), 0x300203);   // 0x29 would be stored as the reserved 0xAA once shifted
    EXPECT_EQ(random->count, 5);
    EXPECT_TRUE(id.IsRandom());
    EXPECT_EQ(id.IncInitRFID(), 77);
    EXPECT_EQ(id.IncPrevRFID(), 76);
    EXPECT_EQ(id.IncCurrentRFID(), 0);
}

TEST(ProdRFIDTest, RandomNeverHandsOutAShiftedOrReservedId) {
    struct Seeded : RFIDRandomSource {
        std::mt19937 engine{12345};
        uint32_t draw24() override { return engine() & 0xFFFFFF; }
    };
    TProdRFID id(std::make_shared<Seeded>());
    for (int i = 0; i < 200000; ++i) {
        const uint32_t v = static_cast<uint32_t>(id.NextRFID());
        ASSERT_TRUE(RFIDBytesAllowed(v) && !IsShiftedHighByte(v)) << std::hex << v;
    }
}

TEST(ProdRFIDTest, RandomFromEntropyVariesAndPassesTheByteTest) {
    TProdRFID id;   // the process-wide, once-seeded source
    std::set<int32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const uint32_t v = static_cast<uint32_t>(id.NextRFID());
        EXPECT_LE(v, 0xFFFFFFu);
        EXPECT_FALSE(IsShiftedHighByte(v));
        EXPECT_TRUE(RFIDBytesAllowed((v & 0xFFFF) | 0x010000));   // middle and low bytes
        seen.insert(static_cast<int32_t>(v));
    }
    // Re-seeding from a coarse clock on each read gave runs of equal IDs.
    EXPECT_GT(seen.size(), 1990u);
}

} // namespace
} // namespace kestrelon
