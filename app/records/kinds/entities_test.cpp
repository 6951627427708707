// The forms of keywords, operations, kinds of contact, notes, jokes and the
// category captions, run by the form engine on their declarations.
#include "app/records/kinds/address_book.h"
#include "app/records/kinds/categories.h"
#include "app/records/kinds/entities.h"
#include "app/records/kinds/jokes.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using namespace zv::rec;
using access::RecordFile;
using services::Button;

class EntitiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Klice", "EVKLICSL", "Kategorie", "Operace",
                                  "Operace1", "Klasifik", "Poznamky", "Vtipy"}) {
            auto& f = db.file(label);
            // The operations' views share one file.
            if (f.open() != 0) {
                ASSERT_EQ(f.create(), 0);
            }
            (void)f.close();
            ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        }
        state.userName = "Pepa";
        state.dnes = 80000;
    }

    void addFirm(int id) {
        auto& f = db.file("Adresar");
        f.clearBuffer();
        f.as<AdresarRecord>().ID.set(id);
        f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }
    // Keyword `text` through EVKLIC_U; returns its number.
    std::int32_t addKeyword(const std::string& text) {
        FormEngine form(s, evklicForm(state));
        EXPECT_TRUE(form.begin(kRequestInsert));
        auto& k = db.file("EVKLICSL").as<EvklicslRecord>();
        k.POPIS.set(cp1250::fromUtf8(text));
        EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
        return k.IDKS.get();
    }
    // Keyword `keyword` attached to firm `firm` through KLICE_U.
    FormEngine::OkResult attach(int firm, std::int32_t keyword) {
        FormEngine form(s, kliceForm(firm));
        EXPECT_TRUE(form.begin(kRequestInsert));
        db.file("Klice").as<KliceRecord>().IDKL.set(keyword);
        const auto result = form.ok();
        if (result != FormEngine::OkResult::Closed) form.cancel();
        return result;
    }
    // Makes the record of `label` whose key `key` holds `value` the current one.
    void readBy(const char* label, const char* key, const std::function<void(RecordFile&)>& set) {
        auto& f = db.file(label);
        f.clearBuffer();
        set(f);
        ASSERT_EQ(f.getByKey(f.keyNumber(key)), 0);
    }
    std::string lastMessageText() const {
        return messages.shown().empty() ? std::string()
                                        : cp1250::toUtf8(messages.shown().back().text);
    }
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
};

TEST_F(EntitiesTest, AttachingOneKeywordTwiceToAFirmIsRefusedWithMessage24NamingTheKey) {
    addFirm(5);
    const std::int32_t keyword = addKeyword("stavebnictví");
    EXPECT_EQ(attach(5, keyword), FormEngine::OkResult::Closed);
    EXPECT_EQ(attach(5, keyword), FormEngine::OkResult::StayOpen);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Duplicate Key Error");
    EXPECT_EQ(messages.shown()[0].text,
              "Adding this record creates a duplicate entry for the key:KLI:ByID");
    EXPECT_EQ(db.file("Klice").records(), 1);
    // Another firm may carry the same keyword.
    addFirm(6);
    EXPECT_EQ(attach(6, keyword), FormEngine::OkResult::Closed);
}

TEST_F(EntitiesTest, AKeywordIsNumberedAfterTheHighestAndIntroducedByTheUser) {
    EXPECT_EQ(addKeyword("doprava"), 1);
    EXPECT_EQ(addKeyword("energetika"), 2);
    FormEngine form(s, evklicForm(state));
    ASSERT_TRUE(form.begin(kRequestInsert));
    const auto& k = db.file("EVKLICSL").as<EvklicslRecord>();
    EXPECT_EQ(k.IDKS.get(), 3);
    EXPECT_EQ(k.ZAVEDL.trimmed(), "Pepa");
    form.cancel();
    EXPECT_EQ(db.file("EVKLICSL").records(), 2);
}

