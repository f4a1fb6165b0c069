#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace cq::testing {

// The bundled FM service, started for one test on ephemeral loopback ports with
// short audio unless asked otherwise, and stopped when the object goes. Options are the service's
// own command-line options ("--fault", "no-date", ...).
class DemoService {
public:
    // What the episodes say: a few words, or a whole bulletin of some 40 seconds
    // (big enough that a player streams it rather than reading it whole at open).
    enum class Audio { kShort, kBulletin };

    explicit DemoService(std::vector<std::string> options = {}, Audio audio = Audio::kShort);
    ~DemoService();
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;

    bool Started() const { return httpPort_ > 0 && httpsPort_ > 0; }
    std::string HttpOrigin() const;   // "http://127.0.0.1:PORT"
    std::string HttpsOrigin() const;  // "https://127.0.0.1:PORT"

    // The requests served so far, from the service's log, once at least `atLeast`
    // are there (or after a few seconds without them).
    std::vector<nlohmann::json> Requests(std::size_t atLeast = 0) const;

private:
    pid_t pid_ = -1;
    std::string directory_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
};

}  // namespace cq::testing
