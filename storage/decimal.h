// Packed decimals: DECIMAL(d, s) fields hold a sign nibble (0 positive, nonzero
// negative) in the high nibble of the first byte, then d decimal digits, one a
// nibble, the last s of them after the decimal point. The value of a field is
// read and written as a double, rounded to the field's places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zv::storage {

// The value of a packed field of `bytes` bytes with `places` decimals. Nibbles
// that are no digit count as 0.
double decodeDecimal(const std::uint8_t* data, std::size_t bytes, int places);

// Stores the value rounded to `places` decimals; false (and the field set to the
// largest value of its sign) when the value does not fit.
bool encodeDecimal(double value, std::uint8_t* data, std::size_t bytes, int places);

// The exact text of a packed field ("-12.345", "0.000"), for dumps and export.
std::string decimalText(const std::uint8_t* data, std::size_t bytes, int places);

} // namespace zv::storage
