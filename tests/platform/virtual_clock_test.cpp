#include "platform/calendar.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(VirtualClock, SleepAdvancesTimeAndIsRecorded) {
    Trace trace;
    VirtualClock clock(&trace);
    clock.Sleep(10);
    clock.ProcessMessages();
    clock.Sleep(3000);
    EXPECT_EQ(clock.GetTickCount(), 3010u);
    EXPECT_EQ(clock.sleptMs(), 3010u);
    EXPECT_EQ(trace.tokens(), (std::vector<std::string>{"W10", "P", "W3000"}));
}

TEST(VirtualClock, TimersFireOnlyWhenMessagesArePumped) {
    VirtualClock clock;
    int ticks = 0;
    auto timer = clock.createTimer(500, [&] { ++ticks; });
    timer->setEnabled(true);
    clock.Sleep(1600);   // three intervals pass while sleeping...
    EXPECT_EQ(ticks, 0);
    clock.ProcessMessages();   // ...but an overdue timer fires once
    EXPECT_EQ(ticks, 1);
    clock.ProcessMessages();
    EXPECT_EQ(ticks, 1);
    clock.Sleep(500);
    clock.ProcessMessages();
    EXPECT_EQ(ticks, 2);
    timer->setEnabled(false);
    clock.Sleep(5000);
    clock.ProcessMessages();
    EXPECT_EQ(ticks, 2);
}

TEST(VirtualClock, WaitForEventsJumpsToTheNextTimer) {
    VirtualClock clock;
    int a = 0, b = 0;
    auto slow = clock.createTimer(5000, [&] { ++a; });
    auto fast = clock.createTimer(1000, [&] { ++b; });
    slow->setEnabled(true);
    fast->setEnabled(true);
    clock.waitForEvents(60000);
    EXPECT_EQ(clock.GetTickCount(), 1000u);
    EXPECT_EQ(b, 1);
    for (int i = 0; i < 4; ++i) clock.waitForEvents(60000);
    EXPECT_EQ(clock.GetTickCount(), 5000u);
    EXPECT_EQ(a, 1);
}

TEST(VirtualClock, TimerDestroyedInsideAHandlerIsSafe) {
    VirtualClock clock;
    std::unique_ptr<Timer> t;
    int ticks = 0;
    t = clock.createTimer(10, [&] {
        ++ticks;
        t.reset();
    });
    t->setEnabled(true);
    clock.Sleep(10);
    clock.ProcessMessages();
    clock.Sleep(10);
    clock.ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

TEST(VirtualClock, LocalTimeCrossesMidnightAndLeapDays) {
    VirtualClock clock;
    clock.setLocalStart({2024, 2, 28, 23, 59, 59, 500});
    clock.Sleep(500);
    auto t = clock.localNow();
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 0);
    clock.advanceMs(24ull * 3600 * 1000);
    t = clock.localNow();
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(addMilliseconds({2023, 12, 31, 23, 59, 59, 999}, 1).year, 2024);
}

} // namespace
