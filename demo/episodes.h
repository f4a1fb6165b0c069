#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace demo {

using Clock = std::chrono::system_clock;

enum class Edition { kMorning, kEvening };

inline constexpr const char* kMorningProgrammeId = "367750";
inline constexpr const char* kEveningProgrammeId = "456498";

struct Episode {
    Edition edition = Edition::kMorning;
    std::chrono::year_month_day date;  // in UTC+8, the programme's home time
    std::string id;                    // "m20261211": names its cover and audio files
    std::string title;                 // "12月11日晨鹊早报：<headline>"
    std::string spokenText;            // what the audio says
    std::string coverCaption;          // two lines drawn on the cover
};

struct ListSettings {
    int days = 7;              // one episode per day for this many days, today included
    bool withTomorrow = true;  // one morning episode dated tomorrow, published early
    bool shortAudio = false;   // a few words per episode instead of a whole bulletin
    int audioRepeat = 1;       // the words are read this many times in a row
};

// The list of one programme as the service offers it at `now`, newest first. The
// evening edition of today appears from 18:00 UTC+8.
std::vector<Episode> EpisodeList(Edition edition, Clock::time_point now,
                                 const ListSettings& settings);

// The episode of either list (a day of margin on both sides) whose id is given,
// as the cover and audio requests name it.
std::optional<Episode> EpisodeById(const std::string& id, Clock::time_point now,
                                   const ListSettings& settings);

// RFC 1123 form, as a Date header carries it.
std::string HttpDate(Clock::time_point time);

}  // namespace demo
