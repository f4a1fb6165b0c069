#include "catalogue/build_playlist.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "catalogue/catalogue_request.h"
#include "catalogue/duration_format.h"
#include "catalogue/network_time.h"
#include "json/json_document.h"
#include "web/text_markers.h"

namespace cq {
namespace {

constexpr std::string_view kMorningPrefix = "晨鹊早报：";
constexpr std::string_view kEveningPrefix = "晨鹊晚报：";
constexpr std::string_view kMonthMark = "月";
constexpr std::string_view kDayMark = "日";
constexpr int kFirstListingHour = 5;
// The service sends one page of a few dozen episodes. A list that claims far more
// (an array length is whatever the text says) would otherwise keep the worker
// reading empty fields for hours.
constexpr int kMostEpisodesPerList = 1000;

// The leading decimal number of a text: full-width digits and signs count as their
// ASCII forms, leading blanks (ASCII or the full-width space) and one sign are
// allowed, 0 when there is no number. Values beyond the 64-bit range saturate.
std::int64_t IntegerValue(std::string_view text) {
    std::size_t at = 0;
    // The ASCII form of the character at `at`, or 0; *length gets its size in bytes.
    auto next = [&](std::size_t* length) -> char {
        if (at >= text.size()) {
            *length = 0;
            return 0;
        }
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            *length = 1;
            return static_cast<char>(lead);
        }
        *length = at + 1 < text.size() ? 2 : 1;
        if (*length == 2) {
            const auto trail = static_cast<unsigned char>(text[at + 1]);
            if (lead == 0xA1 && trail == 0xA1) {
                return ' ';
            }
            if (lead == 0xA3 && trail >= 0xB0 && trail <= 0xB9) {
                return static_cast<char>('0' + (trail - 0xB0));
            }
            if (lead == 0xA3 && trail == 0xAB) {
                return '+';
            }
            if (lead == 0xA3 && trail == 0xAD) {
                return '-';
            }
        }
        return 0;
    };
    std::size_t length = 0;
    char c = next(&length);
    while (c == ' ' || c == '\t') {
        at += length;
        c = next(&length);
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        at += length;
        c = next(&length);
    }
    std::uint64_t magnitude = 0;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::int64_t>::max();
    while (c >= '0' && c <= '9') {
        magnitude =
            std::min<std::uint64_t>(magnitude * 10 + static_cast<unsigned>(c - '0'), kLimit + 1);
        at += length;
        c = next(&length);
    }
    if (negative) {
        return magnitude > kLimit ? std::numeric_limits<std::int64_t>::min()
                                  : -static_cast<std::int64_t>(magnitude);
    }
    return static_cast<std::int64_t>(std::min(magnitude, kLimit));
}

std::int64_t DateNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    return year * 10000 + month * 100 + day;
}

// Days since 1970-01-01 of a date whose month is in range; the day counts on from the
// month's first, so a day past the month's end still has its place.
std::int64_t DayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    const DateTime first{static_cast<int>(year), static_cast<int>(month), 1, 0, 0, 0};
    return SecondsSinceEpoch(first) / 86400 + day - 1;
}

// Titles carry month and day but no year. Lists reach back days, not months, and the
// service publishes a day ahead, so the year is the one that puts the episode nearest
// to today: a date more than half a year ahead is last year's (December episodes in
// early January), one more than half a year back next year's (1 January seen on New
// Year's Eve), and tomorrow is tomorrow on the last day of any month.
std::int64_t EpisodeDateNumber(std::string_view datePart, const DateTime& now) {
    const std::int64_t month = IntegerValue(TextBefore(datePart, kMonthMark));
    const std::int64_t day = IntegerValue(TextBetween(datePart, kMonthMark, kDayMark));
    std::int64_t year = now.year;
    // A title without a usable date keeps today's year: it compares as an old episode.
    if (month >= 1 && month <= 12 && day >= 1 && day <= 31) {
        const std::int64_t today = DayNumber(now.year, now.month, now.day);
        const auto distance = [&](std::int64_t y) {
            const std::int64_t days = DayNumber(y, month, day) - today;
            return days < 0 ? -days : days;
        };
        for (const std::int64_t other : {year - 1, year + 1}) {
            if (distance(other) < distance(year)) {
                year = other;
            }
        }
    }
    return DateNumber(year, month, day);
}

