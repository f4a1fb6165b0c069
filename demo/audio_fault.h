#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace demo {

// A network that lets one audio download down half-way through, once per run of
// the service. The audio then comes at the pace of a modest real link rather
// than all at once, so the download that breaks is the one the player is
// listening to, not a look at the file's head or tail it has already left.
class AudioFault {
public:
    enum class Kind {
        kNone,
        kStall,  // no more data and no close: a dead Wi-Fi link
        kCut,    // the connection closes, and the service goes away for a moment
    };

    // Bytes per second of a paced download.
    static constexpr std::size_t kPaceBytesPerSecond = 32 * 1024;
    // How long a stalled connection is held open, silent, before it is let go.
    static constexpr std::chrono::seconds kStallHold{60};

    // onCut runs (on the connection's thread) right before a cut connection closes.
    AudioFault(Kind kind, std::function<void()> onCut);

    bool Active() const { return kind_ != Kind::kNone; }

    // Answers with content (Range requests included) paced, and breaks the first
    // download that reaches the middle of its file.
    void Serve(std::string content, const char* type, httplib::Response& res);

private:
    Kind kind_;
    std::function<void()> onCut_;
    std::atomic<bool> spent_{false};
};

}  // namespace demo
