// Windows-1250 text: the character set of every record, settings file and export.
//
// This is the one place where record text meets Unicode. Conversions never fail:
// every one of the 256 bytes has a Unicode character (the five bytes the code page
// leaves unassigned map to the C1 control of the same number, as Windows does),
// and a character Windows-1250 cannot hold becomes "?".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::cp1250 {

// The Unicode code point of one Windows-1250 byte.
char32_t toUnicode(unsigned char byte);

// The Windows-1250 byte of a code point, or '?' when the code page cannot hold it.
unsigned char fromUnicode(char32_t cp);

// Whole texts: Windows-1250 bytes <-> UTF-8. Malformed UTF-8 sequences become "?".
std::string toUtf8(std::string_view text1250);
std::string fromUtf8(std::string_view utf8);

// Upper and lower case of one byte by the Windows-1250 case tables (Czech and
// Slovak letters included: š -> Š, ř -> Ř, ů -> Ů, ľ -> Ľ ...).
unsigned char upper(unsigned char byte);
unsigned char lower(unsigned char byte);

// Whole texts in place or as copies.
std::string upper(std::string_view text1250);
std::string lower(std::string_view text1250);

// A byte in lower case and, for a letter with an accent, its plain letter
// ("Č" -> "c", "ů" -> "u", "Ľ" -> "l"); other bytes in lower case ("ß" stays).
unsigned char plainLower(unsigned char byte);
std::string plainLower(std::string_view text1250);

// Compares two texts without regard to letter case (by the upper-case table):
// negative, zero or positive as strcmp.
int compareNoCase(std::string_view a, std::string_view b);
bool equalNoCase(std::string_view a, std::string_view b);

} // namespace zv::cp1250

// Code page 852, the Czech DOS (OEM) character set some tables keep their text
// in. Conversions go byte for byte; a character the other side cannot hold
// becomes "?", and every character both sides hold survives the round trip.
namespace zv::cp852 {

unsigned char toCp1250(unsigned char oem);
unsigned char fromCp1250(unsigned char byte1250);
// Upper case of one OEM byte: the upper-case form of the same letter in the
// OEM set (á -> Á, ř -> Ř); bytes without a Windows-1250 counterpart stay.
unsigned char upper(unsigned char oem);

std::string toCp1250(std::string_view oemText);
std::string fromCp1250(std::string_view text1250);
std::string upper(std::string_view oemText);

} // namespace zv::cp852