TEST_F(EntitiesTest, KeywordTextsAreUniqueIgnoringCase) {
    (void)addKeyword("Doprava");
    FormEngine form(s, evklicForm(state));
    ASSERT_TRUE(form.begin(kRequestInsert));
    db.file("EVKLICSL").as<EvklicslRecord>().POPIS.set("DOPRAVA");
    EXPECT_EQ(form.ok(), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(),
              "Adding this record creates a duplicate entry for the key:EVK:ByKlic");
    form.cancel();
    EXPECT_EQ(db.file("EVKLICSL").records(), 1);
}

TEST_F(EntitiesTest, DeletingAnAttachedKeywordRemovesItsAttachmentsAndKeepsTheFirms) {
    for (int firm : {1, 2, 3})
        addFirm(firm);
    const std::int32_t gone = addKeyword("potraviny");
    const std::int32_t kept = addKeyword("obchod");
    for (int firm : {1, 2, 3})
        ASSERT_EQ(attach(firm, gone), FormEngine::OkResult::Closed);
    ASSERT_EQ(attach(2, kept), FormEngine::OkResult::Closed);
    readBy("EVKLICSL", "EVK:BYIDKS", [&](RecordFile& f) { f.as<EvklicslRecord>().IDKS.set(gone); });
    FormEngine form(s, evklicForm(state));
    messages.answer(Button::Ok); // message 32
    EXPECT_FALSE(form.begin(kRequestDelete));
    EXPECT_EQ(form.response(), kResponseCompleted);
    EXPECT_EQ(db.file("EVKLICSL").records(), 1);
    EXPECT_EQ(db.file("Adresar").records(), 3);
    auto& kli = db.file("Klice");
    ASSERT_EQ(kli.records(), 1);
    ASSERT_EQ(kli.setFile(), 0);
    ASSERT_EQ(kli.next(), 0);
    EXPECT_EQ(kli.as<KliceRecord>().ID.get(), 2);
    EXPECT_EQ(kli.as<KliceRecord>().IDKL.get(), kept);
}

TEST_F(EntitiesTest, OperationCodesAreUniqueAndNeverZero) {
    auto& ope = db.file("Operace");
    auto insert = [&](int code, const char* text) {
        FormEngine form(s, operaceForm());
        EXPECT_TRUE(form.begin(kRequestInsert));
        ope.as<OperaceRecord>().TYPOPERACE.set(std::uint8_t(code));
        ope.as<OperaceRecord>().POPIS.set(text);
        const auto result = form.ok();
        if (result != FormEngine::OkResult::Closed) form.cancel();
        return result;
    };
    EXPECT_EQ(insert(3, "Schuzka"), FormEngine::OkResult::Closed);
    EXPECT_EQ(insert(3, "Jina schuzka"), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(),
              "Adding this record creates a duplicate entry for the key:OPE:ByTypOp");
    EXPECT_EQ(insert(0, "Bez kodu"), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(), "Zadejte typ operace od 1 do 255.");
    EXPECT_EQ(ope.records(), 1);
}

TEST_F(EntitiesTest, KindCodesAreUniqueIgnoringCaseAndNeverBlank) {
    auto& kla = db.file("Klasifik");
    auto insert = [&](const char* code) {
        FormEngine form(s, klasifikForm());
        EXPECT_TRUE(form.begin(kRequestInsert));
        kla.as<KlasifikRecord>().ZKRATKA.set(code);
        kla.as<KlasifikRecord>().KODOP1.set(2);
        kla.as<KlasifikRecord>().PRODLEVA1.set(14);
        const auto result = form.ok();
        if (result != FormEngine::OkResult::Closed) form.cancel();
        return result;
    };
    EXPECT_EQ(insert("OD"), FormEngine::OkResult::Closed);
    EXPECT_EQ(insert("od"), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(),
              "Adding this record creates a duplicate entry for the key:KLA:ByZkratka");
    EXPECT_EQ(insert("  "), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(), "Zadejte zkratku klasifikace.");
    ASSERT_EQ(kla.records(), 1);
    readBy("Klasifik", "KLA:BYZKRATKA",
           [](RecordFile& f) { f.as<KlasifikRecord>().ZKRATKA.set("OD"); });
    EXPECT_EQ(kla.as<KlasifikRecord>().PRODLEVA1.get(), 14);
}

