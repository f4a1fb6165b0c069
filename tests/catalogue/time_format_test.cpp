#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "catalogue/catalogue_request.h"
#include "catalogue/date_time.h"
#include "catalogue/duration_format.h"
#include "catalogue/network_time.h"
#include "scoped_time_zone.h"

namespace cq {
namespace {

std::string Show(const DateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

TEST(ZeroPad, PadsToWidthInBytes) {
    struct Case {
        const char* text;
        int width;
        const char* expected;
    } cases[] = {
        {"5", 2, "05"}, {"123", 2, "123"}, {"", 3, "000"},   {"7", 3, "007"}, {"12", 2, "12"},
        {"5", 0, "5"},  {"5", -3, "5"},    {"分", 3, "0分"},  // a GBK character counts as its two
                                                              // bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZeroPad(c.text, c.width), c.expected) << c.text << " to " << c.width;
    }
}

TEST(FormatDuration, ReplacesTheLastOccurrenceOfEachLetter) {
    struct Case {
        std::int64_t seconds;
        const char* pattern;
        bool pad;
        const char* expected;
    } cases[] = {
        {545, "m分s秒", true, "09分05秒"},
        {0, "m分s秒", true, "00分00秒"},
        {3725, "m分s秒", true, "02分05秒"},    // hours are not shown without an h
        {90061, "", false, "1天1小时1分1秒"},  // the default pattern
        {90061, "", true, "01天01小时01分01秒"},
        {59, "m分s秒", false, "0分59秒"},
        {100 * 86400, "d", true, "100"},
        {545, "s:s", false, "s:5"},  // once each, at the last occurrence
        {545, "ms", false, "95"},
        {86400 + 3600 * 2, "hd", false, "21"},  // letters keep their own values in any order
        {545, "分秒", true, "分秒"},            // no letters, nothing replaced
        // A GBK character whose trail byte is "m" (B0 6D) or "s" (B0 73) stays whole.
        {545, "m分s秒\xB0\x6D\xB0\x73", true, "09分05秒\xB0\x6D\xB0\x73"},
        {-65, "m分s秒", false, "-1分-5秒"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDuration(c.seconds, c.pattern, c.pad), c.expected)
            << c.seconds << " with \"" << c.pattern << "\"";
    }
    EXPECT_EQ(FormatPlayTime(545), "09分05秒");
    EXPECT_EQ(FormatPlayTime(0), "00分00秒");
}

TEST(ParseHttpDate, ReadsTheHttpFormsAndShiftsToUtc8) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Tue, 09 Aug 2022 17:30:00 GMT", "2022-08-10 01:30:00"},
        {" Tue, 09 Aug 2022 17:30:00 GMT", "2022-08-10 01:30:00"},   // as cut from the header
        {"Tuesday, 09-Aug-22 17:30:00 GMT", "2022-08-10 01:30:00"},  // RFC 850
        {"Tue Aug  9 17:30:00 2022", "2022-08-10 01:30:00"},         // asctime
        {"Tue, 09 Aug 2022 10:00:00 GMT", "2022-08-09 18:00:00"},
        {"Sat, 31 Dec 2022 20:15:07 GMT", "2023-01-01 04:15:07"},
        {"Tue, 28 Feb 2023 20:00:00 GMT", "2023-03-01 04:00:00"},
        {"Wed, 28 Feb 2024 20:00:00 GMT", "2024-02-29 04:00:00"},
        // Nothing readable: every field at its lowest, then the eight hours.
        {"", "0100-01-01 08:00:00"},
        {"not a date", "0100-01-01 08:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(ParseHttpDate(c.text)), c.expected) << '"' << c.text << '"';
    }
}

std::int64_t UnixMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

TEST(MillisecondTimestamp, IsUnixMillisecondsOnAClockSetToUtc8) {
    ScopedTimeZone zone("CST-8");
    const std::int64_t before = UnixMilliseconds();
    const Text stamp = MillisecondTimestamp();
    const std::int64_t after = UnixMilliseconds();
    ASSERT_EQ(stamp.size(), 13u) << stamp;
    ASSERT_EQ(stamp.find_first_not_of("0123456789"), Text::npos) << stamp;
    EXPECT_GE(std::stoll(stamp), before);
    EXPECT_LE(std::stoll(stamp), after);
}

TEST(MillisecondTimestamp, CountsFromTheLocalClockNotUtc) {
    // On a machine whose clock runs on UTC the count is eight hours behind.
    ScopedTimeZone zone("UTC0");
    const std::int64_t before = UnixMilliseconds() - 8 * 3600 * 1000;
    const std::int64_t stamp = std::stoll(MillisecondTimestamp());
    const std::int64_t after = UnixMilliseconds() - 8 * 3600 * 1000;
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
}

TEST(MillisecondTimestamp, GivenTimeAndShapes) {
    const DateTime epoch{1970, 1, 1, 8, 0, 5};
    const DateTime day{1970, 1, 2, 8, 0, 0};
    const DateTime modern{2022, 8, 10, 1, 30, 0};  // 2022-08-09 17:30:00 UTC
    struct Case {
        DateTime time;
        bool tenDigits;
        bool padToTen;
        const char* secondsPart;  // followed by three digits of milliseconds unless tenDigits
    } cases[] = {
        {day, false, false, "86400"},         {epoch, false, true, "0000000005"},
        {epoch, true, true, "0000000005"},    {epoch, true, false, "5"},
        {modern, false, false, "1660066200"}, {modern, true, false, "1660066200"},
    };
    for (const auto& c : cases) {
        const Text stamp = MillisecondTimestamp(c.time, c.tenDigits, c.padToTen);
        const std::string part = c.secondsPart;
        if (c.tenDigits) {
            EXPECT_EQ(stamp, part);
        } else {
            ASSERT_EQ(stamp.size(), part.size() + 3) << stamp;
            EXPECT_EQ(stamp.substr(0, part.size()), part);
            EXPECT_EQ(stamp.substr(part.size()).find_first_not_of("0123456789"), Text::npos);
        }
    }
}

TEST(DateTime, CalendarArithmetic) {
    EXPECT_EQ(Show(AddSeconds({2026, 12, 31, 20, 0, 0}, 8 * 3600)), "2027-01-01 04:00:00");
    EXPECT_EQ(Show(AddSeconds({2024, 3, 1, 0, 0, 0}, -1)), "2024-02-29 23:59:59");
    EXPECT_EQ(Show(AddSeconds({100, 1, 1, 0, 0, 0}, 8 * 3600)), "0100-01-01 08:00:00");
    EXPECT_EQ(SecondsSinceEpoch({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(SecondsSinceEpoch({1969, 12, 31, 23, 59, 59}), -1);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

}  // namespace
}  // namespace cq
