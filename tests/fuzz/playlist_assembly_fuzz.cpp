// The playlist assembly with two arbitrary list texts and an arbitrary date-time:
// no episode dated after the given day is listed, nor one of that day before
// 05:00, and every row keeps its duration text twice. Each list is also assembled
// alone, where the edition of its rows is known; for lists that are plain literals
// (nothing in them runs code, so every reading gives the same) the two together
// give exactly the rows of each alone.
//
// Input: nine bytes of the date-time, then the morning and the evening list text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/build_playlist.h"
#include "fuzz_input.h"

namespace cq::fuzz {
namespace {

constexpr std::string_view kMorningPrefix = "晨鹊早报：";
constexpr std::string_view kEveningPrefix = "晨鹊晚报：";
constexpr std::string_view kMonthMark = "月";
constexpr std::string_view kDayMark = "日";

// Reads 1 to 4 ASCII digits at `at`; -1 when there are none or more.
int Digits(std::string_view text, std::size_t* at) {
    int value = 0;
    std::size_t n = 0;
    while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9' && n < 5) {
        value = value * 10 + (text[*at] - '0');
        ++*at;
        ++n;
    }
    return n == 0 || n > 4 ? -1 : value;
}

// The date of a title written the plain way ("8月4日<prefix>..."); -1 for others.
std::int64_t PlainTitleDate(std::string_view title, std::string_view prefix, const DateTime& now) {
    title = title.substr(0, title.find('\0'));  // a text ends at its first zero byte
    const std::size_t at = NaiveFind(title, prefix, 0, false, CharacterStarts(title));
    if (at == kNotFound) {
        return -1;
    }
    const std::string_view datePart = title.substr(0, at);
    std::size_t pos = 0;
    const int month = Digits(datePart, &pos);
    if (month < 0 || datePart.substr(pos, kMonthMark.size()) != kMonthMark) {
        return -1;
    }
    pos += kMonthMark.size();
    const int day = Digits(datePart, &pos);
    if (day < 0 || datePart.substr(pos, kDayMark.size()) != kDayMark) {
        return -1;
    }
    std::int64_t year = now.year;
    if (month > now.month && month <= 12) {
        year -= 1;  // last year's December seen in January
    } else if (now.month == 12 && month == 1) {
        year += 1;
    }
    return year * 10000 + month * 100 + day;
}

// The rows of one list alone, whose edition is therefore known.
void CheckOneList(const std::vector<PlaylistRow>& rows, std::string_view prefix,
                  const DateTime& now) {
    const std::int64_t today =
        std::int64_t{now.year} * 10000 + std::int64_t{now.month} * 100 + now.day;
    for (const PlaylistRow& row : rows) {
        Require(row.status == row.savedStatus, "the status is saved as it is shown");
        const std::int64_t date = PlainTitleDate(row.title, prefix, now);
        if (date < 0) {
            continue;
        }
        if (date > today) {
            std::fprintf(stderr, "row \"%s\" dated %lld, today %lld\n", row.title.c_str(),
                         static_cast<long long>(date), static_cast<long long>(today));
        }
        Require(date <= today, "no episode dated after the given day is listed");
        Require(date < today || now.hour >= 5, "today's episodes are listed from 05:00 only");
    }
}

std::vector<Text> SortedTitles(const std::vector<PlaylistRow>& rows) {
    std::vector<Text> titles;
    for (const PlaylistRow& row : rows) {
        titles.push_back(row.title);
    }
    std::sort(titles.begin(), titles.end());
    return titles;
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    cq::DateTime now;
    now.year = static_cast<std::int16_t>(in.Byte() << 8 | in.Byte());
    now.month = in.Number(-1, 14);
    now.day = in.Number(-1, 33);
    now.hour = in.Number(-1, 25);
    now.minute = in.Number(0, 59);
    now.second = in.Number(0, 59);
    if (in.Flag()) {
        now = {2026, 12, 11, 20, 0, 0};  // an ordinary evening, for seeds that want one
    }
    in.Byte();
    in.Byte();
    const std::string_view morning = in.Field();
    const std::string_view evening = in.Field();

    const std::vector<cq::PlaylistRow> mornings = cq::AssemblePlaylist(morning, "", now);
    const std::vector<cq::PlaylistRow> evenings = cq::AssemblePlaylist("", evening, now);
    CheckOneList(mornings, kMorningPrefix, now);
    CheckOneList(evenings, kEveningPrefix, now);

    // Together the two lists give the rows each gives alone, only in another order.
    const std::vector<cq::PlaylistRow> rows = cq::AssemblePlaylist(morning, evening, now);
    Require(rows.size() <= 2000, "each list gives at most its thousand episodes");
    if (!IsPlainLiteral(morning) || !IsPlainLiteral(evening)) {
        return 0;
    }
    Require(rows.size() == mornings.size() + evenings.size(), "both lists give all their rows");
    std::vector<cq::PlaylistRow> alone = mornings;
    alone.insert(alone.end(), evenings.begin(), evenings.end());
    Require(SortedTitles(rows) == SortedTitles(alone), "both lists give the same rows");
    return 0;
}