TEST_F(EntitiesTest, NotesAreNumberedAndTheirTitlesUniqueIgnoringCase) {
    auto& poz = db.file("Poznamky");
    auto insert = [&](const std::string& title, std::int32_t* number) {
        FormEngine form(s, poznamkyForm());
        EXPECT_TRUE(form.begin(kRequestInsert));
        *number = poz.as<PoznamkyRecord>().CP.get();
        poz.as<PoznamkyRecord>().TEXT.set(cp1250::fromUtf8(title));
        const auto result = form.ok();
        if (result != FormEngine::OkResult::Closed) form.cancel();
        return result;
    };
    std::int32_t number = 0;
    EXPECT_EQ(insert("Porada", &number), FormEngine::OkResult::Closed);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(insert("Ceník", &number), FormEngine::OkResult::Closed);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(insert("PORADA", &number), FormEngine::OkResult::StayOpen);
    EXPECT_EQ(lastMessageText(),
              "Adding this record creates a duplicate entry for the key:POZ:Popis");
    EXPECT_EQ(poz.records(), 2);
}

TEST_F(EntitiesTest, JokesAreNumberedAndListedByTheirFirstLine) {
    auto& vti = db.file("Vtipy");
    for (int n = 1; n <= 2; ++n) {
        FormEngine form(s, vtipyForm());
        ASSERT_TRUE(form.begin(kRequestInsert));
        EXPECT_EQ(vti.as<VtipyRecord>().NOF.get(), n);
        vti.setMemo("Potkaji se dva\r\nrybari.");
        EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
    }
    EXPECT_EQ(vti.records(), 2);
    EXPECT_EQ(jokeLine("Potkaji se dva\r\nrybari.  "), "Potkaji se dva  rybari.");
    EXPECT_EQ(jokeLine(std::string(400, 'x')).size(), 255u);
    EXPECT_EQ(vtipyRequestText(kRequestInsert), "Adding a Vtipy Record");
    EXPECT_EQ(vtipyRequestText(kRequestChange), "Changing a Vtipy Record");
}

TEST_F(EntitiesTest, AnEmptyCategoryFileGetsCaptionSetOne) {
    auto& kag = db.file("Kategorie");
    ASSERT_EQ(readFirstCaptionSet(kag), 0);
    EXPECT_EQ(kag.records(), 1);
    EXPECT_EQ(kag.as<KategorieRecord>().TEXT.get(), 1);
    EXPECT_EQ(kag.as<KategorieRecord>().K1.trimmed(), "");
    // The next time the set is read, not added again.
    kag.as<KategorieRecord>().K3.set("Partner");
    ASSERT_EQ(kag.put(), 0);
    kag.clearBuffer();
    ASSERT_EQ(readFirstCaptionSet(kag), 0);
    EXPECT_EQ(kag.records(), 1);
    EXPECT_EQ(kag.as<KategorieRecord>().K3.trimmed(), "Partner");
}

TEST_F(EntitiesTest, TheCategoryFormHasTwentyCaptionsEachWithItsClearButton) {
    const FormDecl d = kategorieForm();
    ASSERT_EQ(d.tabs.size(), 2u);
    EXPECT_EQ(d.tabs[0].title, "Informace");
    EXPECT_EQ(d.tabs[1].title, "Členění");
    int n = 0;
    for (const FormItem* i : allItems(d.tabs)) {
        ++n;
        EXPECT_EQ(i->field, captionField(n));
        EXPECT_EQ(i->prompt, "&Kategorie " + std::to_string(n) + ":");
        EXPECT_EQ(i->button.hint, "Vyčistí danou kategorii");
    }
    EXPECT_EQ(n, 20);
}

} // namespace
} // namespace zv::records
