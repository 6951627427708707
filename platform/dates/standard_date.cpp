#include "platform/dates/standard_date.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>

namespace zv::dates {
namespace {

constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

std::atomic<int> testBaseYear{0};

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

} // namespace

int monthLength(int month, int year) {
    if (month < 1 || month > 12) return 0;
    if (month == 2 && isLeapYear(year)) return 29;
    return kMonthLength[month - 1];
}

int centuryBaseYear() {
    if (const int y = testBaseYear.load()) return y;
    static const int clockYear = localNow().tm_year + 1900;
    return clockYear;
}

void setCenturyBaseYearForTesting(int year) {
    testBaseYear.store(year);
}

int expandYear(int year, int window) {
    if (year < 0 || year >= 100) return year;
    if (window < 0 || window > 99) window = kDefaultWindow;
    const int base = centuryBaseYear();
    const int e = base % 100;
    int candidate = base - e + year;
    if (year - e >= 100 - window)
        candidate -= 100;
    else if (e - year > window)
        candidate += 100;
    return candidate;
}

std::int32_t dateFromParts(int month, int day, int year, int window) {
    year = expandYear(year, window);
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return -1;
    if (day < 1 || day > monthLength(month, year)) return -1;
    std::int32_t n = (year - kFirstYear) * 1461 / 4 + kDaysBeforeMonth[month - 1] + day + 3;
    if (year > 1900) n -= 1;
    if (month > 2 && isLeapYear(year)) n += 1;
    return n;
}

int checkDate(int month, int day, int year) {
    return dateFromParts(month, day, year) < 0 ? -1 : 0;
}

int dateToParts(std::int32_t date, DateParts& parts) {
    parts = {};
    if (!isValidDate(date)) return -1;
    const std::int32_t m = date <= 36527 ? date - 4 : date - 3;
    const int q = m / 1461;
    const int r = m % 1461;
    int year = kFirstYear + 4 * q;
    int index;
    if (r == 1460) {
        year += 3;
        index = 365;
    } else {
        year += r / 365;
        index = r % 365;
    }
    int month = 1;
    while (month < 12 && index - monthLength(month, year) >= 0) {
        index -= monthLength(month, year);
        ++month;
    }
    parts = {year, month, index + 1};
    return 0;
}

int yearOf(std::int32_t date) {
    DateParts p;
    return dateToParts(date, p) < 0 ? -1 : p.year;
}

int monthOf(std::int32_t date) {
    DateParts p;
    return dateToParts(date, p) < 0 ? -1 : p.month;
}

int dayOf(std::int32_t date) {
    DateParts p;
    return dateToParts(date, p) < 0 ? -1 : p.day;
}

int weekdayOf(std::int32_t date) {
    // Day 4, 1 January 1801, was a Thursday.
    return isValidDate(date) ? (date - kFirstDate + 3) % 7 : -1;
}

std::int32_t timeFromParts(int hour, int minute, int second, int hundredths) {
    if (hour == 0 && minute == 0 && second == 0 && hundredths == 0) return kNoTime;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        hundredths < 0 || hundredths > 99)
        return -1;
    return hour * 360000 + minute * 6000 + second * 100 + hundredths + 1;
}

int timeToParts(std::int32_t time, TimeParts& parts) {
    parts = {};
    if (!isValidTime(time)) return -1;
    std::int32_t t = time - 1;
    parts.hour = t / 360000;
    t %= 360000;
    parts.minute = t / 6000;
    t %= 6000;
    parts.second = t / 100;
    parts.hundredths = t % 100;
    return 0;
}

std::int32_t today() {
    const std::tm tm = localNow();
    return dateFromParts(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
}

std::int32_t clockTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    const auto hundredths =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000 / 10;
    const std::int32_t t =
        timeFromParts(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), static_cast<int>(hundredths));
    return t == kNoTime ? kFirstTime : t;
}

} // namespace zv::dates
