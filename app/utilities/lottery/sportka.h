// SPORTKA's draw: six distinct numbers from 1 to 49, in the order drawn (not
// sorted). A number drawn again is drawn anew for the same place.
#pragma once

#include <array>
#include <functional>

namespace zv::utilities {

constexpr int kSportkaNumbers = 6;
constexpr int kSportkaHighest = 49;

// A random integer from low to high, both included (RANDOM of the evaluator).
using RandomInRange = std::function<int(int low, int high)>;

// REQUIRES: random answers within its range and not the same number for ever.
// An answer outside 1..49 counts as drawn already and is drawn anew.
std::array<int, kSportkaNumbers> drawSportka(const RandomInRange& random);

} // namespace zv::utilities
