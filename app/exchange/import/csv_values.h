// How the text of a CSV field becomes the value of a record field, for the
// firms and the persons alike: text trimmed of blanks and tabs, one line for a
// field of one line, the note's line breaks as CRLF, dates as YYYY-MM-DD or
// D.M.YYYY, a flag checked by "1", "ano", "x" or "true"; and a whole CSV file
// read into memory.
#pragma once

#include "app/shell/dictionary/dictionary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zv::exchange {

// The text without its leading and trailing blanks and tabs.
std::string csvTrimmed(std::string_view s);

// Line breaks become blanks.
std::string csvOneLine(std::string s);

// Line breaks (CR, LF or CRLF) become CRLF, as the program keeps them in notes.
std::string csvNoteText(std::string_view s);

// "2024-03-15" or "15.3.2024" as a standard date; 0 when it is neither.
std::int32_t csvDate(std::string_view s);

// True for the texts that check a flag ("1", "x", "a", "ano", "true", "yes").
bool csvChecked(std::string_view s1250);

// A whole number of at most nine digits (blanks around it allowed); nothing
// for any other text, an empty one included.
std::optional<std::int32_t> csvNumber(std::string_view s);

// Stores a CSV value in a field of a record image: a date field through
// csvDate, a flag through csvChecked, anything else as setFieldText does (text
// on one line, cut to its width).
void setCsvValue(const dict::FieldSpec& field, bool flag, std::uint8_t* record,
                 std::string_view value1250);

// The whole file; error is 0, or why it cannot be read (a file larger than any
// address book's export is refused).
std::string readCsvFile(const std::string& nativePath, int& error);

} // namespace zv::exchange
