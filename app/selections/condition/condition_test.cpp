#include "app/selections/condition/condition.h"

#include "app/selections/selection/selection.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::selections {
namespace {

using namespace zv::rec;

std::string u(const std::string& cp1250Text) {
    return cp1250::toUtf8(cp1250Text);
}

FieldChoice byCaption(const std::vector<FieldChoice>& choices, const char* captionUtf8) {
    for (const auto& c : choices)
        if (u(c.caption) == captionUtf8) return c;
    ADD_FAILURE() << "no field " << captionUtf8;
    return {};
}

std::array<std::string, 20> captions() {
    std::array<std::string, 20> k;
    for (std::size_t i = 0; i < 20; ++i)
        k[i] = "Kat" + std::to_string(i + 1);
    return k;
}

TEST(ConditionTest, BlankCategoriesAreLeftOutWithTheirTextEntriesAndTheOrderStays) {
    auto k = captions();
    k[1] = "";
    k[4] = "   ";
    const auto choices = fieldChoices(k);
    std::vector<std::string> fields;
    for (const auto& c : choices)
        fields.push_back(c.field);
    for (const char* gone : {"P2", "P5", "P2TXT", "P5TXT", "ZASILKOVA", "BONZOVAT"})
        EXPECT_EQ(std::count(fields.begin(), fields.end(), gone), 0) << gone;
    EXPECT_EQ(fields.front(), "ID");
    EXPECT_EQ(fields[8], "P1");
    EXPECT_EQ(fields[9], "P3");
    EXPECT_EQ(fields[8 + 18], "P1TXT");
    EXPECT_EQ(u(choices[8 + 18].caption), "Kat1 - Text");
    EXPECT_EQ(fields.back(), "POZNAMKA");
    EXPECT_EQ(choices.size(), 8u + 18 + 8 + 10);
}

TEST(ConditionTest, TextsNumbersFlagsAndDatesBuildTheirExpressionAndCaption) {
    const auto choices = fieldChoices(captions());
    Condition c = buildCondition(byCaption(choices, "Název firmy"), "=", "ab", false);
    EXPECT_EQ(c.text, "FIRMA = 'ab'");
    EXPECT_EQ(u(c.caption), "Název firmy = ab");
    c = buildCondition(byCaption(choices, "ID firmy"), ">=", " -12", false);
    EXPECT_EQ(c.text, "ID >= -12");
    c = buildCondition(byCaption(choices, "Kat3"), "<>", "ignored", true);
    EXPECT_EQ(c.text, "P3 = 1");
    EXPECT_EQ(c.caption, "Kat3 = 1");
    c = buildCondition(byCaption(choices, "Datum vložení"), ">=", "1.1.98", false);
    EXPECT_EQ(c.text, "DT_VLOZENI >= 71957");
    EXPECT_EQ(u(c.caption), "Datum vložení >= 1.01.98");
    EXPECT_TRUE(c.error.empty());
}

TEST(ConditionTest, ValuesThatAreNotNumbersOrDatesAreRefused) {
    const auto choices = fieldChoices(captions());
    for (const char* bad : {"5 OR 1", "abc", "1.5", "", "--3"}) {
        const Condition c = buildCondition(byCaption(choices, "ID firmy"), "=", bad, false);
        EXPECT_FALSE(c.error.empty()) << bad;
        EXPECT_TRUE(c.text.empty()) << bad;
    }
    for (const char* bad : {"31.2.98", "zítra", "1.1.98 OR 1"}) {
        const Condition c =
            buildCondition(byCaption(choices, "Datum úpravy"), "=", cp1250::fromUtf8(bad), false);
        EXPECT_FALSE(c.error.empty()) << bad;
    }
    EXPECT_FALSE(buildCondition(byCaption(choices, "Název firmy"), "", "x", false).error.empty());
}

class ConditionOnFirmsTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Schuzky", "Klice", "EVKLICSL", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        auto& f = db.file("Adresar");
        ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        int id = 0;
        for (const char* name : {"O'Brien", "Alfa", "Beta"}) {
            f.clearBuffer();
            f.as<AdresarRecord>().ID.set(++id);
            f.as<AdresarRecord>().FIRMA.set(name);
            f.clearCurrent();
            ASSERT_EQ(f.add(), 0);
        }
        services::standardRelease(f);
    }
    long added(const Condition& c) {
        Selection sel(s);
        NoProgress none;
        (void)sel.removeAll(none);
        return sel.addByCondition(c.text, c.caption, none).rows;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    const std::vector<FieldChoice> choices = fieldChoices(captions());
};

TEST_F(ConditionOnFirmsTest, AnApostropheInATextIsComparedAsTyped) {
    const FieldChoice firma = byCaption(choices, "Název firmy");
    const Condition injected = buildCondition(firma, "=", "x' OR 1=1 OR 'a", false);
    ASSERT_TRUE(injected.error.empty());
    EXPECT_EQ(added(injected), 0);
    EXPECT_EQ(added(buildCondition(firma, "=", "O'Brien", false)), 1);
}

TEST_F(ConditionOnFirmsTest, ANumberConditionSelectsOnlyItsFirm) {
    EXPECT_EQ(added(buildCondition(byCaption(choices, "ID firmy"), "=", "2", false)), 1);
    EXPECT_EQ(added(buildCondition(byCaption(choices, "ID firmy"), ">", "1", false)), 2);
}

} // namespace
} // namespace zv::selections
