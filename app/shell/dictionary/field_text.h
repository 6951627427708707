// The text of one field of a record image, as lists and dumps show it: text
// without its trailing blanks, numbers in decimal, standard dates and times
// through the field's picture (no date shows as an empty text).
#pragma once

#include "dictionary.h"

#include <cstdint>
#include <string>

namespace zv::dict {

// Windows-1250 text of the field in record.
std::string fieldText(const FieldSpec& field, const std::uint8_t* record);

// The field's value as an integer (numbers only; text and reals give 0).
std::int64_t fieldInteger(const FieldSpec& field, const std::uint8_t* record);

} // namespace zv::dict
