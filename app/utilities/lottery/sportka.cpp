#include "app/utilities/lottery/sportka.h"

namespace zv::utilities {

std::array<int, kSportkaNumbers> drawSportka(const RandomInRange& random) {
    std::array<int, kSportkaNumbers> numbers{};
    std::array<bool, kSportkaHighest + 1> drawn{};
    for (int i = 0; i < kSportkaNumbers;) {
        const int n = random(1, kSportkaHighest);
        if (n < 1 || n > kSportkaHighest || drawn[static_cast<std::size_t>(n)]) continue;
        drawn[static_cast<std::size_t>(n)] = true;
        numbers[static_cast<std::size_t>(i++)] = n;
    }
    return numbers;
}

} // namespace zv::utilities
