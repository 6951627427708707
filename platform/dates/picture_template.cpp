#include "platform/dates/picture_template.h"

#include "platform/profile.h"
#include "platform/system_profile.h"

namespace zv::dates {
namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isUpperAscii(char c) {
    return c >= 'A' && c <= 'Z';
}

void addLiteral(Template& t, char c) {
    t.push_back({Part::Literal, false, std::string(1, c)});
}

// Splits a built-in template into groups of one letter; the letters of dates (D M Y N)
// or of times (H M S P) mean something, every other character is a literal.
Template parseTemplate(std::string_view text, bool isTime) {
    Template t;
    std::size_t i = 0;
    while (i < text.size()) {
        const char letter = upperAscii(text[i]);
        std::size_t j = i + 1;
        while (j < text.size() && upperAscii(text[j]) == letter)
            ++j;
        const std::size_t count = j - i;
        // An upper-case letter before a lower-case one starts a group without a leading zero.
        const bool noLeadingZero = count > 1 && isUpperAscii(text[i]) && !isUpperAscii(text[i + 1]);
        Element e;
        e.noLeadingZero = noLeadingZero;
        if (!isTime && letter == 'D') {
            e.part = Part::Day;
        } else if (!isTime && letter == 'M') {
            e.part = Part::Month;
        } else if (!isTime && letter == 'Y') {
            e.part = count >= 3 ? Part::Year4 : Part::Year2;
        } else if (!isTime && letter == 'N') {
            e.part = count >= 4 ? Part::MonthName : Part::MonthAbbr;
        } else if (isTime && letter == 'H') {
            e.part = Part::Hour;
        } else if (isTime && letter == 'M') {
            e.part = Part::Minute;
        } else if (isTime && letter == 'S') {
            e.part = Part::Second;
        } else if (isTime && letter == 'P') {
            e.part = Part::HalfDay;
        } else {
            for (std::size_t k = i; k < j; ++k)
                addLiteral(t, text[k]);
            i = j;
            continue;
        }
        t.push_back(std::move(e));
        i = j;
    }
    return t;
}

} // namespace

Template dateTemplate(std::string_view text) {
    return parseTemplate(text, false);
}

Template timeTemplate(std::string_view text) {
    return parseTemplate(text, true);
}

Template windowsDateTemplate(std::string_view format) {
    Template t;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\'') { // quoted literal; '' inside stands for one apostrophe
            ++i;
            while (i < format.size()) {
                if (format[i] == '\'') {
                    if (i + 1 < format.size() && format[i + 1] == '\'') {
                        addLiteral(t, '\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                addLiteral(t, format[i++]);
            }
            continue;
        }
        const char letter = upperAscii(c);
        std::size_t j = i + 1;
        while (j < format.size() && format[j] == c)
            ++j;
        const std::size_t count = j - i;
        Element e;
        if (letter == 'D') {
            e.part = count >= 4 ? Part::WeekdayName : count == 3 ? Part::WeekdayAbbr : Part::Day;
            e.noLeadingZero = count == 1;
        } else if (letter == 'M') {
            e.part = count >= 4 ? Part::MonthName : count == 3 ? Part::MonthAbbr : Part::Month;
            e.noLeadingZero = count == 1;
        } else if (letter == 'Y') {
            e.part = count >= 3 ? Part::Year4 : Part::Year2;
        } else if (letter == 'G') { // era: not shown
            i = j;
            continue;
        } else {
            for (std::size_t k = i; k < j; ++k)
                addLiteral(t, format[k]);
            i = j;
            continue;
        }
        t.push_back(std::move(e));
        i = j;
    }
    return t;
}

Regional regionalFrom(const ProfileFile& profile) {
    Regional r;
    r.shortDate = windowsDateTemplate(profile.getString("intl", "sShortDate", "MM/dd/yy"));
    r.longDate =
        windowsDateTemplate(profile.getString("intl", "sLongDate", "ddd', 'MMMM' 'dd', 'yyyy"));
    const bool clock24 = profile.getInt("intl", "iTime", 0) == 1;
    const bool hourZero = profile.getInt("intl", "iTLzero", 0) == 1;
    const std::string sep = profile.getString("intl", "sTime", ":");
    r.am = profile.getString("intl", "s1159", "AM");
    r.pm = profile.getString("intl", "s2359", "PM");
    const auto build = [&](bool seconds) {
        Template t;
        t.push_back({Part::Hour, !hourZero, {}});
        if (!sep.empty()) t.push_back({Part::Literal, false, sep});
        t.push_back({Part::Minute, false, {}});
        if (seconds) {
            if (!sep.empty()) t.push_back({Part::Literal, false, sep});
            t.push_back({Part::Second, false, {}});
        }
        if (!clock24) {
            if (!r.am.empty() || !r.pm.empty()) t.push_back({Part::Literal, false, " "});
            t.push_back({Part::HalfDay, false, {}});
        }
        return t;
    };
    r.shortTime = build(false);
    r.longTime = build(true);
    return r;
}

const Regional& systemRegional() {
    static const Regional regional = regionalFrom(systemProfile());
    return regional;
}

} // namespace zv::dates
