// Every fault the simulated pair can inject, at every transfer of a unit and
// at every dongle word: the unit either fails and advances nothing, or
// passes with exactly the EEPROM contents of a clean unit; and the next
// unit passes.
#include "production/production_run.h"

#include "support/memory_settings_file.h"
#include "support/station_bench.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kestrelon {
namespace {

using test::StationBench;

enum class Kind { Unplug, NoAnswer, TransferError, Readback };

struct Unit {
    bool passed = false;
    std::array<uint16_t, 64> dongle{};
    std::array<uint8_t, 128> mouse{};
    int64_t txSn = 0, rxSn = 0;
    int32_t rxId = 0, txId = 0;
    uint64_t transfers = 0;
};

struct MatrixBench : StationBench {
    // The settings file lives in memory: thousands of units, each reserved
    // and settled, cost no disk flushes.
    MatrixBench() : StationBench({}, false, std::make_shared<test::MemorySettingsFile>()) {
        startUp();
        sequentialIds(0x123456, 0xABCDEF);
        auto& g = st->generators;
        g.TxSN->setIsSN(true);
        g.RxSN->setIsSN(true);
    }

    Unit run(const sim::Faults& faults) {
        EXPECT_TRUE(plugAndDetect());
        pair->armFaults(faults);
        Unit u;
        u.passed = go().passed;
        pair->settle();
        u.dongle = pair->dongleEeprom();
        u.mouse = pair->mouseEeprom();
        u.transfers = pair->transfersSinceArmed();
        const auto& g = st->generators;
        u.txSn = g.TxSN->IncCurrentSN();
        u.rxSn = g.RxSN->IncCurrentSN();
        u.rxId = g.RxRFID->IncCurrentRFID();
        u.txId = g.TxRFID->IncCurrentRFID();
        return u;
    }

    // The operator takes the unit out and plugs a fresh one.
    Unit next() {
        sim.unplug(dongleDevice);
        st->detection.DetectHIDDeviceCounterTimer();
        pair = makePair({});
        return run({});
    }
};

const Unit& cleanUnit() {
    static const Unit u = [] {
        MatrixBench b;
        return b.run({});
    }();
    return u;
}

// Under the sanitizers every few positions are enough to keep the build's
// test time in bounds (KESTRELON_FAULT_STRIDE); the plain build runs them all.
int stride() {
    const char* s = std::getenv("KESTRELON_FAULT_STRIDE");
    return s && std::atoi(s) > 0 ? std::atoi(s) : 1;
}

class FaultMatrix : public ::testing::TestWithParam<Kind> {};

TEST_P(FaultMatrix, AUnitFailsCleanlyOrPassesWhole) {
    const Unit& clean = cleanUnit();
    ASSERT_TRUE(clean.passed);
    const uint64_t positions = GetParam() == Kind::Readback ? 64 : clean.transfers;
    int failed = 0, passed = 0;
    for (uint64_t p = GetParam() == Kind::Readback ? 0 : 1; p <= positions; p += stride()) {
        if (GetParam() == Kind::Readback && p == 64) break;
        SCOPED_TRACE(::testing::Message() << "position " << p);
        sim::Faults f;
        switch (GetParam()) {
        case Kind::Unplug: f.unplugAfter = p; break;
        case Kind::NoAnswer: f.noAnswerFrom = p; break;
        case Kind::TransferError: f.transferErrorFrom = p; break;
        case Kind::Readback: f.readbackWord = static_cast<uint8_t>(p); break;
        }
        MatrixBench b;
        const int64_t txBefore = b.st->generators.TxSN->IncCurrentSN();
        const int64_t rxBefore = b.st->generators.RxSN->IncCurrentSN();
        const Unit u = b.run(f);
        if (u.passed) {
            ++passed;
            EXPECT_EQ(u.dongle, clean.dongle);
            EXPECT_EQ(u.mouse, clean.mouse);
            EXPECT_EQ(u.txSn, clean.txSn);
            EXPECT_EQ(u.rxId, clean.rxId);
        } else {
            ++failed;
            EXPECT_EQ(u.txSn, txBefore);
            EXPECT_EQ(u.rxSn, rxBefore);
            EXPECT_EQ(u.rxId, 0);
            EXPECT_EQ(u.txId, 0);
        }
        if (HasFailure()) return;
        EXPECT_TRUE(b.next().passed) << "the unit after the fault";
    }
    EXPECT_GT(failed, 0);
    std::cout << failed << " failed, " << passed << " passed whole\n";
}

std::string kindName(const ::testing::TestParamInfo<Kind>& info) {
    static const char* const names[] = {"Unplug", "NoAnswer", "TransferError", "Readback"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryPosition, FaultMatrix,
                         ::testing::Values(Kind::Unplug, Kind::NoAnswer, Kind::TransferError, Kind::Readback),
                         kindName);

} // namespace
} // namespace kestrelon
