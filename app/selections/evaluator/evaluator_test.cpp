// The grammar and evaluation rules of expressions, grouped by concern.
#include "app/selections/evaluator/evaluator.h"

#include <gtest/gtest.h>

#include <string>

namespace zv::evaluator {
namespace {

std::string eval(std::string_view text) {
    const Result r = evaluate(text);
    EXPECT_EQ(r.error, 0) << text;
    return r.value;
}

void expectFails(std::string_view text) {
    const Result r = evaluate(text);
    EXPECT_EQ(r.error, kInvalidExpression) << text;
    EXPECT_EQ(r.value, "") << text;
}

// The firm of the examples: a name, a number and a yes/no flag in a record buffer.
class FirmExpressions : public ::testing::Test {
protected:
    void SetUp() override {
        setName("Abc");
        ASSERT_TRUE(bindField("ADR:FIRMA", storage::FieldType::String, firma_, sizeof firma_));
        ASSERT_TRUE(bindField("ADR:ID", storage::FieldType::Long, id_, sizeof id_));
        ASSERT_TRUE(bindField("ADR:P1", storage::FieldType::Byte, &p1_, 1));
        setId(5);
    }
    void setName(std::string_view name) {
        std::fill(std::begin(firma_), std::end(firma_), ' ');
        std::copy(name.begin(), name.end(), firma_);
    }
    void setId(std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            id_[i] = static_cast<unsigned char>(v >> (8 * i));
    }

