#include "storage/dbase/column_map.h"

#include "storage/dbase/field_codec.h"
#include "storage/dbase/test_decl.h"

#include <gtest/gtest.h>

#include <limits>

namespace zv::dbase {
namespace {

using storage::FieldType;
using test::DeclBuilder;

MapResult mapOf(const storage::TableDecl& decl, ColumnMap& map) {
    return buildColumnMap(decl, map);
}

// The dBase export table of firms: 859 bytes per record.
storage::TableDecl expDbf() {
    DeclBuilder b;
    b.field("EAB:ID", FieldType::Real, 8)
        .field("EAB:FIRMA", FieldType::String, 50)
        .field("EAB:ULICE", FieldType::String, 50)
        .field("EAB:PSC", FieldType::String, 7)
        .field("EAB:MESTO", FieldType::String, 50)
        .field("EAB:STAT", FieldType::String, 50)
        .field("EAB:ICO", FieldType::String, 10)
        .field("EAB:DIC", FieldType::String, 16);
    for (int i = 1; i <= 10; ++i)
        b.field("EAB:P" + std::to_string(i), FieldType::Byte, 1)
            .field("EAB:P" + std::to_string(i) + "TXT", FieldType::String, 30);
    for (int i = 11; i <= 20; ++i)
        b.field("EAB:P" + std::to_string(i), FieldType::Byte, 1);
    b.field("EAB:VLOZIL", FieldType::String, 20)
        .field("EAB:DT_VLOZENI", FieldType::Date, 4)
        .field("EAB:UPRAVIL", FieldType::String, 20)
        .field("EAB:DT_UPRAVY", FieldType::Date, 4)
        .field("EAB:TF1", FieldType::String, 20)
        .field("EAB:FAX1", FieldType::String, 20)
        .field("EAB:BANKA1", FieldType::String, 50)
        .field("EAB:BANKA2", FieldType::String, 50)
        .field("EAB:JMENO1", FieldType::String, 30)
        .field("EAB:OSLOVENI", FieldType::String, 40)
        .field("EAB:EMAIL", FieldType::String, 40);
    return b.build();
}

TEST(ColumnMapTest, ExportTableOfFirmsMapsToItsColumns) {
    const auto decl = expDbf();
    ASSERT_EQ(decl.recordLength, 859);
    ColumnMap map;
    ASSERT_TRUE(mapOf(decl, map).ok());
    const auto cols = map.columns();
    ASSERT_EQ(cols.size(), 49u);
    EXPECT_EQ(cols[0].name, "ID");
    EXPECT_EQ(cols[0].type, 'N');
    EXPECT_EQ(cols[0].width, 9);
    EXPECT_EQ(cols[0].decimals, 2);
    EXPECT_EQ(cols[1].name, "FIRMA");
    EXPECT_EQ(cols[1].type, 'C');
    EXPECT_EQ(cols[1].width, 50);
    EXPECT_EQ(cols[8].name, "P1");
    EXPECT_EQ(cols[8].type, 'L');
    EXPECT_EQ(cols[9].name, "P1TXT");
    EXPECT_EQ(cols[39].name, "DT_VLOZENI");
    EXPECT_EQ(cols[39].type, 'D');
    EXPECT_EQ(cols[39].width, 8);
    EXPECT_EQ(cols[48].name, "EMAIL");
    EXPECT_EQ(cols.back().offset + cols.back().width, 869); // 1 + 868 bytes of columns
    EXPECT_FALSE(map.hasMemo());
}

TEST(ColumnMapTest, NumericOverrideWithWidthAndDecimals) {
    ColumnMap map;
    ASSERT_TRUE(
        mapOf(DeclBuilder().field("SKL:CENA=N(8,2)", FieldType::Real, 8).build(), map).ok());
    EXPECT_EQ(map.bindings[0].column.name, "CENA");
    EXPECT_EQ(map.bindings[0].column.type, 'N');
    EXPECT_EQ(map.bindings[0].column.width, 8);
    EXPECT_EQ(map.bindings[0].column.decimals, 2);

    ASSERT_TRUE(
        mapOf(DeclBuilder().field("CENA=F(12.3)", FieldType::Decimal, 6).build(), map).ok());
    EXPECT_EQ(map.bindings[0].column.type, 'F');
    EXPECT_EQ(map.bindings[0].column.decimals, 3);
}

TEST(ColumnMapTest, OverridesOutsideTheirLimitsAreRefused) {
    ColumnMap map;
    for (const char* name : {"CENA=N(8,7)", "CENA=N(21,2)", "CENA=N(8", "CENA=N(1234)", "CENA=X",
                             "CENA=N(8,2)x", "CENA=L(1)"}) {
        const MapResult r = mapOf(DeclBuilder().field(name, FieldType::Real, 8).build(), map);
        EXPECT_EQ(r.code, kInvalidFieldType) << name;
    }
}

TEST(ColumnMapTest, TypesWithoutADefaultColumnAreRefused) {
    ColumnMap map;
    for (const FieldType t : {FieldType::Short, FieldType::Decimal, FieldType::CString,
                              FieldType::SReal, FieldType::ULong}) {
        EXPECT_EQ(mapOf(DeclBuilder().field("X:A", t, 4).build(), map).code, kInvalidFieldType);
    }
    // ... but an override gives them a column.
    EXPECT_TRUE(mapOf(DeclBuilder().field("X:A=N(6)", FieldType::Short, 2).build(), map).ok());
    EXPECT_TRUE(mapOf(DeclBuilder().field("X:A=C", FieldType::CString, 11).build(), map).ok());
}

TEST(ColumnMapTest, LongPairsWithAMemoOrIsRefusedWithItsMessage) {
    ColumnMap map;
    MapResult r = mapOf(DeclBuilder().field("T:POZN", FieldType::Long, 4).build(), map);
    EXPECT_EQ(r.code, kInvalidRecordDeclaration);
    EXPECT_EQ(r.message, "You have a field of type LONG with no matching memo");

    // Same names pair first, the rest in order.
    const auto decl = DeclBuilder()
                          .field("T:A", FieldType::Long, 4)
                          .field("T:POZNAMKA", FieldType::Long, 4)
                          .memo("T:PRVNI", 100)
                          .memo("T:POZNAMKA", 100)
                          .build();
    ASSERT_TRUE(mapOf(decl, map).ok());
    EXPECT_EQ(map.bindings[0].memo, 0);
    EXPECT_EQ(map.bindings[1].memo, 1);
    EXPECT_TRUE(map.hasMemo());
}

TEST(ColumnMapTest, StringsBecomeDatesNumbersMemosOrText) {
    const auto decl = DeclBuilder()
                          .field("T:DATUM", FieldType::String, 10, "@d6.")
                          .field("T:CASTKA", FieldType::String, 9, "@n9.2")
                          .field("T:POZN", FieldType::String, 10)
                          .field("T:JMENO", FieldType::String, 30, "@s30")
                          .memo("T:POZN", 500)
                          .build();
    ColumnMap map;
    ASSERT_TRUE(mapOf(decl, map).ok());
    EXPECT_EQ(map.bindings[0].column.type, 'D');
    EXPECT_EQ(map.bindings[0].source, Source::DatePicture);
    EXPECT_EQ(map.bindings[1].column.type, 'N');
    EXPECT_EQ(map.bindings[1].column.width, 9);
    EXPECT_EQ(map.bindings[1].column.decimals, 2);
    EXPECT_EQ(map.bindings[2].column.type, 'M');
    EXPECT_EQ(map.bindings[2].memo, 0);
    EXPECT_EQ(map.bindings[3].column.type, 'C');

    // A number picture must be as wide as its string.
    EXPECT_EQ(mapOf(DeclBuilder().field("T:N", FieldType::String, 8, "@n9.2").build(), map).code,
              kInvalidFieldType);
}

TEST(ColumnMapTest, GroupsAndOverlaysGiveNoColumn) {
    auto decl = DeclBuilder()
                    .field("T:G", FieldType::Group, 4)
                    .field("T:A", FieldType::String, 4)
                    .field("T:B", FieldType::String, 2)
                    .build();
    decl.fields[1].offset = 0;
    decl.fields[2].overlay = true;
    decl.fields[2].offset = 0;
    ColumnMap map;
    ASSERT_TRUE(mapOf(decl, map).ok());
    ASSERT_EQ(map.bindings.size(), 1u);
    EXPECT_EQ(map.bindings[0].column.name, "A");
}

TEST(ColumnMapTest, BadNamesAndKeysAreRefused) {
    ColumnMap map;
    EXPECT_EQ(mapOf(DeclBuilder().field("T:PŘÍJMENÍ", FieldType::String, 4).build(), map).code,
              kInvalidRecordDeclaration);
    EXPECT_EQ(mapOf(DeclBuilder().field("T:JEDENACTZNAKU", FieldType::String, 4).build(), map).code,
              kInvalidRecordDeclaration);
    EXPECT_EQ(mapOf(DeclBuilder()
                        .field("T:A", FieldType::String, 4)
                        .field("U:A", FieldType::String, 4)
                        .build(),
                    map)
                  .code,
              kInvalidRecordDeclaration);
    // Keys do not change the columns; tag_def_test.cpp reads them.
    auto keyed = DeclBuilder().field("T:A", FieldType::String, 4).build();
    keyed.keys.push_back({"", "T:BYA", 0, {{0, false}}});
    EXPECT_TRUE(mapOf(keyed, map).ok());
}

TEST(FieldCodecTest, NumberTextReadsAsWrittenOrByItsDigits) {
    EXPECT_EQ(parseNumber("  -12.50", '.'), -12.5);
    EXPECT_EQ(parseNumber("1.5E+03", '.'), 1500.0);
    EXPECT_EQ(parseNumber("         ", '.'), 0.0);
    EXPECT_EQ(parseNumber("*********", '.'), 0.0);
    EXPECT_EQ(parseNumber(" 1 234,50 Kč", ','), 1234.5);
    EXPECT_EQ(parseNumber("(12.5)", '.'), -12.5);
    EXPECT_EQ(parseNumber("1e999", '.'), 0.0);
    std::string out;
    EXPECT_TRUE(formatNumber(-0.001, 9, 2, out));
    EXPECT_EQ(out, "     0.00");
    EXPECT_TRUE(formatNumber(-98765.4321, 11, 4, out));
    EXPECT_EQ(out, "-98765.4321");
    EXPECT_FALSE(formatNumber(1e9, 9, 2, out));
    EXPECT_FALSE(formatNumber(std::numeric_limits<double>::quiet_NaN(), 9, 2, out));
}

TEST(ColumnMapTest, TextIsCleanedOfControlBytes) {
    EXPECT_EQ(cleanColumnText(std::string("a\x1A"
                                          "b\0c\x81",
                                          6)),
              "a?b c?");
    EXPECT_EQ(cleanMemoText("a\r\n\tb\x1A\x1F"), "a\r\n\tb??");
}

} // namespace
} // namespace zv::dbase