Text EpisodePath(int index, std::string_view member) {
    return "data.list[" + std::to_string(index) + "]" + Text(member);
}

// One programme's episodes that may be listed today, in the list's order.
struct Programme {
    JsonDocument* document = nullptr;
    std::vector<int> indices;
    std::vector<Text> titles;
    std::vector<std::int64_t> dates;
    std::size_t taken = 0;

    bool Exhausted() const { return taken >= indices.size(); }
};

// A service may publish an episode ahead of its day, and today's are published
// around dawn and listed only from then on. An episode that is not listed takes no
// turn either: otherwise the newest listed episode of its programme would lose its
// place and yesterday's edition of the other would lead.
Programme ReadProgramme(JsonDocument& document, std::string_view prefix, const DateTime& now,
                        std::int64_t today) {
    Programme programme;
    programme.document = &document;
    const int count = std::min(document.GetCount("data.list"), kMostEpisodesPerList);
    for (int index = 0; index < count; ++index) {
        Text title = document.GetText(EpisodePath(index, ".title"));
        const std::int64_t date = EpisodeDateNumber(TextBefore(title, prefix), now);
        if (date > today || (date == today && now.hour < kFirstListingHour)) {
            continue;
        }
        programme.indices.push_back(index);
        programme.titles.push_back(std::move(title));
        programme.dates.push_back(date);
    }
    return programme;
}

std::vector<PlaylistRow> AssembleFromDocuments(JsonDocument& morning, JsonDocument& evening,
                                               const DateTime& now) {
    const std::int64_t today = DateNumber(now.year, now.month, now.day);
    Programme mornings = ReadProgramme(morning, kMorningPrefix, now, today);
    Programme evenings = ReadProgramme(evening, kEveningPrefix, now, today);

    // Row 0 is today's evening edition once it is out, otherwise the newest morning
    // edition; the editions then alternate.
    const int sameDay = !evenings.dates.empty() && evenings.dates.front() == today ? 1 : 0;

    std::vector<PlaylistRow> rows;
    const std::size_t total = mornings.indices.size() + evenings.indices.size();
    for (std::size_t i = 1; i <= total; ++i) {
        Programme* turn = (static_cast<int>(i % 2) != sameDay) ? &mornings : &evenings;
        // When one list runs out before the other, the longer one goes on alone
        // instead of its turns reading past the end of the shorter.
        if (turn->Exhausted()) {
            turn = turn == &mornings ? &evenings : &mornings;
        }
        const std::size_t at = turn->taken++;
        const int index = turn->indices[at];
        JsonDocument& document = *turn->document;
        PlaylistRow row;
        row.title = turn->titles[at];
        row.link = document.GetText(EpisodePath(index, ".audiolist[0].filePath"));
        row.picture = document.GetText(EpisodePath(index, "['img194_194']"));
        row.status =
            FormatPlayTime(IntegerValue(document.GetText(EpisodePath(index, ".duration"))));
        row.savedStatus = row.status;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::vector<PlaylistRow> AssemblePlaylist(std::string_view morningText,
                                          std::string_view eveningText, const DateTime& now) {
    JsonDocument morning;
    JsonDocument evening;
    morning.Parse(morningText);
    evening.Parse(eveningText);
    return AssembleFromDocuments(morning, evening, now);
}

std::vector<PlaylistRow> FetchPlaylistRows(const FmOrigins& origins, std::string_view timeUrl) {
    JsonDocument morning;
    JsonDocument evening;
    const Text morningText = FetchEpisodeList(1, origins);
    const DateTime now = GetNetworkTime(timeUrl);
    const Text eveningText = FetchEpisodeList(2, origins);
    // Without today's date nothing can be told apart from tomorrow's episodes; the
    // user gets the failure text and can retry instead of a list dated at random.
    if (now == kUnknownNetworkTime) {
        return {};
    }
    morning.Parse(morningText);
    evening.Parse(eveningText);
    return AssembleFromDocuments(morning, evening, now);
}

std::vector<PlaylistRow> FetchPlaylistRows() {
    return FetchPlaylistRows(BuiltInFmOrigins(), BuiltInTimeServerUrl());
}

}  // namespace cq
