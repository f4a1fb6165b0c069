#pragma once

// One run of the program against a misbehaving service, in a process of its own
// (the program may end itself): the real window, loading worker, cover fetch and
// libmpv player, with the service's origins in place of the built-in ones. What
// it saw is written as a JSON object to a result file as the run goes on, so that
// even a run that ends abruptly leaves what it saw until then.

namespace cq::testing {

// argv: "--fault-run HTTP-ORIGIN HTTPS-ORIGIN CLOCK-URL RESULT-FILE". Returns the
// program's exit code, or kRunObserved / kRunTimedOut when the run was ended here.
int RunFaultScenario(int argc, char** argv);

inline constexpr int kRunObserved = 10;  // the failure text stood; nothing more to wait for
inline constexpr int kRunTimedOut = 11;

// Keys of the result object.
namespace result {
inline constexpr const char* kLoaded = "loaded";         // the loading run has ended
inline constexpr const char* kFailureShown = "failure";  // failure text and retry button
inline constexpr const char* kRows = "rows";
inline constexpr const char* kMorningRows = "morningRows";
inline constexpr const char* kEveningRows = "eveningRows";
inline constexpr const char* kFirstTitle = "firstTitle";  // UTF-8
inline constexpr const char* kFirstDuration = "firstDuration";
inline constexpr const char* kCoverShown = "coverShown";
inline constexpr const char* kLengthSeconds = "lengthSeconds";  // of the first episode opened
inline constexpr const char* kPlayedMs = "playedMs";  // the furthest position the player read
inline constexpr const char* kCovers = "covers";      // cover fetches
inline constexpr const char* kLongestCoverMs = "longestCoverMs";
inline constexpr const char* kLongestOpenMs = "longestOpenMs";
inline constexpr const char* kLongestOtherMediaMs = "longestOtherMediaMs";
inline constexpr const char* kLongestStallMs = "longestStallMs";
inline constexpr const char* kLongestStallAtMs = "longestStallAtMs";
inline constexpr const char* kOutcomeAtMs = "outcomeAtMs";  // loading ended, from the start
}  // namespace result

}  // namespace cq::testing
