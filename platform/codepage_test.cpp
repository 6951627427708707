#include "codepage.h"

#include <gtest/gtest.h>

namespace zv::cp1250 {
namespace {

TEST(Codepage, EveryByteRoundTripsThroughUtf8) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(fromUtf8(toUtf8(one)), one) << "byte " << b;
    }
}

TEST(Codepage, CzechLettersMapToTheirBytes) {
    EXPECT_EQ(fromUtf8("Příliš žluťoučký kůň"), "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2");
    EXPECT_EQ(toUtf8("\x8A\x8D\x8E\xCC\xD8"), "ŠŤŽĚŘ");
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(fromUtf8("a€b"), "a\x80"
                               "b");
    EXPECT_EQ(fromUtf8("日本"), "??");
    EXPECT_EQ(fromUtf8("😀x"), "?x");
    // Broken sequences: a lone continuation byte, a lead byte without its tail.
    EXPECT_EQ(fromUtf8("\x80z"), "?z");
    EXPECT_EQ(fromUtf8("ab\xC5"), "ab?");
}

TEST(Codepage, UpperCaseTableCoversCzechAndSlovakLetters) {
    const std::string lowerText = fromUtf8("ěščřžýáíéúůďťňľôäĺŕ");
    const std::string upperText = fromUtf8("ĚŠČŘŽÝÁÍÉÚŮĎŤŇĽÔÄĹŔ");
    EXPECT_EQ(upper(lowerText), upperText);
    EXPECT_EQ(lower(upperText), lowerText);
    EXPECT_EQ(upper(std::string_view("abc XYZ 123")), "ABC XYZ 123");
    // Division sign and sharp s have no upper case of their own.
    EXPECT_EQ(upper(static_cast<unsigned char>(0xF7)), 0xF7);
    EXPECT_EQ(upper(static_cast<unsigned char>(0xDF)), 0xDF);
}

TEST(Codepage, CompareNoCase) {
    EXPECT_EQ(compareNoCase("abc", "ABC"), 0);
    EXPECT_TRUE(equalNoCase(fromUtf8("žluť"), fromUtf8("ŽLUŤ")));
    EXPECT_LT(compareNoCase("ab", "abc"), 0);
    EXPECT_GT(compareNoCase("b", "A"), 0);
}

} // namespace
} // namespace zv::cp1250

namespace zv::cp852 {
namespace {

TEST(CodepageOem, CzechLettersTakeTheirDosBytesAndComeBack) {
    const std::string czech = cp1250::fromUtf8("ěščřžýáíéúůďťňĚŠČŘŽÝÁÍÉÚŮĎŤŇ");
    const std::string oem = fromCp1250(czech);
    EXPECT_EQ(oem, "\xD8\xE7\x9F\xFD\xA7\xEC\xA0\xA1\x82\xA3\x85\xD4\x9C\xE5"
                   "\xB7\xE6\xAC\xFC\xA6\xED\xB5\xD6\x90\xE9\xDE\xD2\x9B\xD5");
    EXPECT_EQ(toCp1250(oem), czech);
    EXPECT_EQ(upper(oem.substr(0, 14)), oem.substr(14));
    EXPECT_EQ(upper(std::string_view("abc XYZ 123")), "ABC XYZ 123");
}

TEST(CodepageOem, EveryCharacterOfBothSetsRoundTripsTheRestBecomesQuestionMarks) {
    int common = 0;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const unsigned char oem = fromCp1250(byte);
        if (toCp1250(oem) == byte) {
            ++common;
            // The same character on both sides.
            EXPECT_EQ(cp1250::toUnicode(byte), cp1250::toUnicode(toCp1250(oem))) << b;
        } else {
            EXPECT_EQ(oem, '?') << b;
        }
        // Two different characters never share an OEM byte.
        for (int c = 0; c < b && oem != '?'; ++c)
            EXPECT_NE(fromCp1250(static_cast<unsigned char>(c)), oem) << b << " " << c;
    }
    EXPECT_EQ(common, 227);
    // Box drawing exists only in the OEM set.
    EXPECT_EQ(toCp1250(0xC9), '?');
    EXPECT_EQ(upper(static_cast<unsigned char>(0xC9)), 0xC9);
}

} // namespace
} // namespace zv::cp852

TEST(PlainLowerTest, EveryAccentedLetterOfTheCodePageHasItsPlainLetter) {
    using zv::cp1250::fromUtf8;
    using zv::cp1250::plainLower;
    EXPECT_EQ(plainLower(fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy")),
              "prilis zlutoucky kun upel dabelske ody");
    EXPECT_EQ(plainLower(fromUtf8("ŘEZNÍK Ďáblice Ľudo Ŕ ŐÖÜŰ Ł Ą Ś Ź Ż Ţ Ş")),
              "reznik dablice ludo r oouu l a s z z t s");
    EXPECT_EQ(plainLower("ABC xyz 0-9 @.,"), "abc xyz 0-9 @.,");
    // Every byte that stands for a letter with an accent becomes a plain ASCII letter.
    for (int b = 0x80; b < 0x100; ++b) {
        const char32_t c = zv::cp1250::toUnicode(static_cast<unsigned char>(b));
        const bool accented = (c >= U'À' && c <= U'ž' && c != U'×' && c != U'÷' && c != U'ß' &&
                               c != U'Ð' && c != U'Þ' && c != U'ð' && c != U'þ');
        if (!accented) continue;
        const unsigned char plain = plainLower(static_cast<unsigned char>(b));
        EXPECT_TRUE(plain >= 'a' && plain <= 'z') << std::hex << b;
    }
}
