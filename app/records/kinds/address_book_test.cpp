#include "app/records/kinds/address_book.h"

#include "app/records/browse/browse_engine.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using namespace zv::rec;
using services::Button;

class AddressBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label :
             {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL", "Kategorie"}) {
            ASSERT_EQ(db.file(label).create(), 0);
            ASSERT_EQ(services::standardOpen(s, db.file(label)), services::OpenOutcome::Opened);
        }
        state.userName = "Pepa";
        state.dnes = 80000;
    }

    void addFirm(int id, const std::string& name) {
        auto& f = db.file("Adresar");
        f.clearBuffer();
        f.as<AdresarRecord>().ID.set(id);
        f.as<AdresarRecord>().FIRMA.set(name);
        ASSERT_EQ(f.add(), 0);
    }
    void addPerson(int rec, int firm, const std::string& name, const std::string& tel = "") {
        auto& f = db.file("Osoby");
        f.clearBuffer();
        auto& r = f.as<OsobyRecord>();
        r.REC.set(rec);
        r.ID.set(firm);
        r.KONTAKT.set(name);
        r.TFZ.set(tel);
        ASSERT_EQ(f.add(), 0);
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
};

TEST_F(AddressBookTest, ADependentListShowsOnlyTheFirmsRecordsAndFollowsTheFirm) {
    for (int firm : {1, 2, 3})
        addFirm(firm, "F" + std::to_string(firm));
    int rec = 0;
    for (int firm : {1, 2, 2, 2, 3}) {
        ++rec;
        addPerson(rec, firm, "Osoba " + std::to_string(rec));
    }
    BrowseEngine persons(s, personsList(), 2);
    ASSERT_EQ(persons.open(), 0);
    persons.setRestriction(2);
    persons.setOrder(1);
    ASSERT_EQ(persons.rows().size(), 2u);
    EXPECT_EQ(persons.rows()[0].cells[0], "Osoba 2");
    persons.pageDown();
    persons.pageDown();
    EXPECT_EQ(persons.rows().back().cells[0], "Osoba 4");
    persons.scrollDown(); // the next firm's person stays out
    EXPECT_EQ(db.file("Osoby").as<OsobyRecord>().KONTAKT.trimmed(), "Osoba 4");
    persons.bottom();
    EXPECT_EQ(persons.rows().back().cells[0], "Osoba 4");
    persons.top();
    EXPECT_EQ(persons.rows().front().cells[0], "Osoba 2");
    persons.setRestriction(3);
    ASSERT_EQ(persons.rows().size(), 1u);
    EXPECT_EQ(persons.rows()[0].cells[0], "Osoba 5");
    persons.setRestriction(9);
    EXPECT_TRUE(persons.empty());
}

TEST_F(AddressBookTest, APersonAddedThroughTheListIsShownAndHighlighted) {
    addFirm(7, "Firma");
    addPerson(1, 7, "Adam");
    addPerson(2, 8, "Cizí");
    BrowseEngine persons(s, personsList(), 5);
    ASSERT_EQ(persons.open(), 0);
    persons.setRestriction(7);
    persons.setOrder(1);
    const auto outcome = persons.runRequest(kRequestInsert, [&](int request) {
        FormEngine form(s, osobyForm(7));
        EXPECT_TRUE(form.begin(request));
        db.file("Osoby").as<OsobyRecord>().KONTAKT.set("Bára");
        EXPECT_EQ(form.ok(), FormEngine::OkResult::Closed);
        return form.outcome();
    });
    EXPECT_EQ(outcome.response, kResponseCompleted);
    ASSERT_EQ(persons.rows().size(), 2u);
    EXPECT_EQ(persons.rows()[std::size_t(persons.current() - 1)].cells[0], "Bára");
    EXPECT_EQ(db.file("Osoby").as<OsobyRecord>().REC.get(), 3);
}

TEST_F(AddressBookTest, APersonInsertedFromTheFirmFormIsNumberedAndLinked) {
    addFirm(7, "Firma");
    addPerson(12, 1, "Jiný");
    FormEngine form(s, osobyForm(7));
    ASSERT_TRUE(form.begin(kRequestInsert));
    EXPECT_EQ(db.file("Osoby").as<OsobyRecord>().REC.get(), 13);
    EXPECT_EQ(db.file("Osoby").as<OsobyRecord>().ID.get(), 7);
    form.cancel();
    EXPECT_EQ(db.file("Osoby").records(), 1);
}

TEST_F(AddressBookTest, ANewFirmGetsCaptionSetOneAndTheUsersStamp) {
    FormEngine form(s, adresarForm(state));
    ASSERT_TRUE(form.begin(kRequestInsert));
    const auto& r = db.file("Adresar").as<AdresarRecord>();
    EXPECT_EQ(r.TEXTY.get(), 1);
    EXPECT_EQ(r.VLOZIL.trimmed(), "Pepa");
    EXPECT_EQ(r.DT_VLOZENI.get(), 80000);
    form.cancel();
}

