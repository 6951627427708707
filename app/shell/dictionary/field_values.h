// Setting and reading single fields of a record image by their dictionary
// description, for generic code that knows a field only by name (locators,
// restrictions, numbering, prefilled link fields).
#pragma once

#include "dictionary.h"

#include <cstdint>
#include <string_view>

namespace zv::dict {

// Stores text in a text field (blank padded or zero terminated, cut to its
// width); a number field takes the text's leading decimal number (0 when none),
// a DECIMAL or REAL field with its fraction ("8.268", "8,268").
void setFieldText(const FieldSpec& field, std::uint8_t* record, std::string_view text1250);

// Stores a number in a number field (a text field gets its decimal digits).
void setFieldInteger(const FieldSpec& field, std::uint8_t* record, std::int64_t value);

// Blanks the field: text to blanks (zero for a zero-terminated text), numbers to 0.
void blankField(const FieldSpec& field, std::uint8_t* record);

// True when the field holds nothing: text blank, numbers and dates 0.
bool isBlankField(const FieldSpec& field, const std::uint8_t* record);

// True for STRING and CSTRING fields.
bool isTextField(const FieldSpec& field);

// The layout field of a prefixed name within a file, or nullptr.
const FieldSpec* fieldOf(const FileDef& file, std::string_view prefixedName);

} // namespace zv::dict
