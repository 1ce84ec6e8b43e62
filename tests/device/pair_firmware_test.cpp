// The simulated pair's answers that the cycle's and the line's tests build
// on: a fault armed on demand changes exactly what it names.
#include "device/device_calls.h"
#include "support/sim_bench.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::SimBench;

namespace {

struct FaultCase {
    const char* name;
    sim::Faults faults;
    bool dongleWordKept, otherWordKept, mouseAnswers;
};

class PairFirmwareFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(PairFirmwareFaults, ChangeOnlyWhatTheyName) {
    const FaultCase& c = GetParam();
    SimBench b;
    b.pair->mouseEepromForTest()[0x12] = 0x33;
    ASSERT_TRUE(b.open());
    b.pair->armFaults(c.faults);
    DeviceCalls calls(b.transport);
    EXPECT_EQ(calls.writeDongleWord(0x2F, 0x40BF).ok(), c.dongleWordKept) << c.name;
    b.transport.clearFailure();
    EXPECT_EQ(calls.writeDongleWord(0x30, 0x1234).ok(), c.otherWordKept) << c.name;
    b.transport.clearFailure();
    EXPECT_EQ(calls.readMouse(0x24, 0x12) == std::optional<uint8_t>(0x33), c.mouseAnswers) << c.name;
}

sim::Faults faults(void (*set)(sim::Faults&)) {
    sim::Faults f;
    set(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Sim, PairFirmwareFaults,
    ::testing::Values(FaultCase{"none", {}, true, true, true},
                      FaultCase{"readback", faults([](sim::Faults& f) { f.readbackWord = 0x2F; }), false, true, true},
                      FaultCase{"mouse silent", faults([](sim::Faults& f) { f.mouseSilent = true; }), true, true, false},
                      FaultCase{"no answer", faults([](sim::Faults& f) { f.noAnswerFrom = 1; }), false, false, false}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n) if (ch == ' ') ch = '_';
        return n;
    });

} // namespace
