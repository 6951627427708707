#include "storage/dbase/xbase_expr.h"

#include <gtest/gtest.h>

namespace zv::dbase {
namespace {

// Columns JMENO C(10), CENA N(9,2), DATUM D, AKTIVNI L and the row "Novák", 12.5,
// 2026-12-08, T.
class XbaseExprTest : public ::testing::Test {
protected:
    void SetUp() override {
        columns_ = {{"JMENO", 'C', 10, 0, 1},
                    {"CENA", 'N', 9, 2, 11},
                    {"DATUM", 'D', 8, 0, 20},
                    {"AKTIVNI", 'L', 1, 0, 28}};
        const std::string text =
            std::string(" Nov\xE1k") + std::string(5, ' ') + "    12.50" + "20261208" + "T";
        row_.assign(text.begin(), text.end());
    }
    XValue eval(const std::string& text, std::uint32_t recno = 7) {
        XbaseExpr e;
        EXPECT_TRUE(e.compile(text, columns_)) << text;
        if (e.empty()) return {};
        return e.evaluate(row_, recno);
    }
    std::vector<Column> columns_;
    std::vector<std::uint8_t> row_;
};

TEST_F(XbaseExprTest, FieldsAndTheNineteenFunctions) {
    EXPECT_EQ(eval("JMENO").text, "Nov\xE1k     ");
    EXPECT_EQ(eval("UPPER(JMENO)").text, "NOV\xC1K     ");
    EXPECT_EQ(eval("LOWER(JMENO)").text, "nov\xE1k     ");
    EXPECT_EQ(eval("CENA").number, 12.5);
    EXPECT_EQ(eval("DTOS(DATUM)").text, "20261208");
    EXPECT_EQ(eval("DTOC(DATUM)").text, "12/08/26");
    EXPECT_EQ(eval("CTOD(\"12/08/2026\")").number, eval("DATUM").number);
    EXPECT_EQ(eval("LEFT(JMENO,3)").text, "Nov");
    EXPECT_EQ(eval("RIGHT(JMENO,2)").text, "\xE1k");
    EXPECT_EQ(eval("SUBSTR(JMENO,2,3)").text, "ov\xE1");
    EXPECT_EQ(eval("STR(CENA,8,2)").text, "   12.50");
    EXPECT_EQ(eval("STR(VAL(\"13\"))").text, "        13");
    EXPECT_EQ(eval("VAL(\"  42.5\")").number, 42.5);
    EXPECT_EQ(eval("FIXED(CENA)").number, 12.5);
    EXPECT_EQ(eval("FLOAT(CENA)").number, 12.5);
    EXPECT_EQ(eval("LTRIM(\"  a\")").text, "a  ");
    EXPECT_EQ(eval("TRIM(JMENO)+\"!\"").text, "Nov\xE1k!     ");
    EXPECT_EQ(eval("ALLTRIM(\" a \")").text, "a  ");
    EXPECT_EQ(eval("RTRIM(JMENO)").text, "Nov\xE1k     ");
    EXPECT_EQ(eval("RECNO()", 42).number, 42);
    EXPECT_FALSE(eval("DELETED()").logical);
    EXPECT_TRUE(eval(".NOT.DELETED()").logical);
    EXPECT_EQ(eval("IIF(AKTIVNI,\"ano\",\"ne\")").text, "ano");
    EXPECT_TRUE(eval("CENA > 10 .AND. .NOT. DELETED() .AND. AKTIVNI").logical);
    EXPECT_EQ(eval("DTOS(DATUM+1)").text, "20261209");
}

TEST_F(XbaseExprTest, DeletedRowsAreSeen) {
    row_[0] = '*';
    EXPECT_TRUE(eval("DELETED()").logical);
}

TEST_F(XbaseExprTest, TextKeysHaveAWidthKnownBeforehand) {
    XbaseExpr e;
    ASSERT_TRUE(e.compile("UPPER(JMENO)+DTOS(DATUM)+STR(CENA,9,2)", columns_));
    EXPECT_EQ(e.type(), 'C');
    EXPECT_EQ(e.width(), 27u);
    ASSERT_TRUE(e.compile("SUBSTR(JMENO,4)", columns_));
    EXPECT_EQ(e.width(), 7u);
}

TEST_F(XbaseExprTest, WhatCannotBeEvaluatedIsRefused) {
    XbaseExpr e;
    const std::string deep(300, '(');
    for (const std::string& bad :
         {std::string(), std::string("NIC"), std::string("UPPER(CENA)"), std::string("JMENO+CENA"),
          std::string("LEFT(JMENO)"), std::string("IIF(1,2,3)"), std::string("(JMENO"),
          std::string("JMENO)"), std::string("\"abc"), std::string(".NOT.JMENO"),
          std::string("STR(CENA,99)"), std::string("DTOS()"), std::string("FOO()"),
          std::string("JMENO JMENO"), deep}) {
        EXPECT_FALSE(e.compile(bad, columns_)) << bad;
        EXPECT_TRUE(e.empty());
    }
}

TEST(JulianDayTest, DaysAndBack) {
    EXPECT_EQ(julianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(julianDay(2000, 2, 30), 0);
    int y = 0, m = 0, d = 0;
    fromJulianDay(2451545 + 60, y, m, d);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 1);
    fromJulianDay(-5, y, m, d);
    EXPECT_EQ(y, 0);
}

} // namespace
} // namespace zv::dbase
