// Standard dates and times: the number scales every date and time of the program
// is kept in, their conversions and validity rules, and today and the clock.
//
// Standard date: day number, 4 = 1 January 1801 ... 109211 = 31 December 2099;
// 0 means no date. Standard time: hundredths of a second since midnight plus 1,
// 1 = 00:00:00.00 ... 8640000 = 23:59:59.99; 0 means no time.
//
// All functions are pure except today(), clockTime() and the century base year,
// which is read once per process (thread safe).
#pragma once

#include <cstdint>

namespace zv::dates {

constexpr std::int32_t kNoDate = 0;
constexpr std::int32_t kFirstDate = 4;     // 1 January 1801
constexpr std::int32_t kLastDate = 109211; // 31 December 2099
constexpr std::int32_t kNoTime = 0;
constexpr std::int32_t kFirstTime = 1;      // 00:00:00.00
constexpr std::int32_t kLastTime = 8640000; // 23:59:59.99
constexpr int kFirstYear = 1801;
constexpr int kLastYear = 2099;
constexpr int kDefaultWindow = 80; // two-digit years land in C - 80 ... C + 19

struct DateParts {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
};

struct TimeParts {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int hundredths = 0;
};

// Leap years of the valid range: divisible by 4, 1900 excepted.
constexpr bool isLeapYear(int year) {
    return year % 4 == 0 && year != 1900;
}

// Days of a month (1-12) in a year; 0 for a month outside 1-12.
int monthLength(int month, int year);

// A year below 100 expanded against the century base year C with window w:
// the result lies in C - w ... C + 99 - w. Other years are returned unchanged.
int expandYear(int year, int window = kDefaultWindow);

// Date from parts (a year below 100 is expanded first); -1 when invalid.
std::int32_t dateFromParts(int month, int day, int year, int window = kDefaultWindow);

// 0 when the parts make a valid date, -1 otherwise.
int checkDate(int month, int day, int year);

// True for 4 ... 109211.
constexpr bool isValidDate(std::int32_t date) {
    return date >= kFirstDate && date <= kLastDate;
}

// Parts of a standard date; 0, or -1 (and zero parts) when outside 4 ... 109211.
int dateToParts(std::int32_t date, DateParts& parts);
int yearOf(std::int32_t date);  // -1 when outside the range
int monthOf(std::int32_t date); // -1 when outside the range
int dayOf(std::int32_t date);   // -1 when outside the range

// Day of the week, 0 = Monday ... 6 = Sunday; -1 when outside the range.
int weekdayOf(std::int32_t date);

// Time from parts; all four zero give 0 (no time), parts out of range -1.
std::int32_t timeFromParts(int hour, int minute, int second = 0, int hundredths = 0);

constexpr bool isValidTime(std::int32_t time) {
    return time >= kFirstTime && time <= kLastTime;
}

// Parts of a standard time; 0, or -1 and four zero parts when outside 1 ... 8640000.
int timeToParts(std::int32_t time, TimeParts& parts);

// The current local date and time of day.
std::int32_t today();
std::int32_t clockTime();

// The year two-digit years are expanded against: the current year, read once.
int centuryBaseYear();

// Test hook: makes centuryBaseYear() return `year` (0 goes back to the clock's year).
void setCenturyBaseYearForTesting(int year);

} // namespace zv::dates
