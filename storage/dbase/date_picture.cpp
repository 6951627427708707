#include "storage/dbase/date_picture.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace zv::dbase {
namespace {

// Order of the parts of a numeric template: 'M', 'D', 'y' (two digits) or 'Y'
// (four digits); empty for templates not handled.
std::string_view partsOf(int number) {
    switch (number) {
    case 1:
        return "MDy";
    case 2:
        return "MDY";
    case 5:
        return "DMy";
    case 6:
        return "DMY";
    case 9:
        return "yMD";
    case 10:
        return "YMD";
    case 11:
        return "yMD";
    case 12:
        return "YMD";
    case 13:
        return "My";
    case 14:
        return "MY";
    case 15:
        return "yM";
    case 16:
        return "YM";
    default:
        return {};
    }
}

bool packed(int number) {
    return number == 11 || number == 12;
}

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

int expandYear(int y) {
    const int c = currentYear();
    const int e = c % 100;
    int year = c - e + y;
    if (y - e >= 100 - 80)
        year -= 100;
    else if (e - y > 80)
        year += 100;
    return year;
}

} // namespace

DatePictureInfo parseDatePicture(std::string_view p) {
    DatePictureInfo info;
    if (p.size() < 3 || p[0] != '@' || (p[1] != 'd' && p[1] != 'D')) return info;
    std::size_t i = 2;
    if (i + 1 < p.size() && (p[i] == '0' || p[i] == '*' || p[i] == '_') && p[i + 1] >= '0' &&
        p[i + 1] <= '9')
        ++i;
    int n = 0;
    const std::size_t start = i;
    while (i < p.size() && p[i] >= '0' && p[i] <= '9' && i - start < 2)
        n = n * 10 + (p[i++] - '0');
    if (i == start || n < 1 || n > 20) return info;
    info.valid = true;
    info.number = n;
    if (i < p.size()) {
        switch (p[i]) {
        case '.':
            info.separator = '.';
            break;
        case '-':
            info.separator = '-';
            break;
        case '_':
            info.separator = ' ';
            break;
        case '`':
            info.separator = ',';
            break;
        default:
            break;
        }
    }
    info.supported = !partsOf(n).empty();
    return info;
}

bool isDatePicture(std::string_view picture) {
    return parseDatePicture(picture).valid;
}

CalendarDate parseDateWithPicture(std::string_view text, int number) {
    const std::string_view parts = partsOf(number);
    if (parts.empty()) return {};
    std::vector<std::string> groups;
    if (packed(number)) {
        std::string digits;
        for (char c : text)
            if (c >= '0' && c <= '9') digits.push_back(c);
        const std::size_t yearDigits = parts[0] == 'Y' ? 4 : 2;
        if (digits.size() != yearDigits + 4) return {};
        groups = {digits.substr(0, yearDigits), digits.substr(yearDigits, 2),
                  digits.substr(yearDigits + 2, 2)};
    } else {
        std::string cur;
        for (char c : text) {
            if (c >= '0' && c <= '9') {
                cur.push_back(c);
            } else if (!cur.empty()) {
                groups.push_back(cur);
                cur.clear();
            }
        }
        if (!cur.empty()) groups.push_back(cur);
        if (groups.size() != parts.size()) return {};
    }
    CalendarDate d{0, 0, 1};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (groups[i].size() > 4) return {};
        const int v = std::stoi(groups[i]);
        switch (parts[i]) {
        case 'M':
            d.month = v;
            break;
        case 'D':
            d.day = v;
            break;
        case 'y':
            d.year = groups[i].size() <= 2 ? expandYear(v) : v;
            break;
        case 'Y':
            d.year = groups[i].size() <= 2 ? expandYear(v) : v;
            break;
        }
    }
    return validCalendar(d) ? d : CalendarDate{};
}

std::string formatDateWithPicture(const CalendarDate& d, int number, char separator) {
    const std::string_view parts = partsOf(number);
    if (parts.empty() || !validCalendar(d)) return {};
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0 && !packed(number)) out.push_back(separator);
        switch (parts[i]) {
        case 'M':
            std::snprintf(buf, sizeof buf, "%02d", d.month);
            break;
        case 'D':
            std::snprintf(buf, sizeof buf, "%02d", d.day);
            break;
        case 'y':
            std::snprintf(buf, sizeof buf, "%02d", d.year % 100);
            break;
        case 'Y':
            std::snprintf(buf, sizeof buf, "%04d", d.year);
            break;
        }
        out += buf;
    }
    return out;
}

} // namespace zv::dbase
