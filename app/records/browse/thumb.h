// The list's vertical scroll bar: 100 positions. For text orders position n
// stands for the n-th two-letter prefix of a fixed table ("  ", "AF", "AN",
// "AT", "B ", "BF", ... "Z ", "ZN"); for number orders the thumb is
// proportional between the lowest and the highest key value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::records {

constexpr int kThumbPositions = 100;

// The prefix of position n (1..100); "  " outside that range.
std::string_view thumbPrefix(int position);

// The last position whose prefix is not greater than the first two letters of
// value (upper-cased, Windows-1250), in byte order or in Czech order (where Č
// falls between C and D, CH between H and I).
int thumbPositionForText(std::string_view value1250, bool czech = false);

// Proportional positions for number orders.
int thumbPositionForNumber(std::int64_t value, std::int64_t lowest, std::int64_t highest);
std::int64_t thumbNumberForPosition(int position, std::int64_t lowest, std::int64_t highest);

} // namespace zv::records
