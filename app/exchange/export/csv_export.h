// Records as lines of a CSV file (UTF-8, comma separated, CRLF line ends,
// fields quoted only when they must be): a header line of the field names
// without their prefix, memos last, and one line per record with text
// trimmed, numbers in decimal and standard dates as YYYY-MM-DD.
#pragma once

#include "app/shell/dictionary/dictionary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv::exchange {

// One field: quoted (quotes doubled) when it holds a comma, a quote or a line break.
std::string csvField(std::string_view utf8);

// "ID,FIRMA,...,POZNAMKA" followed by CRLF.
std::string csvHeader(const dict::FileDef& file);

// The record and its memos (Windows-1250) as one line followed by CRLF.
std::string csvLine(const dict::FileDef& file, const std::uint8_t* record,
                    const std::vector<std::string>& memos1250);

// The name of the persons' file beside the firms' file: "x.csv" -> "x_osoby.csv".
std::string personsCsvName(std::string_view firmsFile);

} // namespace zv::exchange
