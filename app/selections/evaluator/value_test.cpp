#include "app/selections/evaluator/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zv::evaluator {
namespace {

TEST(Value, TextsCountByTheNumberTheyStartWith) {
    EXPECT_EQ(textNumber("42"), 42);
    EXPECT_EQ(textNumber("  -3.5xyz"), -3.5);
    EXPECT_EQ(textNumber("+.25"), 0.25);
    EXPECT_EQ(textNumber("1.5e3"), 1500);
    EXPECT_EQ(textNumber("7e"), 7);
    EXPECT_EQ(textNumber("abc"), 0);
    EXPECT_EQ(textNumber(""), 0);
    EXPECT_EQ(textNumber("inf"), 0);
    EXPECT_EQ(textNumber("nan"), 0);
    EXPECT_EQ(textNumber("1e999"), 0);
    EXPECT_EQ(textNumber("-"), 0);
    EXPECT_EQ(textNumber("."), 0);
}

TEST(Value, NumericTextsAreWholeNumbers) {
    EXPECT_TRUE(isNumericText(" 12 "));
    EXPECT_TRUE(isNumericText("-1.5"));
    EXPECT_FALSE(isNumericText("12a"));
    EXPECT_FALSE(isNumericText(""));
    EXPECT_FALSE(isNumericText("  "));
    EXPECT_FALSE(isNumericText("1 2"));
}

TEST(Value, RealsAsText) {
    EXPECT_EQ(realText(19), "19");
    EXPECT_EQ(realText(-4), "-4");
    EXPECT_EQ(realText(-0.0), "0");
    EXPECT_EQ(realText(0.5), "0.5");
    EXPECT_EQ(realText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(realText(1e20), "1e+20");
    EXPECT_EQ(realText(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(realText(std::numeric_limits<double>::infinity()), "0");
}

TEST(Value, TrailingBlanksNeverMatterInTextComparison) {
    EXPECT_EQ(compareTexts("Abc   ", "Abc"), 0);
    EXPECT_EQ(compareTexts("Abc", "Abc "), 0);
    EXPECT_GT(compareTexts("Abcd", "Abc"), 0);
    EXPECT_LT(compareTexts("Abc", "Abc d"), 0);
    EXPECT_NE(compareTexts("ABC", "Abc"), 0); // byte order: case matters
    EXPECT_GT(compareTexts("\xE8", "z"), 0);  // bytes compare unsigned
    EXPECT_EQ(compareTexts("", "   "), 0);
}

TEST(Value, ComparisonKindFollowsTheOperandTypes) {
    EXPECT_EQ(compare(Value::ofInteger(5), Value::ofText("5")), 0);
    EXPECT_EQ(compare(Value::ofInteger(10), Value::ofText("9")), 1);
    EXPECT_EQ(compare(Value::ofText("10"), Value::ofText("9")), -1); // as texts
    EXPECT_EQ(compare(Value::ofReal(2.5), Value::ofInteger(2)), 1);
    EXPECT_EQ(compare(Value::ofInteger(INT32_MIN), Value::ofInteger(INT32_MAX)), -1);
}

TEST(Value, TruthOfEachType) {
    EXPECT_FALSE(isTrue(Value::ofInteger(0)));
    EXPECT_TRUE(isTrue(Value::ofInteger(-1)));
    EXPECT_FALSE(isTrue(Value::ofReal(0.0)));
    EXPECT_TRUE(isTrue(Value::ofReal(0.001)));
    EXPECT_FALSE(isTrue(Value::ofText("   ")));
    EXPECT_FALSE(isTrue(Value::ofText("")));
    EXPECT_TRUE(isTrue(Value::ofText("0"))); // a text is true when not blank
}

TEST(Value, IntegerPartsStayInRange) {
    EXPECT_EQ(toInteger(Value::ofReal(-2.7)), -2);
    EXPECT_EQ(toInteger(Value::ofReal(1e12)), INT32_MAX);
    EXPECT_EQ(toInteger(Value::ofReal(-1e12)), INT32_MIN);
    EXPECT_EQ(toInteger(Value::ofText("12.9")), 12);
}

} // namespace
} // namespace zv::evaluator
