// ParseHttpDate with arbitrary texts gives a date-time whose every field is in
// range; a date written in any of the three HTTP forms comes back eight hours on.
//
// Input: form, then six number bytes for a date, then an arbitrary text.

#include <cstdint>
#include <cstdio>
#include <string>

#include "catalogue/date_time.h"
#include "catalogue/network_time.h"
#include "fuzz_input.h"

namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int Weekday(const cq::DateTime& time) {
    const std::int64_t days = cq::SecondsSinceEpoch(time) / 86400;
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

void RequireInRange(const cq::DateTime& t) {
    using cq::fuzz::Require;
    Require(t.year >= 100 && t.year <= 10000, "the year is in range");
    Require(t.month >= 1 && t.month <= 12, "the month is in range");
    Require(t.day >= 1 && t.day <= cq::DaysInMonth(t.year, t.month), "the day is in its month");
    Require(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
                t.second <= 59,
            "the time of day is in range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const int form = in.Number(0, 2);
    cq::DateTime date;
    // Years curl reads in all three forms and whose time fits its clock.
    date.year = 1971 + (in.Byte() * 256 + in.Byte()) % 8000;
    date.month = in.Number(1, 12);
    date.day = in.Number(1, cq::DaysInMonth(date.year, date.month));
    date.hour = in.Number(0, 23);
    date.minute = in.Number(0, 59);
    date.second = in.Number(0, 59);

    RequireInRange(cq::ParseHttpDate(in.Field()));

    char text[96];
    const int weekday = Weekday(date);
    if (form == 0) {
        std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[weekday],
                      date.day, kMonths[date.month - 1], date.year, date.hour, date.minute,
                      date.second);
    } else if (form == 1) {
        if (date.year < 2000 || date.year > 2069) {
            return 0;  // two-digit years name 1970..2069 only
        }
        std::snprintf(text, sizeof text, "%s, %02d-%s-%02d %02d:%02d:%02d GMT", kLongDays[weekday],
                      date.day, kMonths[date.month - 1], date.year % 100, date.hour, date.minute,
                      date.second);
    } else {
        std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %04d", kDays[weekday],
                      kMonths[date.month - 1], date.day, date.hour, date.minute, date.second,
                      date.year);
    }
    const cq::DateTime parsed = cq::ParseHttpDate(text);
    RequireInRange(parsed);
    Require(parsed == cq::AddSeconds(date, 8 * 3600), "an HTTP date comes back eight hours on");
    return 0;
}
