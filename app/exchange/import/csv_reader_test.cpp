#include "app/exchange/import/csv_reader.h"

#include <gtest/gtest.h>

namespace zv::exchange {
namespace {

std::vector<std::vector<std::string>> all(std::string_view text, CsvFormat format) {
    CsvReader reader(text, format);
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    while (reader.next(fields))
        lines.push_back(fields);
    return lines;
}

using Lines = std::vector<std::vector<std::string>>;

TEST(CsvReaderTest, QuotedFieldsKeepSeparatorsQuotesAndLineBreaks) {
    const auto lines = all("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",x,\r\n", {});
    EXPECT_EQ(lines, (Lines{{"a", "b,c", "say \"hi\""}, {"two\r\nlines", "x", ""}}));
}

TEST(CsvReaderTest, LinesEndWithCrlfLfOrCrAndTheLastNeedsNoEnd) {
    EXPECT_EQ(all("a\nb\rc\r\nd", {}), (Lines{{"a"}, {"b"}, {"c"}, {"d"}}));
    EXPECT_EQ(all("", {}), Lines{});
    EXPECT_EQ(all("a\n\nb\n", {}), (Lines{{"a"}, {""}, {"b"}}));
}

TEST(CsvReaderTest, AnUnclosedQuoteRunsToTheEndAndAStrayQuoteStaysAsItIs) {
    EXPECT_EQ(all("a,\"b\nc", {}), (Lines{{"a", "b\nc"}}));
    EXPECT_EQ(all("5\" disk,x", {}), (Lines{{"5\" disk", "x"}}));
}

TEST(CsvReaderTest, LineNumbersCountTheLinesInsideQuotes) {
    CsvReader reader("a\n\"b\nc\"\nd\n", {});
    std::vector<std::string> f;
    ASSERT_TRUE(reader.next(f));
    EXPECT_EQ(reader.line(), 1);
    ASSERT_TRUE(reader.next(f));
    EXPECT_EQ(reader.line(), 2);
    ASSERT_TRUE(reader.next(f));
    EXPECT_EQ(reader.line(), 4);
}

TEST(CsvReaderTest, AVeryWideLineKeepsItsFirstThousandFields) {
    const std::string wide(5000, ',');
    const auto lines = all(wide, {});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), CsvReader::kMaxColumns);
}

TEST(CsvReaderTest, Utf8TextComesOutAsWindows1250AndTheByteOrderMarkIsSkipped) {
    const std::string text = "\xEF\xBB\xBF"
                             "Firma;M\xC4\x9Bsto\n\xC5\xA0koda;Plze\xC5\x88\n";
    const CsvFormat f = detectCsvFormat(text);
    EXPECT_EQ(f.separator, ';');
    EXPECT_EQ(f.encoding, CsvEncoding::Utf8);
    EXPECT_EQ(all(text, f), (Lines{{"Firma", "M\xECsto"}, {"\x8Akoda", "Plze\xF2"}}));
}

TEST(CsvReaderTest, BytesThatAreNoUtf8AreTakenAsWindows1250) {
    const std::string text = "Firma\tM\xECsto\n\x8Akoda\tPlze\xF2\n";
    const CsvFormat f = detectCsvFormat(text);
    EXPECT_EQ(f.separator, '\t');
    EXPECT_EQ(f.encoding, CsvEncoding::Windows1250);
    EXPECT_EQ(all(text, f), (Lines{{"Firma", "M\xECsto"}, {"\x8Akoda", "Plze\xF2"}}));
}

TEST(CsvReaderTest, TheSeparatorSteadyOnEveryLineWins) {
    // Commas inside the values, semicolons between them.
    EXPECT_EQ(detectCsvFormat("a;b,c;d\ne;f;g\nh,i,j;k;l\n").separator, ';');
    EXPECT_EQ(detectCsvFormat("a|b\nc|d\n").separator, '|');
    EXPECT_EQ(detectCsvFormat("\"x;y\",z\n\"u;v\",w\n").separator, ',');
    EXPECT_EQ(detectCsvFormat("single\ncolumn\n").separator, ',');
}

TEST(CsvReaderTest, Utf8CheckRefusesOverlongFormsSurrogatesAndCutSequences) {
    EXPECT_TRUE(isUtf8("plain \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(isUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isUtf8("ab\xC5"));           // cut at the end
    EXPECT_FALSE(isUtf8("\x9A"));             // a lone continuation byte
}

} // namespace
} // namespace zv::exchange
