#pragma once

// Watches the window thread's event loop: a timer that should fire every few
// milliseconds records how late each wake-up comes. The time the thread spends
// in the calls it is allowed to block in (the cover fetch, the media open) is
// taken out, so what is left is the window freezing where it should not.

#include <QObject>
#include <QTimer>

#include <chrono>

namespace cq::testing {

class StallMonitor {
public:
    using Clock = std::chrono::steady_clock;

    explicit StallMonitor(int periodMs = 5);
    void Start();

    // Marks one call the window thread may block in, for as long as it lives.
    class Blocking {
    public:
        explicit Blocking(StallMonitor& monitor) : monitor_(monitor), begin_(Clock::now()) {}
        ~Blocking() { monitor_.blocked_ += Clock::now() - begin_; }
        Blocking(const Blocking&) = delete;
        Blocking& operator=(const Blocking&) = delete;

    private:
        StallMonitor& monitor_;
        Clock::time_point begin_;
    };

    // The longest wake-up past its time outside the blocking calls, and when it
    // ended, counted from Start.
    double LongestStallMs() const { return longestMs_; }
    double LongestStallAtMs() const { return longestAtMs_; }

private:
    void OnTick();

    QTimer timer_;
    int periodMs_;
    Clock::time_point started_;
    Clock::time_point last_;
    Clock::duration blocked_{};
    Clock::duration blockedAtLast_{};
    double longestMs_ = 0;
    double longestAtMs_ = 0;
};

}  // namespace cq::testing
