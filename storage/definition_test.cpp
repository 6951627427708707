#include "storage/definition.h"

#include "storage/coding.h"
#include "storage/quarto_driver.h"

#include <gtest/gtest.h>

namespace zv::storage {
namespace {

TableDecl sample() {
    TableDecl d;
    d.recordLength = 30;
    FieldDecl id;
    id.name = "X:ID";
    id.type = FieldType::Long;
    id.size = 4;
    FieldDecl sum;
    sum.name = "X:SUM";
    sum.type = FieldType::Decimal;
    sum.offset = 4;
    sum.size = 6;
    sum.places = 2;
    FieldDecl name;
    name.name = "X:NAME";
    name.type = FieldType::String;
    name.offset = 10;
    name.size = 20;
    name.picture = "@s20";
    d.fields = {id, sum, name};
    d.memos = {MemoDecl{"EXT", "X:MEMO", 1000, true}};
    d.keys = {KeyDecl{"", "X:BYID", kKeyPrimary, {{0, false}}},
              KeyDecl{"K2", "X:BYNAME", kKeyDuplicates, {{2, true}, {0, false}}}};
    return d;
}

TEST(DefinitionTest, StreamLayoutAndRoundTrip) {
    std::string s = encodeDefinition(sample());
    const auto* b = bytes(s);
    EXPECT_EQ(getLe16(b), 2);      // a blob memo makes version 2
    EXPECT_EQ(getLe16(b + 2), 30); // record length
    EXPECT_EQ(getLe16(b + 4), 3);
    EXPECT_EQ(getLe16(b + 6), 1);
    EXPECT_EQ(getLe16(b + 8), 2);
    EXPECT_EQ(b[10], 0x06); // first field: LONG at 0 named "X:ID"
    EXPECT_EQ(s.substr(13, 5), std::string("X:ID\0", 5));
    // The empty external name of the first key is the two bytes 00 00.
    EXPECT_NE(s.find(std::string("\0\0X:BYID\0", 9)), std::string::npos);
    TableDecl back;
    ASSERT_TRUE(decodeDefinition(s, &back));
    EXPECT_EQ(compareDefinition(back, sample()), 0);
    EXPECT_EQ(back.fields[2].picture, "@s20");
    EXPECT_TRUE(back.memos[0].blob);
    EXPECT_TRUE(back.keys[1].components[0].descending);
}

TEST(DefinitionTest, RealDifferencesAreRefusedNamesAreNot) {
    TableDecl stored = sample();
    TableDecl d = sample();
    d.fields[0].name = "Y:ID";
    d.fields[2].picture = "@s10";
    d.keys[0].flags = 0; // the primary bit does not count
    EXPECT_EQ(compareDefinition(stored, d), 0);
    d = sample();
    d.fields[1].places = 3;
    EXPECT_EQ(compareDefinition(stored, d), 47);
    d = sample();
    d.keys[1].components[0].descending = false;
    EXPECT_EQ(compareDefinition(stored, d), 47);
    d = sample();
    d.memos[0].maxLength = 10;
    EXPECT_EQ(compareDefinition(stored, d), 47);
}

TEST(DefinitionTest, TruncatedStreamsAreRefused) {
    std::string s = encodeDefinition(sample());
    TableDecl back;
    for (std::size_t n = 0; n < s.size(); ++n)
        EXPECT_FALSE(decodeDefinition(s.substr(0, n), &back)) << n;
}

TEST(PhysicalNameTest, TableNamesExtensionsAndSeparators) {
    std::string file, table;
    splitPhysicalName("C:\\DATA\\X.EMS\\!adresy", &file, &table);
    EXPECT_EQ(file, "C:/DATA/X.EMS");
    EXPECT_EQ(table, "ADRESY");
    splitPhysicalName("data/adresar", &file, &table);
    EXPECT_EQ(file, "data/adresar.QTF");
    EXPECT_EQ(table, "UNNAMED");
    splitPhysicalName("dir.d/x", &file, &table);
    EXPECT_EQ(file, "dir.d/x.QTF");
}

} // namespace
} // namespace zv::storage
