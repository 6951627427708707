// Field types of records, with the type codes the native file stores for them.
// Shared by the storage engine, the data dictionary and the expression evaluator.
#pragma once

#include <cstdint>

namespace zv::storage {

enum class FieldType : std::uint8_t {
    Byte = 0x01,     // unsigned 8 bits
    Short = 0x02,    // signed 16 bits, little-endian
    UShort = 0x03,   // unsigned 16 bits, little-endian
    Date = 0x04,     // calendar date of the dBase export: day byte, month byte, year as
                     // 16-bit little-endian (0 0 0 0 is no date)
    Time = 0x05,     // standard time (4 bytes)
    Long = 0x06,     // signed 32 bits, little-endian
    ULong = 0x07,    // unsigned 32 bits, little-endian
    SReal = 0x08,    // 32-bit IEEE floating point
    Real = 0x09,     // 64-bit IEEE floating point
    Decimal = 0x0A,  // packed decimal: sign nibble, then digits
    PDecimal = 0x0B, // packed decimal as stored by other systems (kept as bytes)
    String = 0x12,   // fixed length, blank padded
    CString = 0x13,  // zero terminated within its width
    PString = 0x14,  // length byte, then characters
    Group = 0x16,    // a group of fields (the record itself is one)
};

// True for the text types STRING, CSTRING and PSTRING.
constexpr bool isText(FieldType t) {
    return t == FieldType::String || t == FieldType::CString || t == FieldType::PString;
}

// Bytes a packed DECIMAL(digits, places) occupies: a sign nibble and the digits.
constexpr int decimalBytes(int digits) {
    return digits / 2 + 1;
}

} // namespace zv::storage
