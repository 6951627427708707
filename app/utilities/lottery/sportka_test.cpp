#include "app/utilities/lottery/sportka.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace zv::utilities {
namespace {

TEST(Sportka, TenThousandDrawsGiveSixDistinctNumbersFrom1To49) {
    std::mt19937 engine(49);
    const RandomInRange random = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine);
    };
    std::array<int, 50> seen{};
    for (int draw = 0; draw < 10000; ++draw) {
        const auto numbers = drawSportka(random);
        std::set<int> distinct(numbers.begin(), numbers.end());
        ASSERT_EQ(distinct.size(), 6u) << "draw " << draw;
        for (int n : numbers) {
            ASSERT_GE(n, 1);
            ASSERT_LE(n, 49);
            ++seen[static_cast<std::size_t>(n)];
        }
    }
    // Every number comes up now and then.
    for (int n = 1; n <= 49; ++n)
        EXPECT_GT(seen[static_cast<std::size_t>(n)], 0) << n;
}

TEST(Sportka, ANumberDrawnAgainIsDrawnAnewAndTheOrderIsKept) {
    std::vector<int> answers = {7, 7, 49, 1, 7, 49, 30, 2, 3};
    std::size_t next = 0;
    const auto numbers = drawSportka([&](int, int) { return answers.at(next++); });
    EXPECT_EQ(numbers, (std::array<int, 6>{7, 49, 1, 30, 2, 3}));
    EXPECT_EQ(next, answers.size());
}

TEST(Sportka, AnAnswerOutsideTheRangeIsDrawnAnew) {
    std::vector<int> answers = {0, 50, -3, 1, 2, 3, 4, 5, 6};
    std::size_t next = 0;
    const auto numbers = drawSportka([&](int low, int high) {
        EXPECT_EQ(low, 1);
        EXPECT_EQ(high, 49);
        return answers.at(next++);
    });
    EXPECT_EQ(numbers, (std::array<int, 6>{1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace zv::utilities
