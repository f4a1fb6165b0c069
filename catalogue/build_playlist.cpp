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

// Titles carry month and day but no year. Lists reach back days, not months, so the
// year is the one that puts the episode next to today: a month later than the
// current one is last year's (December episodes in early January), and January
// seen in December is next year's (an episode published ahead on New Year's Eve).
std::int64_t EpisodeDateNumber(std::string_view datePart, const DateTime& now) {
    const std::int64_t month = IntegerValue(TextBefore(datePart, kMonthMark));
    const std::int64_t day = IntegerValue(TextBetween(datePart, kMonthMark, kDayMark));
    std::int64_t year = now.year;
    if (month > now.month && month <= 12) {
        year -= 1;
    } else if (now.month == 12 && month == 1) {
        year += 1;
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

// A service may publish an episode ahead of its day. Such an episode is never
// listed, and it takes no turn either: otherwise the newest listable episode of its
// programme would lose its place and yesterday's edition of the other would lead.
Programme ReadProgramme(JsonDocument& document, std::string_view prefix, const DateTime& now,
                        std::int64_t today) {
    Programme programme;
    programme.document = &document;
    const int count = std::min(document.GetCount("data.list"), kMostEpisodesPerList);
    for (int index = 0; index < count; ++index) {
        Text title = document.GetText(EpisodePath(index, ".title"));
        const std::int64_t date = EpisodeDateNumber(TextBefore(title, prefix), now);
        if (date > today) {
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

    // Once today's evening edition is out (both newest episodes dated today), it
    // leads; otherwise the newest morning edition does.
    const int sameDay = !mornings.dates.empty() && !evenings.dates.empty() &&
                                mornings.dates.front() == today && evenings.dates.front() == today
                            ? 1
                            : 0;

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
        // Today's episodes are published around dawn and listed from then on.
        if (turn->dates[at] == today && now.hour < kFirstListingHour) {
            continue;
        }
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
