// Look-ups: the text one record shows for a number that names it (a firm's
// name for its ADR:ID, a keyword's text for its number). Forms show them beside
// a number field, lists in a looked-up column, windows in their captions.
#pragma once

#include "record_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::access {

// Field `shown` (Windows-1250, trailing blanks cut) of the first record whose key
// `key` holds `value` in its first field; blank when there is none, the file is
// not open or a name is not the file's. The file's buffer stays as it was.
std::string lookUpText(RecordFile& file, std::string_view key, std::int64_t value,
                       std::string_view shown);

// The name of firm id (ADR:FIRMA by ADR:BYID in Adresar).
std::string firmName(RecordFile& adresar, std::int32_t id);

} // namespace zv::access
