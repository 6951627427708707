#include "referential_rules.h"

#include "standard_open.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"

#include <gtest/gtest.h>

namespace zv::services {
namespace {

using namespace zv::rec;

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL"}) {
            auto& f = db.file(label);
            ASSERT_EQ(f.create(), 0) << label;
        }
        adr = &db.file("Adresar");
        ASSERT_EQ(standardOpen(s, *adr), OpenOutcome::Opened);
        for (int id : {1, 2}) {
            adr->clearBuffer();
            adr->as<AdresarRecord>().ID.set(id);
            adr->as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
            ASSERT_EQ(adr->add(), 0);
        }
    }

    template <typename R, typename Fill> void addChild(const char* label, Fill fill) {
        auto& f = db.file(label);
        const bool wasOpen = f.isOpen();
        if (!wasOpen) {
            ASSERT_EQ(f.open(), 0);
        }
        f.clearBuffer();
        fill(f.template as<R>());
        ASSERT_EQ(f.add(), 0);
        if (!wasOpen) {
            ASSERT_EQ(f.close(), 0);
        }
    }

    // Makes firm id the current record of Adresar.
    void selectFirm(int id) {
        adr->as<AdresarRecord>().ID.set(id);
        ASSERT_EQ(adr->setKeyValue(0), 0);
        ASSERT_EQ(adr->next(), 0);
        ASSERT_EQ(adr->as<AdresarRecord>().ID.get(), id);
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    ScriptedMessages messages;
    ProcedureServices s{db, messages, {}};
    access::RecordFile* adr = nullptr;
};

TEST_F(RulesTest, AFirmWithChildrenIsNotDeletedAndTheFirstChildFileIsNamed) {
    addChild<UkolyRecord>("UKOLY", [](UkolyRecord& r) {
        r.CUKOLU.set(1);
        r.ID.set(1);
    });
    addChild<OsobyRecord>("Osoby", [](OsobyRecord& r) {
        r.REC.set(1);
        r.ID.set(1);
    });
    selectFirm(1);
    EXPECT_EQ(deleteRule(s, *adr), kRuleFailed);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Referential Integrity Delete Error");
    EXPECT_EQ(messages.shown()[0].text,
              "This record is referenced from the file Osoby.  This record cannot be deleted while "
              "these references exist.");
    EXPECT_EQ(adr->records(), 2);
    EXPECT_FALSE(db.inTransaction());
    // The rule opened the child files itself and released them again.
    EXPECT_FALSE(db.file("Osoby").isOpen());
    EXPECT_FALSE(db.file("Klice").isOpen());

    addChild<KliceRecord>("Klice", [](KliceRecord& r) {
        r.ID.set(1);
        r.IDKL.set(7);
    });
    messages.clear();
    selectFirm(1);
    EXPECT_EQ(deleteRule(s, *adr), kRuleFailed);
    EXPECT_NE(messages.shown().at(0).text.find("file Klice."), std::string::npos);
}

