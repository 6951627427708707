// Values of record fields and of column text, for the column map: numbers,
// texts and number pictures as the record buffer holds them, and the number and
// text forms of dBase columns.
#pragma once

#include "storage/declaration.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::dbase {

struct NumberPicture {
    bool valid = false;
    int width = 0;
    int decimals = 0;
    char decimalPoint = '.';
};

// "@N[$][-|(][fill]width[grouping][.|`|v decimals]..." (letter case free).
NumberPicture parseNumberPicture(std::string_view picture);

// Binary numbers of BYTE, SHORT, USHORT, LONG, ULONG, SREAL, REAL and DECIMAL
// fields; writing rounds and clamps to what the field holds.
bool isBinaryNumber(storage::FieldType t);
bool isInteger(storage::FieldType t);
double readBinary(const storage::FieldDecl& f, const std::uint8_t* p);
void writeBinary(const storage::FieldDecl& f, std::uint8_t* p, double v);

// Text of STRING, CSTRING and PSTRING fields (Windows-1250). Writing pads a
// STRING with blanks and cuts what does not fit.
std::string readText(const storage::FieldDecl& f, const std::uint8_t* p);
void writeText(const storage::FieldDecl& f, std::uint8_t* p, std::string_view text);
std::string_view trimRight(std::string_view s);
std::string_view trim(std::string_view s);

// Bytes Windows-1250 leaves to control characters.
bool isControl1250(unsigned char b);

// Number text of exactly `width` characters, right-aligned with `decimals`
// places; false when it does not fit (or the value is no number).
bool formatNumber(double v, int width, int decimals, std::string& out);
// The value of number text; blanks or garbage give 0.
double parseNumber(std::string_view text, char decimalPoint);

} // namespace zv::dbase
