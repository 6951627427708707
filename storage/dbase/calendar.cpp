#include "storage/dbase/calendar.h"

#include "platform/dates/standard_date.h"

#include <cstdio>

namespace zv::dbase {
namespace {

bool gregorianLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int monthLength(int y, int m) {
    static constexpr int kLen[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && gregorianLeap(y) ? 29 : kLen[m - 1];
}

} // namespace

bool validCalendar(const CalendarDate& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= monthLength(d.year, d.month);
}

std::int32_t toStandardDate(const CalendarDate& d) {
    if (!validCalendar(d) || d.year < dates::kFirstYear || d.year > dates::kLastYear) return -1;
    return dates::dateFromParts(d.month, d.day, d.year);
}

CalendarDate fromStandardDate(std::int32_t standard) {
    dates::DateParts p;
    if (dates::dateToParts(standard, p) != 0) return {};
    return {p.year, p.month, p.day};
}

CalendarDate unpackDateField(const std::uint8_t* f) {
    CalendarDate d{f[2] | (f[3] << 8), f[1], f[0]};
    return validCalendar(d) ? d : CalendarDate{};
}

void packDateField(const CalendarDate& d, std::uint8_t* f) {
    if (!validCalendar(d)) {
        f[0] = f[1] = f[2] = f[3] = 0;
        return;
    }
    f[0] = static_cast<std::uint8_t>(d.day);
    f[1] = static_cast<std::uint8_t>(d.month);
    f[2] = static_cast<std::uint8_t>(d.year & 0xFF);
    f[3] = static_cast<std::uint8_t>(d.year >> 8);
}

std::string dateText(const CalendarDate& d) {
    if (!validCalendar(d)) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
    return buf;
}

CalendarDate parseDateText(const char* t) {
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (t[i] < '0' || t[i] > '9') return {};
        v[i] = t[i] - '0';
    }
    CalendarDate d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
    return validCalendar(d) ? d : CalendarDate{};
}

} // namespace zv::dbase
