#include "decimal.h"

#include "field_type.h"

#include <gtest/gtest.h>

namespace zv::storage {
namespace {

TEST(Decimal, RoundTripsLabelMeasures) {
    std::uint8_t b[decimalBytes(5)];
    ASSERT_EQ(sizeof b, 3u);
    for (double v : {0.0, 8.268, 11.693, -2.5, 99.999, 0.001}) {
        ASSERT_TRUE(encodeDecimal(v, b, sizeof b, 3));
        EXPECT_DOUBLE_EQ(decodeDecimal(b, sizeof b, 3), v);
    }
    ASSERT_TRUE(encodeDecimal(-12.345, b, sizeof b, 3));
    EXPECT_EQ(decimalText(b, sizeof b, 3), "-12.345");
    EXPECT_EQ(b[0] >> 4, 0xD);
    ASSERT_TRUE(encodeDecimal(0.5, b, sizeof b, 3));
    EXPECT_EQ(decimalText(b, sizeof b, 3), "0.500");
}

TEST(Decimal, TooLargeValuesAreRefusedAndClamped) {
    std::uint8_t b[3];
    EXPECT_FALSE(encodeDecimal(100.0, b, sizeof b, 3));
    EXPECT_EQ(decimalText(b, sizeof b, 3), "99.999");
    EXPECT_FALSE(encodeDecimal(1e300 * 1e300, b, sizeof b, 3));
}

} // namespace
} // namespace zv::storage
