// A small program with the single-instance hand-over of the window, for the
// hand-over tests: it takes over from older copies of itself, prints what it
// found, then waits to be asked to shut down.
// PROBE_GRACE_MS: how long older copies get; PROBE_IGNORE=1: ignore requests.

#include "window/instance_hand_over.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int grace = qEnvironmentVariableIntValue("PROBE_GRACE_MS");
    const bool ignore = qEnvironmentVariableIsSet("PROBE_IGNORE");
    kestrelon::InstanceHandOver handOver;
    handOver.onShutdownRequested = [&] {
        if (ignore) return;
        std::printf("shut-down requested\n");
        std::fflush(stdout);
        app.quit();
    };
    const auto r = handOver.TakeOver(grace > 0 ? grace : 3000);
    std::printf("ready found=%d ended=%d terminated=%d\n", r.found, r.ended, r.terminated);
    std::fflush(stdout);
    return app.exec();
}
