// Dates as the dBase driver meets them in record buffers:
// - a standard date in a LONG (day numbers, 4 = 1 January 1801, 0 = no date);
// - a calendar date in a DATE field: 4 bytes, the day, the month, then the year as
//   a little-endian 16-bit number; all zero = no date;
// - the column text "YYYYMMDD" (8 blanks = no date).
#pragma once

#include <cstdint>
#include <string>

namespace zv::dbase {

struct CalendarDate {
    int year = 0; // 0 = no date
    int month = 0;
    int day = 0;
    bool empty() const { return year == 0; }
};

// True for a real day of the Gregorian calendar in the years 1..9999.
bool validCalendar(const CalendarDate& d);

// Standard date <-> calendar date through the standard date module (valid
// standard dates are 4..109211, 1 January 1801 to 31 December 2099). Out of
// range gives an empty date / -1.
CalendarDate fromStandardDate(std::int32_t standard);
std::int32_t toStandardDate(const CalendarDate& d);

// DATE fields in a record buffer.
CalendarDate unpackDateField(const std::uint8_t* field4);
void packDateField(const CalendarDate& d, std::uint8_t* field4);

// Column text. parseDateText accepts 8 digits of a valid date; anything else
// (blanks included) gives an empty date.
std::string dateText(const CalendarDate& d);
CalendarDate parseDateText(const char* text8);

} // namespace zv::dbase