    BindingScope scope_;
    char firma_[40];
    unsigned char id_[4];
    unsigned char p1_ = 0;
};

TEST(Arithmetic, PrecedenceAndAssociativity) {
    EXPECT_EQ(eval("1 + 2 * 3 ^ 2"), "19");
    EXPECT_EQ(eval("2 ^ 3 ^ 2"), "64"); // from the left
    EXPECT_EQ(eval("-2 ^ 2"), "4");     // the sign binds tighter than "^"
    EXPECT_EQ(eval("10 - 2 - 3"), "5");
    EXPECT_EQ(eval("100 / 10 / 5"), "2");
    EXPECT_EQ(eval("2 * 3 % 4"), "2");
    EXPECT_EQ(eval("(1 + 2) * 3"), "9");
    EXPECT_EQ(eval("- - 5"), "5");
    EXPECT_EQ(eval("+-+5"), "-5");
    EXPECT_EQ(eval("7 / 2"), "3.5");
    EXPECT_EQ(eval("7 % 3"), "1");
    EXPECT_EQ(eval("1 / 3"), "0.333333333333333");
}

TEST(Arithmetic, IsRealArithmeticOnNumericValues) {
    EXPECT_EQ(eval("'12' + 1"), "13");
    EXPECT_EQ(eval("'abc' * 2"), "0");
    EXPECT_EQ(eval("2147483647 + 1"), "2147483648");
    EXPECT_EQ(eval("99999999999"), "99999999999");
    EXPECT_EQ(eval(".5 + 1.25"), "1.75");
    EXPECT_EQ(eval("1.5e2"), "150");
    EXPECT_EQ(eval("2.0E-1"), "0.2");
}

TEST(Arithmetic, UndefinedResultsGiveZero) {
    EXPECT_EQ(eval("1 / 0"), "0");
    EXPECT_EQ(eval("5 % 0"), "0");
    EXPECT_EQ(eval("10 ^ 400"), "0");
    EXPECT_EQ(eval("(-8) ^ .5"), "0");
}

TEST(Concatenation, JoinsTextsBelowComparisons) {
    EXPECT_EQ(eval("'a' & 'b' & 1 + 2"), "ab3");
    EXPECT_EQ(eval("'a' & 'b' = 'ab'"), "1");
    EXPECT_EQ(eval("1 & 2 + 3"), "15");
}

TEST(Comparison, EverySpelling) {
    const struct {
        const char* op;
        bool lt, eq, gt; // result for 1 op 2, 2 op 2, 3 op 2
    } cases[] = {
        {"=", false, true, false},    {"<>", true, false, true},  {"~=", true, false, true},
        {"NOT =", true, false, true}, {"<", true, false, false},  {">", false, false, true},
        {"<=", true, true, false},    {"=<", true, true, false},  {"NOT >", true, true, false},
        {"~>", true, true, false},    {">=", false, true, true},  {"=>", false, true, true},
        {"NOT <", false, true, true}, {"< =", true, true, false},
    };
    for (const auto& c : cases) {
        const std::string op = c.op;
        EXPECT_EQ(eval("1 " + op + " 2"), c.lt ? "1" : "0") << op;
        EXPECT_EQ(eval("2 " + op + " 2"), c.eq ? "1" : "0") << op;
        EXPECT_EQ(eval("3 " + op + " 2"), c.gt ? "1" : "0") << op;
    }
    EXPECT_EQ(eval("1 < 2 = 1"), "1"); // comparisons chain from the left
}

TEST(Comparison, TextsIntegersAndReals) {
    EXPECT_EQ(eval("'abc  ' = 'abc'"), "1");
    EXPECT_EQ(eval("'ABC' = 'abc'"), "0");
    EXPECT_EQ(eval("'10' < '9'"), "1");
    EXPECT_EQ(eval("10 < '9'"), "0");
    EXPECT_EQ(eval("1.5 > 1"), "1");
    EXPECT_EQ(eval("0.1 + 0.2 = .3"), "0"); // reals compare exactly
}

TEST(Logic, NotAndOrXor) {
    EXPECT_EQ(eval("NOT 0"), "1");
    EXPECT_EQ(eval("NOT NOT 5"), "5"); // an even number of NOTs cancels out
    EXPECT_EQ(eval("NOT NOT 0"), "0");
    EXPECT_EQ(eval("~ 1"), "0");
    EXPECT_EQ(eval("not 1 = 2"), "1"); // NOT applies to the comparison
    EXPECT_EQ(eval("1 AND 0 OR 1"), "1");
    EXPECT_EQ(eval("0 OR 1 AND 0"), "0"); // AND binds tighter
    EXPECT_EQ(eval("1 XOR 1"), "0");
    EXPECT_EQ(eval("1 xor 0"), "1");
    EXPECT_EQ(eval("1 OR 1 XOR 1"), "0"); // from the left
    EXPECT_EQ(eval("'  ' OR 0"), "0");    // a blank text is false
    EXPECT_EQ(eval("'x' AND .5"), "1");
}

TEST(Constants, TextsWithApostrophes) {
    EXPECT_EQ(eval("'it''s'"), "it's");
    EXPECT_EQ(eval("''''"), "'");
    EXPECT_EQ(eval("''"), "");
    expectFails("'it's'");
    expectFails("'open");
    EXPECT_EQ(eval("'\xE8\x9A'"), "\xE8\x9A"); // Windows-1250 letters pass unchanged
}

TEST(Constants, PicturesRunToABlankCommaOrClosingParenthesis) {
    EXPECT_EQ(eval("FORMAT(72095, @d6.)"), "19.05.1998");
    EXPECT_EQ(eval("FORMAT(72095,@D6.) & 'x'"), "19.05.1998x");
    EXPECT_EQ(eval("DEFORMAT('19.05.1998', @d6.)"), "72095");
    EXPECT_EQ(eval("@n(3)x"), "@n(3)x");
}

TEST(Failures, UnparsableTextsGive800AndNothing) {
    for (const char* text :
         {"",        "1 2",          "(1",    "1)",    "1 +",  "* 2", "1.",  "1 $ 2",
          "1 NOT 2", "1 <> ",        "AND 1", ",",     "1,2",  "1:2", "[1]", "1e5",
          "'a' 'b'", "((((((1)))))", "1.5e",  "1.5e+", "\x01", "1\n", "NOT"})
        expectFails(text);
}

TEST(Failures, FunctionsNeedTheirParenthesesAndArguments) {
    expectFails("TODAY");
    expectFails("LEN()");
    expectFails("LEFT('a', 2, 3)");
    expectFails("CLOCK(1)");
    expectFails("SUB('abc', , 2)");
    expectFails("ABS(1");
    expectFails("INLIST(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26)");
    EXPECT_EQ(eval("INLIST(25,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25)"),
              "24");
    EXPECT_NE(eval("TODAY()"), "");
}

TEST(Failures, UnknownNamesFailTheWholeExpression) {
    expectFails("NOSUCHNAME");
    expectFails("1 OR NOSUCHNAME = 1");
    expectFails("'x' & UNKNOWN:FIELD");
}

TEST(Failures, NestingAndLengthAreBounded) {
    expectFails(std::string(5000, '(') + "1" + std::string(5000, ')'));
    expectFails(std::string(100000, '-')); // no operand after the signs
    // At most 1000 characters are read: the rest is never looked at.
    EXPECT_EQ(eval(std::string(998, ' ') + "12" + "junk that is never read"), "12");
    EXPECT_EQ(eval(std::string(999, ' ') + "12"), "1");
}

TEST_F(FirmExpressions, TextFieldsCompareWithoutTrailingBlanksButWithCase) {
    EXPECT_EQ(eval("ADR:FIRMA = 'Abc'"), "1");
    setName("ABC");
    EXPECT_EQ(eval("ADR:FIRMA = 'Abc'"), "0");
    EXPECT_EQ(eval("UPPER(ADR:FIRMA) = 'ABC'"), "1");
}

TEST_F(FirmExpressions, NumberFieldAgainstATextDigitComparesNumerically) {
    EXPECT_EQ(eval("ADR:ID = '5'"), "1");
    EXPECT_EQ(eval("ADR:ID = '05'"), "1");
    setId(50);
    EXPECT_EQ(eval("ADR:ID > '6'"), "1");
}

TEST_F(FirmExpressions, NotOfAFlag) {
    p1_ = 0;
    EXPECT_EQ(eval("NOT ADR:P1"), "1");
    EXPECT_EQ(eval("NOT NOT ADR:P1"), "0");
    p1_ = 1;
    EXPECT_EQ(eval("NOT ADR:P1"), "0");
    EXPECT_EQ(eval("NOT NOT ADR:P1"), "1");
    EXPECT_EQ(eval("adr:p1 = 1 and adr:id =< 5"), "1"); // names without regard to case
}

TEST_F(FirmExpressions, SlicesOfAVariable) {
    setName("Zevlon a.s.");
    EXPECT_EQ(eval("ADR:FIRMA[1]"), "Z");
    EXPECT_EQ(eval("ADR:FIRMA[2:4]"), "evl");
    EXPECT_EQ(eval("ADR:FIRMA[1+1:2*2] & '|'"), "evl|");
    EXPECT_EQ(eval("ADR:FIRMA[39:99]"), "  ");
    EXPECT_EQ(eval("ADR:FIRMA[5:2]"), "");
    EXPECT_EQ(eval("ADR:FIRMA[-3:2]"), "Ze");
    expectFails("ADR:FIRMA[1");
    expectFails("ADR:FIRMA[]");
    expectFails("ADR:FIRMA[1:2:3]");
}

} // namespace
} // namespace zv::evaluator
