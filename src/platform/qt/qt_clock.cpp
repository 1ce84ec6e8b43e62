#include "platform/qt/qt_clock.h"

#include "platform/steady_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QSocketNotifier>
#include <QTimer>

namespace kestrelon {

namespace {

class QtTimer : public Timer {
public:
    QtTimer(uint32_t intervalMs, std::function<void()> onTick) {
        timer_.setInterval(static_cast<int>(intervalMs));
        QObject::connect(&timer_, &QTimer::timeout, [cb = std::move(onTick)] { cb(); });
    }
    void setEnabled(bool on) override {
        if (on == timer_.isActive()) return;
        on ? timer_.start() : timer_.stop();
    }
    bool enabled() const override { return timer_.isActive(); }
    void setInterval(uint32_t ms) override { timer_.setInterval(static_cast<int>(ms)); }
    uint32_t interval() const override { return static_cast<uint32_t>(timer_.interval()); }

private:
    QTimer timer_;
};

class QtWatch : public DescriptorWatch {
public:
    QtWatch(int fd, std::function<void()> onReadable) : notifier_(fd, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [cb = std::move(onReadable)] { cb(); });
    }

private:
    QSocketNotifier notifier_;
};

} // namespace

std::unique_ptr<DescriptorWatch> QtClock::watchReadable(int fd, std::function<void()> onReadable) {
    return std::make_unique<QtWatch>(fd, std::move(onReadable));
}

QtClock::QtClock() : origin_(std::chrono::steady_clock::now()) {}

void QtClock::Sleep(uint32_t ms) { QThread::msleep(ms); }

void QtClock::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

std::unique_ptr<Timer> QtClock::createTimer(uint32_t intervalMs, std::function<void()> onTick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
}

uint64_t QtClock::nowMicros() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - origin_)
                                     .count());
}

void QtClock::spendMicros(uint64_t us) { QThread::usleep(us); }

LocalDateTime QtClock::localNow() { return systemLocalNow(); }

void QtClock::waitForEvents(uint32_t maxMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, static_cast<int>(maxMs));
}

} // namespace kestrelon
