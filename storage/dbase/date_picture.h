// Dates kept as text in a STRING field under a date picture ("@d6.", "@D2"),
// as far as the dBase driver needs them: which pictures are date pictures, and
// reading and writing the numeric templates 1, 2, 5, 6 and 9-16. Pictures with
// month names or the regional formats (3, 4, 7, 8, 17-20) are not handled here.
#pragma once

#include "storage/dbase/calendar.h"

#include <string>
#include <string_view>

namespace zv::dbase {

struct DatePictureInfo {
    bool valid = false;     // "@D" followed by a picture number 1..20
    bool supported = false; // a numeric template this driver reads and writes
    int number = 0;
    char separator = '/'; // between the parts of the template
};

DatePictureInfo parseDatePicture(std::string_view picture);
bool isDatePicture(std::string_view picture);

// The date a text shows under picture `number`; an empty date when the text is
// blank or no valid date. Two-digit years fall into the 100 years that end 19
// years after the current year.
CalendarDate parseDateWithPicture(std::string_view text, int number);
// The text of a date under picture `number` with that separator; empty for no date.
std::string formatDateWithPicture(const CalendarDate& d, int number, char separator);

} // namespace zv::dbase
