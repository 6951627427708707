#include "app/records/form/form_engine.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using rec::AdresarRecord;
using services::Button;

FormDecl firmForm() {
    FormDecl d;
    d.file = "Adresar";
    d.numberField = "ADR:ID";
    d.numberKey = "ADR:BYID";
    d.insertTitle = "Přidat záznam  (New)";
    d.changeTitle = "Změnit záznam";
    d.titleField = "ADR:FIRMA";
    d.keyNames = {{"ADR:BYID", "ADR:ByID"}, {"ADR:BYFIRMA", "ADR:ByFirma"}};
    d.primeInsert = [](access::RecordFile& f) { f.as<AdresarRecord>().TEXTY.set(1); };
    d.stampChange = [](access::RecordFile& f) { f.as<AdresarRecord>().UPRAVIL.set("Pepa"); };
    return d;
}

class FormEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL"})
            ASSERT_EQ(db.file(label).create(), 0);
        adr = &db.file("Adresar");
        ASSERT_EQ(services::standardOpen(s, *adr), services::OpenOutcome::Opened);
    }

    void addFirm(int id, const std::string& name, const std::string& town = "Praha") {
        adr->clearBuffer();
        auto& r = adr->as<AdresarRecord>();
        r.ID.set(id);
        r.FIRMA.set(name);
        r.MESTO.set(town);
        ASSERT_EQ(adr->add(), 0);
    }

    // Makes firm id the current record, as the browse does before a change.
    void readFirm(int id) {
        adr->clearBuffer();
        adr->as<AdresarRecord>().ID.set(id);
        ASSERT_EQ(adr->setKeyValue(adr->keyNumber("ADR:BYID")), 0);
        ASSERT_EQ(adr->next(), 0);
        ASSERT_EQ(adr->as<AdresarRecord>().ID.get(), id);
    }

    // The firm as stored, or false.
    bool stored(int id, AdresarRecord& out) {
        adr->clearBuffer();
        adr->as<AdresarRecord>().ID.set(id);
        if (adr->setKeyValue(adr->keyNumber("ADR:BYID")) != 0 || adr->next() != 0) return false;
        out = adr->as<AdresarRecord>();
        return out.ID.get() == id;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    access::RecordFile* adr = nullptr;
};

TEST_F(FormEngineTest, InsertIntoAnEmptyFileNumbersOneAndAddsThePlaceholderAtOnce) {
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestInsert));
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 1);
    EXPECT_EQ(adr->records(), 1);
    EXPECT_EQ(form.title(), "Přidat záznam  (New)");
    adr->as<AdresarRecord>().FIRMA.set("Nová");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    EXPECT_EQ(form.response(), kResponseCompleted);
    AdresarRecord r;
    ASSERT_TRUE(stored(1, r));
    EXPECT_EQ(r.FIRMA.trimmed(), "Nová");
    EXPECT_EQ(r.TEXTY.get(), 1);
}

TEST_F(FormEngineTest, NumberingTakesTheHighestNumberPlusOneWhateverTheCount) {
    addFirm(7, "A");
    addFirm(41, "B");
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestInsert));
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 42);
}

TEST_F(FormEngineTest, CancelAndAbandonOfAnInsertLeaveNoRecord) {
    addFirm(1, "A");
    {
        FormEngine form(s, firmForm());
        ASSERT_TRUE(form.begin(kRequestInsert));
        EXPECT_EQ(adr->records(), 2);
        form.cancel();
        EXPECT_EQ(form.response(), kResponseCancelled);
        EXPECT_EQ(adr->records(), 1);
    }
    {
        FormEngine form(s, firmForm());
        ASSERT_TRUE(form.begin(kRequestInsert));
        EXPECT_EQ(adr->records(), 2);
    } // window closed without OK or Cancel
    EXPECT_EQ(adr->records(), 1);
    AdresarRecord r;
    EXPECT_TRUE(stored(1, r));
}

TEST_F(FormEngineTest, ThreeFailedNumberingsGiveMessage25AndRetryStartsAgain) {
    addFirm(1, "Stejná", "Brno");
    FormDecl d = firmForm();
    int primed = 0;
    // Every new record collides on the name key until the fourth try.
    d.primeInsert = [&primed](access::RecordFile& f) {
        ++primed;
        f.as<AdresarRecord>().FIRMA.set("Stejná");
        f.as<AdresarRecord>().MESTO.set("Brno");
    };
    {
        FormEngine form(s, d);
        messages.answer(Button::Cancel);
        EXPECT_FALSE(form.begin(kRequestInsert));
        EXPECT_EQ(form.response(), kResponseCancelled);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].title, "Auto Increment Error");
        EXPECT_NE(messages.shown()[0].text.find("Creates Duplicate Key"), std::string::npos);
        EXPECT_EQ(adr->records(), 1);
    }
    messages.clear();
    {
        FormEngine form(s, d);
        messages.answer(Button::Retry);
        messages.answer(Button::Cancel);
        EXPECT_FALSE(form.begin(kRequestInsert));
        EXPECT_EQ(messages.shown().size(), 2u); // three tries, Retry, three more tries
    }
}

TEST_F(FormEngineTest, ADuplicateNameAtOkNamesTheKeyAndKeepsTheFormOpen) {
    addFirm(1, "Alfa", "Brno");
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestInsert));
    adr->as<AdresarRecord>().FIRMA.set("Alfa");
    adr->as<AdresarRecord>().MESTO.set("Brno");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::StayOpen);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Duplicate Key Error");
    EXPECT_EQ(messages.shown()[0].text,
              "Adding this record creates a duplicate entry for the key:ADR:ByFirma");
    adr->as<AdresarRecord>().MESTO.set("Praha");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    EXPECT_EQ(adr->records(), 2);
}