TEST_F(RulesTest, AFirmWithoutChildrenIsDeletedEvenBesideAFirmWithChildren) {
    addChild<SchuzkyRecord>("Schuzky", [](SchuzkyRecord& r) { r.ID.set(1); });
    selectFirm(2);
    EXPECT_EQ(deleteRule(s, *adr), kRuleDone);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(adr->records(), 1);
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(RulesTest, DeletingAKeywordDeletesItsAttachments) {
    auto& evk = db.file("EVKLICSL");
    ASSERT_EQ(standardOpen(s, evk), OpenOutcome::Opened);
    for (int k : {7, 8}) {
        evk.clearBuffer();
        evk.as<EvklicslRecord>().IDKS.set(k);
        evk.as<EvklicslRecord>().POPIS.set("klic " + std::to_string(k));
        ASSERT_EQ(evk.add(), 0);
    }
    for (int firm : {1, 2})
        for (int k : {7, 8})
            addChild<KliceRecord>("Klice", [&](KliceRecord& r) {
                r.ID.set(firm);
                r.IDKL.set(k);
            });
    evk.as<EvklicslRecord>().IDKS.set(7);
    ASSERT_EQ(evk.setKeyValue(0), 0);
    ASSERT_EQ(evk.next(), 0);
    EXPECT_EQ(deleteRule(s, evk), kRuleDone);
    EXPECT_EQ(evk.records(), 1);
    auto& kli = db.file("Klice");
    ASSERT_EQ(kli.open(), 0);
    EXPECT_EQ(kli.records(), 2);
    ASSERT_EQ(kli.setKey(0), 0);
    while (kli.next() == 0)
        EXPECT_EQ(kli.as<KliceRecord>().IDKL.get(), 8);
}

TEST_F(RulesTest, AChangeByAnotherStationShowsTheirVersion) {
    auto& uko = db.file("UKOLY");
    ASSERT_EQ(standardOpen(s, uko), OpenOutcome::Opened);
    uko.clearBuffer();
    uko.as<UkolyRecord>().CUKOLU.set(1);
    uko.as<UkolyRecord>().POPIS.set("puvodni");
    ASSERT_EQ(uko.add(), 0);
    ASSERT_EQ(uko.setKey(0), 0);
    uko.watch();
    ASSERT_EQ(uko.next(), 0);
    ASSERT_TRUE(driver.overwrite("UKOLY", 1, offsetof(UkolyRecord, POPIS), "od kolegy"));
    uko.as<UkolyRecord>().POPIS.set("moje");
    EXPECT_EQ(updateRule(s, uko, true), kRuleChangedElsewhere);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Record Was Not Updated");
    EXPECT_EQ(uko.as<UkolyRecord>().POPIS.trimmed(), "od kolegy");
    EXPECT_FALSE(db.inTransaction());

    // Not from a form: message 15 with the cause.
    uko.watch();
    ASSERT_EQ(uko.reget(uko.position(-1)), 0);
    ASSERT_TRUE(driver.overwrite("UKOLY", 1, offsetof(UkolyRecord, POPIS), "zase jinak"));
    messages.clear();
    EXPECT_EQ(updateRule(s, uko, false), kRuleChangedElsewhere);
    EXPECT_NE(messages.shown().at(0).text.find("Probable Cause: Record Changed by Another Station"),
              std::string::npos);

    uko.as<UkolyRecord>().POPIS.set("konecne");
    messages.clear();
    EXPECT_EQ(updateRule(s, uko, true), kRuleDone);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(RulesTest, ABusyFileFailsTheRuleWithMessage34) {
    driver.setForeignLock("ADRESAR", true);
    selectFirm(2);
    EXPECT_EQ(deleteRule(s, *adr), kRuleFailed);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Transaction Framing Error");
    EXPECT_EQ(adr->records(), 2);
    EXPECT_FALSE(db.file("UKOLY").isOpen());
}

TEST_F(RulesTest, AFirmNumberWithChildrenCannotChange) {
    addChild<KliceRecord>("Klice", [](KliceRecord& r) {
        r.ID.set(1);
        r.IDKL.set(3);
    });
    selectFirm(1);
    const std::vector<std::uint8_t> original(adr->record(), adr->record() + adr->recordSize());
    adr->as<AdresarRecord>().ID.set(99);
    adr->as<AdresarRecord>().ULICE.set("Nova");
    EXPECT_EQ(updateRule(s, *adr, true, original), kRuleFailed);
    EXPECT_EQ(messages.shown().at(0).title, "Referential Integrity Update Error");
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 1);

    messages.clear();
    adr->as<AdresarRecord>().ULICE.set("Nova");
    EXPECT_EQ(updateRule(s, *adr, true, original), kRuleDone);
    selectFirm(1);
    EXPECT_EQ(adr->as<AdresarRecord>().ULICE.trimmed(), "Nova");
}

} // namespace
} // namespace zv::services
