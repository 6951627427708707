// The built-in functions: argument meanings, omitted arguments and odd values.
#include "app/selections/evaluator/evaluator.h"

#include "platform/dates/standard_date.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zv::evaluator {
namespace {

std::string eval(std::string_view text) {
    const Result r = evaluate(text);
    EXPECT_EQ(r.error, 0) << text;
    return r.value;
}

TEST(Functions, Numbers) {
    EXPECT_EQ(eval("ABS(-2.5)"), "2.5");
    EXPECT_EQ(eval("INT(-2.7)"), "-2");
    EXPECT_EQ(eval("INT('12.9abc')"), "12");
    EXPECT_EQ(eval("SQRT(16)"), "4");
    EXPECT_EQ(eval("SQRT(-1)"), "0");
    EXPECT_EQ(eval("LOG10(1000)"), "3");
    EXPECT_EQ(eval("LOGE(1)"), "0");
    EXPECT_EQ(eval("LOG10(0)"), "0");
    EXPECT_EQ(eval("ROUND(12.345, .01)"), "12.35");
    EXPECT_EQ(eval("ROUND(1234, 100)"), "1200");
    EXPECT_EQ(eval("ROUND(-2.5)"), "-3");
    EXPECT_EQ(eval("ROUND(2.4, 0)"), "2");
    EXPECT_EQ(eval("COS(0) + SIN(0) + TAN(0) + ATAN(0) + ASIN(0)"), "1");
    EXPECT_EQ(eval("ACOS(1)"), "0");
    EXPECT_EQ(eval("ACOS(2)"), "0");
    EXPECT_EQ(eval("NUMERIC(' 12.5 ') & NUMERIC('12a') & NUMERIC('')"), "100");
}

TEST(Functions, Bits) {
    EXPECT_EQ(eval("BAND(12, 10)"), "8");
    EXPECT_EQ(eval("BOR(12, 10)"), "14");
    EXPECT_EQ(eval("BXOR(12, 10)"), "6");
    EXPECT_EQ(eval("BSHIFT(1, 4)"), "16");
    EXPECT_EQ(eval("BSHIFT(16, -2)"), "4");
    EXPECT_EQ(eval("BSHIFT(1, 31)"), "-2147483648");
    EXPECT_EQ(eval("BSHIFT(1, 32) + BSHIFT(1, -40)"), "0");
    EXPECT_EQ(eval("BAND(-1, 255)"), "255");
}

TEST(Functions, Texts) {
    EXPECT_EQ(eval("LEN('abc  ')"), "5");
    EXPECT_EQ(eval("LEN(CLIP('abc  '))"), "3");
    EXPECT_EQ(eval("LEN('')"), "0");
    EXPECT_EQ(eval("LEFT('  ab', 5) & '|'"), "ab   |");
    EXPECT_EQ(eval("LEFT('  ab') & '|'"), "ab  |");
    EXPECT_EQ(eval("RIGHT('ab  ', 5)"), "   ab");
    EXPECT_EQ(eval("LEFT('abcdef', 3)"), "abc");
    EXPECT_EQ(eval("CENTER('ab', 6) & '|'"), "  ab  |");
    EXPECT_EQ(eval("CENTER(' ab  ') & '|'"), " ab  |");
    EXPECT_EQ(eval("ALL('ab', 5)"), "ababa");
    EXPECT_EQ(eval("LEN(ALL('-'))"), "255");
    EXPECT_EQ(eval("ALL('', 5)"), "");
    EXPECT_EQ(eval("LEN(ALL('x', 2000000000))"), "65535");
    EXPECT_EQ(eval("LEFT('a', -5)"), "");
    EXPECT_EQ(eval("SUB('Zevlon', 2, 3)"), "evl");
    EXPECT_EQ(eval("SUB('Zevlon', 4)"), "lon");
    EXPECT_EQ(eval("SUB('Zevlon', -3, 2)"), "lo");
    EXPECT_EQ(eval("SUB('Zevlon', 7, 1) & SUB('Zevlon', 0, 2) & SUB('Zevlon', 2, -1)"), "");
    EXPECT_EQ(eval("SUB('Zevlon', 5, 99)"), "on");
    const auto cp = [](const char* utf8) { return cp1250::fromUtf8(utf8); };
    EXPECT_EQ(eval(cp("UPPER('žluťoučký kůň')")), cp("ŽLUŤOUČKÝ KŮŇ"));
    EXPECT_EQ(eval(cp("LOWER('ŠÍPEK')")), cp("šípek"));
    EXPECT_EQ(eval("CHR(65) & CHR(256) & CHR(-1)"), "A");
    EXPECT_EQ(eval("VAL('A') & VAL('')"), "650");
    EXPECT_EQ(eval(cp("VAL('č')")), "232");
}

TEST(Functions, SearchingAndChoosing) {
    EXPECT_EQ(eval("INSTRING('lo', 'Zevlon')"), "4");
    EXPECT_EQ(eval("INSTRING('lo', 'Zevlon', 1, 5)"), "0");
    EXPECT_EQ(eval("INSTRING('ab', 'xabab', 2, 1)"), "0"); // positions 1, 3, 5
    EXPECT_EQ(eval("INSTRING('ab', 'xabab', 2, 2)"), "2");
    EXPECT_EQ(eval("INSTRING('', 'abc') & INSTRING('a', 'abc', 0)"), "00");
    EXPECT_EQ(eval("INLIST('b', 'a', 'b', 'c')"), "2");
    EXPECT_EQ(eval("INLIST('x', 'a', 'b')"), "0");
    EXPECT_EQ(eval("INLIST(2, '1', '2.0')"), "2"); // integer against text: numerically
    EXPECT_EQ(eval("INLIST(1)"), "0");
    EXPECT_EQ(eval("INRANGE(5, 1, 10) & INRANGE(0, 1, 10) & INRANGE('b', 'a', 'c')"), "101");
    EXPECT_EQ(eval("CHOOSE(2, 'a', 'b', 'c')"), "b");
    EXPECT_EQ(eval("CHOOSE(9, 'a', 'b', 'c')"), "c");
    EXPECT_EQ(eval("CHOOSE(0, 'a', 'b')"), "b");
    EXPECT_EQ(eval("CHOOSE(1)"), "");
}

TEST(Functions, DatesAndTimes) {
    dates::setCenturyBaseYearForTesting(1998);
    EXPECT_EQ(eval("DATE(5, 19, 1998)"), "72095");
    EXPECT_EQ(eval("DATE(5, 19, 98)"), "72095");
    EXPECT_EQ(eval("DATE(2, 29, 1900)"), "-1");
    EXPECT_EQ(eval("DAY(72095) & '.' & MONTH(72095) & '.' & YEAR(72095)"), "19.5.1998");
    EXPECT_EQ(eval("YEAR(0)"), "-1");
    EXPECT_EQ(eval("DATE(1) = DATE(1, 1, YEAR(TODAY()))"), "1");
    EXPECT_EQ(eval("TODAY()"), std::to_string(dates::today()));
    EXPECT_EQ(eval("CLOCK() > 0"), "1");
    EXPECT_EQ(eval("AGE(DATE(5, 20, 1960), DATE(5, 19, 1998))"), "37");
    EXPECT_EQ(eval("AGE(DATE(5, 19, 1960), DATE(5, 19, 1998))"), "38");
    EXPECT_EQ(eval("AGE(DATE(5, 19, 1999), DATE(5, 19, 1998)) & AGE(0, 72095)"), "");
    EXPECT_EQ(eval("FORMAT(DATE(1, 5, 2001), @d06.)"), "05.01.2001");
    EXPECT_EQ(eval("FORMAT(4951026, @t4)"), "13:45:10");
    EXPECT_EQ(eval("DEFORMAT('1. 1. 98', @d5.)"), "71957");
    EXPECT_EQ(eval("DEFORMAT('31.4.98', @d5.)"), "0");
    EXPECT_EQ(eval("DEFORMAT('13:45', '@t1')"), "4950001");
    dates::setCenturyBaseYearForTesting(0);
}

TEST(Functions, NumberAndTextPictures) {
    EXPECT_EQ(eval("FORMAT(3.14159, @n8.2)"), "    3.14");
    EXPECT_EQ(eval("FORMAT(42, @n05)"), "00042");
    EXPECT_EQ(eval("FORMAT(123456, @n3)"), "###");
    EXPECT_EQ(eval("FORMAT('ab', @s4) & '|'"), "ab  |");
    EXPECT_EQ(eval("FORMAT('ab', @x9)"), "ab"); // no picture of ours: unchanged
    EXPECT_EQ(eval("DEFORMAT(' 1 234.50', @n10.2)"), "1234.50");
}

TEST(Functions, SettingsFiles) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zevlon_getini_" + std::to_string(::getpid()) + ".ini");
    {
        std::ofstream out(path);
        out << "[QDADRESAR]\r\nDataPrefix=c:\\data\\\r\n";
    }
    const std::string file = path.string();
    EXPECT_EQ(eval("GETINI('qdadresar', 'dataprefix', 'x', '" + file + "')"), "c:\\data\\");
    EXPECT_EQ(eval("GETINI('QDADRESAR', 'Missing', 'default', '" + file + "')"), "default");
    std::filesystem::remove(path);
}

TEST(Functions, RandomStaysWithinItsBounds) {
    for (int i = 0; i < 200; ++i) {
        const int v = std::stoi(eval("RANDOM(3, 5)"));
        EXPECT_TRUE(v >= 3 && v <= 5) << v;
        const int w = std::stoi(eval("RANDOM(5, 3)"));
        EXPECT_TRUE(w >= 3 && w <= 5) << w;
        const int x = std::stoi(eval("RANDOM(2)"));
        EXPECT_TRUE(x >= 1 && x <= 2) << x;
    }
    EXPECT_EQ(eval("RANDOM(7, 7)"), "7");
    EXPECT_NE(eval("MEMORY(0)"), "");
}

} // namespace
} // namespace zv::evaluator