TEST_F(FormEngineTest, OkWithoutChangesAnswersCancelledAndWritesNothing) {
    addFirm(5, "Beta");
    readFirm(5);
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestChange));
    EXPECT_EQ(form.title(), "Změnit záznam  (Beta)");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    EXPECT_EQ(form.response(), kResponseCancelled);
    AdresarRecord r;
    ASSERT_TRUE(stored(5, r));
    EXPECT_EQ(r.UPRAVIL.trimmed(), ""); // not even stamped
}

TEST_F(FormEngineTest, OkWithoutChangesWhileNavigatingCompletes) {
    addFirm(5, "Beta");
    readFirm(5);
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestChange));
    form.setNavigation(kNavNext);
    EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    EXPECT_EQ(form.outcome().response, kResponseCompleted);
    EXPECT_EQ(form.outcome().navigation, kNavNext);
}

TEST_F(FormEngineTest, AChangeIsWrittenAndStampedEvenAfterAnotherWindowUsedTheBuffer) {
    addFirm(5, "Beta");
    addFirm(6, "Gama");
    readFirm(5);
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestChange));
    auto screen = adr->as<AdresarRecord>();
    readFirm(6); // another window read the file meanwhile
    adr->as<AdresarRecord>() = screen;
    adr->as<AdresarRecord>().FIRMA.set("Beta nová");
    adr->setMemo("poznámka");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    EXPECT_EQ(form.response(), kResponseCompleted);
    AdresarRecord r;
    ASSERT_TRUE(stored(5, r));
    EXPECT_EQ(r.FIRMA.trimmed(), "Beta nová");
    EXPECT_EQ(r.UPRAVIL.trimmed(), "Pepa");
    ASSERT_TRUE(stored(6, r));
    EXPECT_EQ(r.FIRMA.trimmed(), "Gama");
}

TEST_F(FormEngineTest, AMemoChangeAloneCounts) {
    addFirm(5, "Beta");
    readFirm(5);
    FormEngine form(s, firmForm());
    ASSERT_TRUE(form.begin(kRequestChange));
    EXPECT_FALSE(form.changed());
    adr->setMemo("nová poznámka");
    EXPECT_TRUE(form.changed());
}

TEST_F(FormEngineTest, DeleteAsksWithMessage32) {
    addFirm(5, "Beta");
    readFirm(5);
    {
        FormEngine form(s, firmForm());
        messages.answer(Button::Cancel);
        EXPECT_FALSE(form.begin(kRequestDelete));
        EXPECT_EQ(form.response(), kResponseCancelled);
        EXPECT_EQ(adr->records(), 1);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(cp1250::toUtf8(messages.shown()[0].title), "Rušení záznamu");
    }
    readFirm(5);
    FormEngine form(s, firmForm());
    messages.answer(Button::Ok);
    EXPECT_FALSE(form.begin(kRequestDelete));
    EXPECT_EQ(form.response(), kResponseCompleted);
    EXPECT_EQ(adr->records(), 0);
}

TEST_F(FormEngineTest, DeleteOfAFirmWithKeywordsIsRefusedAndMessage18OffersARetry) {
    addFirm(5, "Beta");
    auto& kli = db.file("Klice");
    ASSERT_EQ(kli.open(), 0);
    kli.clearBuffer();
    kli.as<rec::KliceRecord>().ID.set(5);
    kli.as<rec::KliceRecord>().IDKL.set(1);
    ASSERT_EQ(kli.add(), 0);
    ASSERT_EQ(kli.close(), 0);
    readFirm(5);
    FormEngine form(s, firmForm());
    messages.answer(Button::Ok);  // message 32
    messages.answer(Button::Ok);  // message 13
    messages.answer(Button::Yes); // message 18: try again
    messages.answer(Button::Ok);  // message 13
    messages.answer(Button::No);  // message 18
    EXPECT_FALSE(form.begin(kRequestDelete));
    EXPECT_EQ(form.response(), kResponseCancelled);
    EXPECT_EQ(adr->records(), 1);
    ASSERT_EQ(messages.shown().size(), 5u);
    EXPECT_EQ(messages.shown()[1].title, "Referential Integrity Delete Error");
    EXPECT_EQ(messages.shown()[2].title, "Record Update Error");
}

TEST_F(FormEngineTest, AFormWithoutNumberingAddsAtOkAndRefusesADuplicatePair) {
    FormDecl d;
    d.file = "Klice";
    d.keyNames = {{"KLI:BYID", "KLI:ByID"}};
    d.primeInsert = [](access::RecordFile& f) { f.as<rec::KliceRecord>().ID.set(5); };
    auto& kli = db.file("Klice");
    ASSERT_EQ(services::standardOpen(s, kli), services::OpenOutcome::Opened);
    for (int attempt = 0; attempt < 2; ++attempt) {
        FormEngine form(s, d);
        ASSERT_TRUE(form.begin(kRequestInsert));
        EXPECT_EQ(kli.records(), attempt);
        kli.as<rec::KliceRecord>().IDKL.set(3);
        if (attempt == 0) {
            EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
        } else {
            EXPECT_EQ(form.ok(), FormEngine::OkResult::StayOpen);
            ASSERT_EQ(messages.shown().size(), 1u);
            EXPECT_EQ(messages.shown()[0].text,
                      "Adding this record creates a duplicate entry for the key:KLI:ByID");
            form.cancel();
        }
    }
    EXPECT_EQ(kli.records(), 1);
}

} // namespace
} // namespace zv::records
