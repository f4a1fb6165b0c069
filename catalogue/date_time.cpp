#include "catalogue/date_time.h"

#include <chrono>
#include <ctime>

namespace cq {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the civil date; months outside 1..12 roll into the
// neighbouring years so that any field values give a defined answer.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year += (month - 1 >= 0 ? (month - 1) / 12 : (month - 12) / 12);
    month = ((month - 1) % 12 + 12) % 12 + 1;
    using namespace std::chrono;
    const auto first = sys_days(std::chrono::year(static_cast<int>(year)) /
                                std::chrono::month(static_cast<unsigned>(month)) / 1);
    return first.time_since_epoch().count() + day - 1;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t SecondsSinceEpoch(const DateTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * kSecondsPerDay +
           static_cast<std::int64_t>(time.hour) * 3600 + time.minute * 60 + time.second;
}

DateTime DateTimeFromSeconds(std::int64_t secondsSinceEpoch) {
    using namespace std::chrono;
    const std::int64_t dayNumber = FloorDiv(secondsSinceEpoch, kSecondsPerDay);
    const std::int64_t inDay = secondsSinceEpoch - dayNumber * kSecondsPerDay;
    const year_month_day date{sys_days(days(dayNumber))};
    DateTime time;
    time.year = static_cast<int>(date.year());
    time.month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay % 3600 / 60);
    time.second = static_cast<int>(inDay % 60);
    return time;
}

DateTime AddSeconds(const DateTime& time, std::int64_t seconds) {
    return DateTimeFromSeconds(SecondsSinceEpoch(time) + seconds);
}

LocalClockReading ReadLocalClock() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm fields{};
    localtime_r(&now.tv_sec, &fields);
    LocalClockReading reading;
    reading.time = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                    fields.tm_hour,        fields.tm_min,     fields.tm_sec};
    reading.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return reading;
}

}  // namespace cq
