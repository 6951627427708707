// Templates of the date and time pictures as lists of elements, and the regional
// settings that pictures 17 and 18 (dates) and 7 and 8 (times) are built from.
#pragma once

#include "platform/dates/standard_date.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {
class ProfileFile;
}

namespace zv::dates {

enum class Part : std::uint8_t {
    Literal,     // text shown as it stands
    Day,         // day digits
    Month,       // month digits
    Year2,       // last two digits of the year
    Year4,       // the year in four digits
    MonthAbbr,   // "Jan" ... "Dec"
    MonthName,   // "January" ... "December"
    WeekdayAbbr, // "Mon" ... "Sun"
    WeekdayName, // "Monday" ... "Sunday"
    Hour,        // 0-23, or 1-12 when the template has a half-day mark
    Minute,
    Second,
    HalfDay, // the AM or PM mark
};

struct Element {
    Part part = Part::Literal;
    bool noLeadingZero = false; // "Dd", "Mm", "Hh": shown without a leading zero
    std::string text;           // the literal's text
};

using Template = std::vector<Element>;

// Half-day marks and the four regional templates.
struct Regional {
    Template shortDate; // picture @D17
    Template longDate;  // picture @D18
    Template shortTime; // picture @T7
    Template longTime;  // picture @T8
    std::string am = "AM";
    std::string pm = "PM";
};

// The template of date picture 1-16, 19, 20 or time picture 1-6 ("Mm/dd/yy", "hh:mm").
Template dateTemplate(std::string_view text);
Template timeTemplate(std::string_view text);

// A Windows date format ("d.M.yyyy", "ddd', 'MMMM' 'dd', 'yyyy") as a template.
Template windowsDateTemplate(std::string_view format);

// The regional settings from section "intl" of a profile: "sShortDate" (default
// "MM/dd/yy"), "sLongDate" (default "ddd', 'MMMM' 'dd', 'yyyy"), "iTime" (1 = 24-hour
// clock, default 0), "iTLzero" (1 = hours with a leading zero, default 0), "sTime"
// (default ":"), "s1159" and "s2359" (default "AM" and "PM").
Regional regionalFrom(const ProfileFile& profile);

// The regional settings of the system profile, read once per process.
const Regional& systemRegional();

} // namespace zv::dates