TEST_F(AddressBookTest, CaptionsComeFromTheFirmsSetAndAreBlankWithoutIt) {
    auto& kag = db.file("Kategorie");
    kag.clearBuffer();
    kag.as<KategorieRecord>().TEXT.set(1);
    kag.as<KategorieRecord>().K1.set("Odběratel");
    kag.as<KategorieRecord>().K20.set("Dodavatel");
    ASSERT_EQ(kag.add(), 0);
    auto set1 = categoryCaptions(kag, 1);
    EXPECT_EQ(set1[0], "Odběratel");
    EXPECT_EQ(set1[19], "Dodavatel");
    EXPECT_EQ(set1[1], "");
    for (const auto& c : categoryCaptions(kag, 2))
        EXPECT_EQ(c, "");
    for (const auto& c : categoryCaptions(kag, 0))
        EXPECT_EQ(c, "");
}

TEST_F(AddressBookTest, TheDiallerGetsEveryDigitInOrderAndNothingElse) {
    EXPECT_EQ(dialCommand("+420 (2) 123-456 78"), "VOLNUM.EXE 420212345678");
    EXPECT_EQ(dialCommand(""), "");
    EXPECT_EQ(dialCommand("neuvedeno"), "");
    EXPECT_EQ(telephoneDigits(std::string(150, '7')).size(), 100u);
}

TEST_F(AddressBookTest, TheContactButtonTakesTheFirstThirtyCharacters) {
    auto& oso = db.file("Osoby");
    oso.clearBuffer();
    oso.as<OsobyRecord>().KONTAKT.set(std::string(40, 'K'));
    auto& adr = db.file("Adresar");
    adr.clearBuffer();
    copyContact(adr, oso);
    EXPECT_EQ(adr.as<AdresarRecord>().JMENO1.trimmed(), std::string(30, 'K'));
}

TEST_F(AddressBookTest, KeywordTextsAreLookedUpAndBlankWhenAbsent) {
    auto& ev = db.file("EVKLICSL");
    ev.clearBuffer();
    ev.as<EvklicslRecord>().IDKS.set(3);
    ev.as<EvklicslRecord>().POPIS.set("Stavebnictví");
    ASSERT_EQ(ev.add(), 0);
    EXPECT_EQ(keywordText(ev, 3), "Stavebnictví");
    EXPECT_EQ(keywordText(ev, 4), "");
    addFirm(1, "F");
    auto& kli = db.file("Klice");
    kli.clearBuffer();
    kli.as<KliceRecord>().ID.set(1);
    kli.as<KliceRecord>().IDKL.set(3);
    ASSERT_EQ(kli.add(), 0);
    BrowseEngine keywords(s, keywordsList(), 5);
    ASSERT_EQ(keywords.open(), 0);
    keywords.setRestriction(1);
    keywords.setOrder(1);
    ASSERT_EQ(keywords.rows().size(), 1u);
    EXPECT_EQ(keywords.rows()[0].cells[1], "Stavebnictví");
    EXPECT_EQ(firmName(db.file("Adresar"), 1), "F");
    EXPECT_EQ(firmName(db.file("Adresar"), 2), "");
}

TEST_F(AddressBookTest, DeletingAFirmsChildrenTouchesNoOtherFirm) {
    addFirm(1, "A");
    addFirm(2, "B");
    addPerson(1, 1, "P1");
    addPerson(2, 2, "P2");
    addPerson(3, 2, "P3");
    auto& kli = db.file("Klice");
    kli.clearBuffer();
    kli.as<KliceRecord>().ID.set(2);
    kli.as<KliceRecord>().IDKL.set(1);
    ASSERT_EQ(kli.add(), 0);
    EXPECT_EQ(deleteFirmChildren(db, 2), 3);
    EXPECT_EQ(db.file("Osoby").records(), 1);
    EXPECT_EQ(kli.records(), 0);
    EXPECT_EQ(deleteFirmChildren(db, 0), 0);
}

TEST_F(AddressBookTest, AFirmWithPersonsIsKeptUntilThePersonsAreDeleted) {
    addFirm(1, "F");
    addPerson(1, 1, "Osoba");
    BrowseEngine firms(s, adresarBrowse(), 5);
    ASSERT_EQ(firms.open(), 0);
    firms.setOrder(1);
    auto deleteFirm = [&] {
        return firms.runRequest(kRequestDelete, [&](int request) {
            FormEngine form(s, adresarForm(state));
            EXPECT_FALSE(form.begin(request));
            return form.outcome();
        });
    };
    messages.answer(Button::Ok); // 32
    messages.answer(Button::Ok); // 13
    messages.answer(Button::No); // 18
    EXPECT_EQ(deleteFirm().response, kResponseCancelled);
    EXPECT_EQ(firms.rows().size(), 1u);
    EXPECT_EQ(messages.shown()[1].text.find("Osoby") != std::string::npos, true);

    BrowseEngine persons(s, personsList(), 5);
    ASSERT_EQ(persons.open(), 0);
    persons.setRestriction(1);
    persons.setOrder(1);
    persons.runRequest(kRequestDelete, [&](int request) {
        FormEngine form(s, osobyForm(1));
        EXPECT_FALSE(form.begin(request));
        return form.outcome();
    });
    EXPECT_TRUE(persons.empty());
    firms.refresh(RefreshMode::KeepHighlight);
    EXPECT_EQ(deleteFirm().response, kResponseCompleted);
    EXPECT_TRUE(firms.empty());
}

} // namespace
} // namespace zv::records
