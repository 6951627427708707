#include "storage/dbase/tag_def.h"

#include "storage/dbase/dbase_table.h"
#include "storage/dbase/test_decl.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zv::dbase {
namespace {

using storage::FieldType;
using storage::KeyDecl;
using test::DeclBuilder;

storage::TableDecl withKeys(std::vector<KeyDecl> keys) {
    auto decl = DeclBuilder()
                    .field("T:JMENO", FieldType::String, 20)
                    .field("T:CENA=N(8,2)", FieldType::Real, 8)
                    .field("T:DATUM", FieldType::Date, 4)
                    .build();
    decl.keys = std::move(keys);
    return decl;
}

MapResult defsOf(const storage::TableDecl& decl, std::vector<TagDef>& defs) {
    ColumnMap map;
    const MapResult r = buildColumnMap(decl, map);
    if (!r.ok()) return r;
    return buildTagDefs(decl, map, defs);
}

TEST(TagDefTest, TypeExpressionAndFilterAreRead) {
    std::vector<TagDef> defs;
    const auto decl = withKeys({
        {"C[UPPER(JMENO)],FOR[.NOT.DELETED()]", "T:BYJMENO", storage::kKeyDuplicates, {}},
        {"N", "T:BYCENA", 0, {{1, true}}},
        {"", "T:BYDVOJI", storage::kKeyDuplicates, {{0, false}, {2, false}}},
    });
    ASSERT_TRUE(defsOf(decl, defs).ok());
    ASSERT_EQ(defs.size(), 3u);
    EXPECT_EQ(defs[0].tag, "BYJMENO");
    EXPECT_EQ(defs[0].typeLetter, 'C');
    EXPECT_EQ(defs[0].expression, "UPPER(JMENO)");
    EXPECT_EQ(defs[0].filter, ".NOT.DELETED()");
    EXPECT_FALSE(defs[0].unique);
    EXPECT_EQ(defs[1].expression, "CENA");
    EXPECT_TRUE(defs[1].descending);
    EXPECT_TRUE(defs[1].unique);
    EXPECT_EQ(defs[2].expression, "JMENO+DTOS(DATUM)");
}

TEST(TagDefTest, AnythingElseInTheExternalNameIsRefused) {
    std::vector<TagDef> defs;
    for (const char* bad : {"X[JMENO]", "[JMENO", "[JMENO]x", "[JMENO],FOR(",
                            "[JMENO],FOR[DELETED()", "CN[JMENO]", "T:BYJMENO", "[]", ",FOR[]"}) {
        const MapResult r = defsOf(withKeys({{bad, "T:BYJMENO", 0, {{0, false}}}}), defs);
        EXPECT_EQ(r.code, kInvalidIndexString) << bad;
    }
    // Each bracketed text holds at most 254 characters.
    const std::string longest = "LEFT(JMENO,20)" + std::string(240, ' ');
    EXPECT_TRUE(defsOf(withKeys({{"[" + longest + "]", "T:BYJMENO", 0, {}}}), defs).ok());
    EXPECT_EQ(defsOf(withKeys({{"[" + longest + " ]", "T:BYJMENO", 0, {}}}), defs).code,
              kInvalidIndexString);
    EXPECT_EQ(
        defsOf(withKeys({{"[JMENO],FOR[" + std::string(255, ' ') + "]", "T:BYJMENO", 0, {}}}), defs)
            .code,
        kInvalidIndexString);
    // Ascending and descending fields cannot share one tag.
    EXPECT_EQ(defsOf(withKeys({{"", "T:BYMIX", 0, {{0, false}, {1, true}}}}), defs).code,
              kInvalidIndexString);
}

TEST(TagDefTest, TagNamesMustDifferInTheirFirstEightCharacters) {
    std::vector<TagDef> defs;
    const auto clash =
        withKeys({{"", "T:BYPRIJMENI", 0, {{0, false}}}, {"", "T:BYPRIJMENO", 0, {{1, false}}}});
    const MapResult r = defsOf(clash, defs);
    EXPECT_EQ(r.code, kInvalidIndexString);
    EXPECT_EQ(r.message, "This file has two key files with the same name.\n"
                         "Key names must be unique in the first 8 characters");
    EXPECT_TRUE(
        defsOf(withKeys({{"", "T:BYJMENO1", 0, {{0, false}}}, {"", "T:BYJMENX2", 0, {{1, false}}}}),
               defs)
            .ok());

    // The table reports it as its driver text.
    DbaseTable t(clash);
    EXPECT_EQ(t.create((std::filesystem::temp_directory_path() / "zv_clash_never.DBF").string()),
              kInvalidIndexString);
    EXPECT_EQ(t.driverText(), "This file has two key files with the same name.\n"
                              "Key names must be unique in the first 8 characters");
}

TEST(TagDefTest, ExpressionsTheDriverCannotEvaluateAreRefused) {
    for (const char* bad : {"[NEZNAMY]", "[UPPER(CENA)]", "[SUBSTR(JMENO)]", "[JMENO+CENA]",
                            "[FOO(JMENO)]", "[JMENO],FOR[JMENO]", "D[CENA]", "[DELETED()]"}) {
        DbaseTable t(withKeys({{bad, "T:BYX", 0, {}}}));
        EXPECT_EQ(t.create((std::filesystem::temp_directory_path() / "zv_bad_never.DBF").string()),
                  kInvalidIndexString)
            << bad;
        EXPECT_EQ(t.error().xbase, static_cast<int>(Xbase::BadKeyExpression)) << bad;
        EXPECT_EQ(t.driverText(), "bad user specified key expression") << bad;
    }
}

TEST(TagDefTest, NumberOverrideStillShapesTheKeyedColumn) {
    // CENA=N(8,2) gives CENA N(8,2) with a key on it; the refused overrides stay refused.
    std::vector<TagDef> defs;
    ColumnMap map;
    auto decl = withKeys({{"", "T:BYCENA", 0, {{1, false}}}});
    ASSERT_TRUE(buildColumnMap(decl, map).ok());
    EXPECT_EQ(map.bindings[1].column.name, "CENA");
    EXPECT_EQ(map.bindings[1].column.width, 8);
    EXPECT_EQ(map.bindings[1].column.decimals, 2);
    ASSERT_TRUE(buildTagDefs(decl, map, defs).ok());
    for (const char* bad : {"T:CENA=N(8,7)", "T:CENA=N(21,2)"}) {
        decl.fields[1].name = bad;
        EXPECT_EQ(buildColumnMap(decl, map).code, kInvalidFieldType) << bad;
    }
}

} // namespace
} // namespace zv::dbase
