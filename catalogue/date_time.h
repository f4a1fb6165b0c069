#pragma once

#include <compare>
#include <cstdint>

namespace cq {

// A calendar date and time of day with whole seconds, in the proleptic Gregorian
// calendar. No time zone is attached: the catalogue works in UTC+8 wall time.
struct DateTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59

    auto operator<=>(const DateTime&) const = default;
};

bool IsLeapYear(int year);

// Days in the month (February 29 in leap years); 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// Seconds since 1970-01-01 00:00:00 of the same clock; fields must be in range.
std::int64_t SecondsSinceEpoch(const DateTime& time);

DateTime DateTimeFromSeconds(std::int64_t secondsSinceEpoch);

DateTime AddSeconds(const DateTime& time, std::int64_t seconds);

// The local wall clock, read once, with its milliseconds.
struct LocalClockReading {
    DateTime time;
    int milliseconds = 0;
};
LocalClockReading ReadLocalClock();

}  // namespace cq
