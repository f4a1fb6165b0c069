#include "stall_monitor.h"

namespace cq::testing {

StallMonitor::StallMonitor(int periodMs) : periodMs_(periodMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(periodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnTick(); });
}

void StallMonitor::Start() {
    started_ = last_ = Clock::now();
    blockedAtLast_ = blocked_;
    timer_.start();
}

void StallMonitor::OnTick() {
    const Clock::time_point now = Clock::now();
    const Clock::duration late =
        (now - last_) - (blocked_ - blockedAtLast_) - std::chrono::milliseconds(periodMs_);
    const double lateMs = std::chrono::duration<double, std::milli>(late).count();
    if (lateMs > longestMs_) {
        longestMs_ = lateMs;
        longestAtMs_ = std::chrono::duration<double, std::milli>(now - started_).count();
    }
    last_ = now;
    blockedAtLast_ = blocked_;
}

}  // namespace cq::testing
