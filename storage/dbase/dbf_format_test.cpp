#include "storage/dbase/dbf_format.h"

#include <gtest/gtest.h>

namespace zv::dbase {
namespace {

std::vector<std::uint8_t> sampleHeader(std::uint32_t rows, std::vector<Column> cols) {
    EXPECT_EQ(layoutColumns(cols), Xbase::None);
    DbfHeader h;
    h.year = 1998;
    h.month = 5;
    h.day = 19;
    h.recordCount = rows;
    h.headerLength = static_cast<std::uint16_t>(32 + 32 * cols.size() + 1);
    std::size_t len = 1;
    for (const auto& c : cols)
        len += c.width;
    h.rowLength = static_cast<std::uint16_t>(len);
    return encodeHeaderBlock(h, cols);
}

const std::vector<Column> kCols = {{"JMENO", 'C', 10, 0, 0}, {"CENA", 'N', 8, 2, 0}};

TEST(DbfFormatTest, HeaderRoundTrip) {
    const auto block = sampleHeader(3, kCols);
    ASSERT_EQ(block.size(), 97u);
    EXPECT_EQ(block[0], kVersionPlain);
    EXPECT_EQ(block[1], 98);
    EXPECT_EQ(block[29], kLanguageCp1250);
    EXPECT_EQ(block.back(), kHeaderEnd);
    const ParsedHeader p = parseHeaderBlock(block, block.size() + 3 * 19 + 1);
    ASSERT_EQ(p.error, Xbase::None);
    EXPECT_EQ(p.header.recordCount, 3u);
    EXPECT_EQ(p.header.rowLength, 19);
    EXPECT_EQ(p.rowsInFile, 3u);
    ASSERT_EQ(p.columns.size(), 2u);
    EXPECT_EQ(p.columns[1].name, "CENA");
    EXPECT_EQ(p.columns[1].offset, 11);
    EXPECT_EQ(p.columns[1].decimals, 2);
}

TEST(DbfFormatTest, DamagedHeadersAreReportedNotTrusted) {
    const auto good = sampleHeader(0, kCols);
    // Empty and truncated files.
    EXPECT_EQ(parseHeaderBlock({}, 0).error, Xbase::HeaderLength);
    for (std::size_t n : {1u, 31u, 32u, 60u, 96u}) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_NE(parseHeaderBlock(cut, n).error, Xbase::None) << n;
    }
    auto bad = good;
    bad[0] = 0x30; // not a dBase III/IV table
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::InvalidVersion);
    bad = good;
    putU16(bad.data() + 8, 200); // header length past the end of the file
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::HeaderLength);
    bad = good;
    putU16(bad.data() + 8, 65); // header length cuts the second descriptor
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::HeaderLength);
    bad = good;
    putU16(bad.data() + 10, 12); // row shorter than its columns
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::InvalidRecordLength);
    bad = good;
    bad[96] = 0; // no terminator
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::HeaderLength);
    bad = good;
    bad[32 + 11] = 'X'; // unknown column type
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::InvalidFieldType);
    bad = good;
    bad[64 + 17] = 9; // decimals as wide as the number
    EXPECT_EQ(parseHeaderBlock(bad, bad.size()).error, Xbase::DecimalsInvalid);
}

TEST(DbfFormatTest, RowsHeldFollowTheFileSize) {
    const auto block = sampleHeader(5, kCols);
    const ParsedHeader p = parseHeaderBlock(block, block.size() + 2 * 19 + 7);
    ASSERT_EQ(p.error, Xbase::None);
    EXPECT_EQ(p.header.recordCount, 5u); // as stored; the table layer compares
    EXPECT_EQ(p.rowsInFile, 2u);
}

TEST(DbfFormatTest, ColumnsToWriteAreChecked) {
    std::vector<Column> cols = {{"A", 'C', 0, 0, 0}};
    EXPECT_EQ(layoutColumns(cols), Xbase::BadFieldLength);
    cols = {{"A", 'N', 21, 0, 0}};
    EXPECT_EQ(layoutColumns(cols), Xbase::BadFieldLength);
    cols = {{"A", 'N', 8, 7, 0}};
    EXPECT_EQ(layoutColumns(cols), Xbase::DecimalsInvalid);
    cols = {{"1A", 'C', 1, 0, 0}};
    EXPECT_EQ(layoutColumns(cols), Xbase::FieldNameInvalid);
    cols = {{"A", 'D', 8, 0, 0}, {"A", 'L', 1, 0, 0}};
    EXPECT_EQ(layoutColumns(cols), Xbase::FieldNameInvalid);
    cols.clear();
    EXPECT_EQ(layoutColumns(cols), Xbase::InvalidFieldCount);
}

TEST(XbaseErrorTest, TextsAndMessage) {
    EXPECT_EQ(xbaseText(1), "file write failure");
    EXPECT_EQ(xbaseText(6), "file corrupted");
    EXPECT_EQ(xbaseText(61), "internal lock buffer underflow");
    EXPECT_EQ(xbaseText(62), "");
    EXPECT_EQ(xbaseText(0), "");
    EXPECT_EQ(xbaseMessage("/data/export/EXPZVL.DBF", 6),
              "File EXPZVL.DBF, xBase Error (6): file corrupted");
    EXPECT_EQ(xbaseMessage("c:\\data\\X.DBF", 1),
              "File X.DBF, xBase Error (1): file write failure");
}

} // namespace
} // namespace zv::dbase
