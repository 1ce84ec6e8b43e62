#include "platform/qt/qt_clock.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "qt_clock_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication a(argc, argv);
    return a;
}

TEST(QtClock, SleepsInRealTimeAndTimersFireWhenEventsArePumped) {
    app();
    QtClock clock;
    int ticks = 0;
    auto timer = clock.createTimer(20, [&] { ++ticks; });
    timer->setEnabled(true);
    EXPECT_TRUE(timer->enabled());
    const uint32_t t0 = clock.GetTickCount();
    clock.Sleep(30);
    EXPECT_GE(clock.GetTickCount() - t0, 30u);
    EXPECT_EQ(ticks, 0);   // sleeping delivers nothing
    for (int i = 0; i < 50 && ticks == 0; ++i) clock.waitForEvents(20);
    EXPECT_GE(ticks, 1);
    timer->setEnabled(false);
    EXPECT_FALSE(timer->enabled());
}

} // namespace
