#include "audio_fault.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace demo {
namespace {

constexpr std::size_t kChunkBytes = 2048;

}  // namespace

AudioFault::AudioFault(Kind kind, std::function<void()> onCut)
    : kind_(kind), onCut_(std::move(onCut)) {}

void AudioFault::Serve(std::string content, const char* type, httplib::Response& res) {
    auto body = std::make_shared<const std::string>(std::move(content));
    const std::size_t middle = body->size() / 2;
    const auto started = std::chrono::steady_clock::now();
    // Where this answer began (a Range request starts past 0); the download that
    // resumes from the break must not break again.
    auto first = std::make_shared<std::size_t>(std::string::npos);
    res.set_header("Cache-Control", "no-cache");
    res.set_content_provider(
        body->size(), type,
        [this, body, middle, started, first](std::size_t offset, std::size_t length,
                                             httplib::DataSink& sink) {
            if (*first == std::string::npos) {
                *first = offset;
            }
            const bool mayBreak = *first < middle && !spent_.load();
            if (mayBreak && offset == middle && !spent_.exchange(true)) {
                if (kind_ == Kind::kCut) {
                    onCut_();
                    return false;  // closes the connection
                }
                std::this_thread::sleep_for(kStallHold);
                return false;
            }
            std::size_t end = offset + std::min(length, kChunkBytes);
            if (mayBreak && offset < middle) {
                end = std::min(end, middle);
            }
            // Paced from this answer's own start.
            const auto due = started + std::chrono::microseconds((offset - *first) * 1'000'000 /
                                                                 kPaceBytesPerSecond);
            std::this_thread::sleep_until(due);
            return sink.write(body->data() + offset, end - offset);
        });
}

}  // namespace demo
