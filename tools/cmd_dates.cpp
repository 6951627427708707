// zevlon-tool date YYYY-MM-DD | NUMBER: a date as its standard date number and back;
// zevlon-tool time HH:MM[:SS[.CC]] | NUMBER: a time as its standard time and back.
#include "tools/commands.h"
#include "tools/iso_date.h"

#include "platform/dates/standard_date.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace zv::tool {
namespace {

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The digits of s as a number, or -1 when it is not one of at most nine digits.
int number(std::string_view s) {
    int v = -1;
    if (!allDigits(s) || s.size() > 9) return -1;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

int invalid() {
    std::puts("invalid");
    return 2;
}

} // namespace

int runDate(Args args) {
    if (args.size() != 1) return badInput("usage: date YYYY-MM-DD | NUMBER");
    const std::string_view a = args[0];
    if (allDigits(a)) {
        dates::DateParts p;
        if (dates::dateToParts(number(a), p) < 0) return invalid();
        std::printf("%04d-%02d-%02d\n", p.year, p.month, p.day);
        return 0;
    }
    const std::int32_t n = isoDate(a);
    if (n < 0) return invalid();
    std::printf("%d\n", n);
    return 0;
}

int runTime(Args args) {
    if (args.size() != 1) return badInput("usage: time HH:MM[:SS[.CC]] | NUMBER");
    const std::string_view a = args[0];
    if (allDigits(a)) {
        dates::TimeParts t;
        if (dates::timeToParts(number(a), t) < 0) return invalid();
        std::printf("%02d:%02d:%02d.%02d\n", t.hour, t.minute, t.second, t.hundredths);
        return 0;
    }
    // HH:MM, HH:MM:SS or HH:MM:SS.CC, one or two digits each.
    int parts[4] = {0, 0, 0, 0};
    std::size_t count = 0, pos = 0;
    while (true) {
        std::size_t end = pos;
        while (end < a.size() && a[end] >= '0' && a[end] <= '9')
            ++end;
        if (end == pos || end - pos > 2 || count == 4) return invalid();
        parts[count++] = number(a.substr(pos, end - pos));
        if (end == a.size()) break;
        const char want = count == 3 ? '.' : ':';
        if (a[end] != want) return invalid();
        pos = end + 1;
    }
    if (count < 2) return invalid();
    const std::int32_t t = dates::timeFromParts(parts[0], parts[1], parts[2], parts[3]);
    if (t < 0) return invalid();
    std::printf("%d\n", t);
    return 0;
}

} // namespace zv::tool
