// A small program with the single-instance hand-over of the window, for the
// hand-over tests: it takes over from older copies of itself, prints what it
// found, then waits to be asked to shut down.
// PROBE_CLOSE_MS: how long older copies get to close; PROBE_UNIT_MS: how
// much longer one that is finishing a unit gets; PROBE_BUSY_MS=N: answer
// that a unit runs and shut down N ms after the request; PROBE_HANG=1: stop
// serving events once up, so no request is answered.

#include "window/instance_hand_over.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int busyMs = qEnvironmentVariableIntValue("PROBE_BUSY_MS");
    kestrelon::InstanceHandOver handOver;
    bool unitRuns = busyMs > 0;
    handOver.busy = [&] { return unitRuns; };
    handOver.ready = [] { return true; };
    handOver.waiting = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    handOver.onShutdownRequested = [&] {
        std::printf("shut-down requested\n");
        std::fflush(stdout);
        QTimer::singleShot(busyMs, &app, [&] {
            unitRuns = false;
            app.quit();
        });
    };
    kestrelon::InstanceHandOver::Waits waits;
    if (const int ms = qEnvironmentVariableIntValue("PROBE_CLOSE_MS")) waits.closeMs = ms;
    waits.unitMs = qEnvironmentVariableIntValue("PROBE_UNIT_MS");
    const auto r = handOver.TakeOver(waits);
    std::printf("ready found=%d ended=%d terminated=%d\n", r.found, r.ended, r.terminated);
    std::fflush(stdout);
    if (qEnvironmentVariableIsSet("PROBE_HANG"))
        for (;;) QThread::sleep(1);
    return app.exec();
}
