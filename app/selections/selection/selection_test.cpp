#include "app/selections/selection/selection.h"

#include "app/selections/selection/auto_history.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zv::selections {
namespace {

using namespace zv::rec;

std::string u8(std::string_view cp1250Text) {
    return cp1250::toUtf8(cp1250Text);
}

// Counts the write-outs (commits) of the selection file.
class CountingDriver : public access::testing::MemoryDriver {
public:
    int dispatch(storage::DriverOp op, storage::ControlBlock& cb) override {
        if (op == storage::DriverOp::CommitTransaction &&
            cb.physicalName.find("VYBER") != std::string::npos)
            ++flushes;
        return MemoryDriver::dispatch(op, cb);
    }
    int flushes = 0;
};

// Records what the progress window would show.
struct ShownProgress : Progress {
    void open(std::string_view m, std::string_view d, long t) override {
        message = cp1250::toUtf8(m);
        detail = cp1250::toUtf8(d);
        total = t;
        ++opened;
    }
    void step(long p) override { processed = p; }
    void count(std::string_view t) override { countLine = cp1250::toUtf8(t); }
    void close() override { ++closed; }
    std::string message, detail, countLine;
    long total = -1, processed = 0;
    int opened = 0, closed = 0;
};

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label :
             {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL", "Vybery", "Kategorie"})
            ASSERT_EQ(db.file(label).create(), 0);
    }
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
    }
    void addFirm(int id, const std::string& name, const std::string& town) {
        add("Adresar", [&](access::RecordFile& f) {
            auto& r = f.as<AdresarRecord>();
            r.ID.set(id);
            r.FIRMA.set(cp1250::fromUtf8(name));
            r.MESTO.set(cp1250::fromUtf8(town));
            r.JMENO1.set("Kontakt");
        });
    }
    void attachKeyword(int firm, int keyword) {
        add("Klice", [&](access::RecordFile& f) {
            f.as<KliceRecord>().ID.set(firm);
            f.as<KliceRecord>().IDKL.set(keyword);
        });
    }
    void removeFirm(int id) {
        auto& f = db.file("Adresar");
        ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        f.as<AdresarRecord>().ID.set(id);
        ASSERT_EQ(f.getByKey(f.keyNumber("ADR:BYID")), 0);
        ASSERT_EQ(f.remove(), 0);
        services::standardRelease(f);
    }
    std::vector<int> selected() {
        std::vector<int> ids;
        auto& f = db.file("Vybery");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        for (int rc = f.setKey(f.keyNumber("VYB:BYID")); rc == 0 && f.next() == 0;)
            ids.push_back(f.as<VyberyRecord>().ID.get());
        services::standardRelease(f);
        return ids;
    }

    CountingDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    ShownProgress progress;
};

TEST_F(SelectionTest, AddAllGivesOneRowPerFirmWhateverTheSelectionHeld) {
    {
        Selection sel(s);
        ASSERT_TRUE(sel.opened());
        EXPECT_EQ(sel.addAll(progress).rows, 0);
    }
    for (int i = 1; i <= 5; ++i)
        addFirm(i, "Firma " + std::to_string(i), "Brno");
    Selection sel(s);
    EXPECT_TRUE(sel.addFirm(3));
    const Outcome out = sel.addAll(progress);
    EXPECT_EQ(out.processed, 5);
    EXPECT_EQ(out.rows, 5);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(progress.message, "Vkládám do výběru všechny firmy z adresáře");
    EXPECT_EQ(progress.total, 5);
    EXPECT_EQ(progress.opened, progress.closed);
    EXPECT_EQ(sel.removeAll(progress).rows, 0);
    EXPECT_EQ(progress.message, "Ruším všechny záznamy z výběru");
    EXPECT_TRUE(selected().empty());
}

TEST_F(SelectionTest, AddingByAConditionTwiceCountsTheSameFirmsAndAddsNoSecondRow) {
    addFirm(1, "Alfa", "Brno");
    addFirm(2, "Beta", "Praha");
    addFirm(3, "Gama", "Brno");
    Selection sel(s);
    Outcome out =
        sel.addByCondition("MESTO = 'Brno'", cp1250::fromUtf8("Název města = Brno"), progress);
    EXPECT_EQ(out.changed, 2);
    EXPECT_EQ(out.rows, 2);
    EXPECT_EQ(progress.detail, "Název města = Brno");
    EXPECT_EQ(progress.countLine, "Přidáno záznamů : 2");
    out = sel.addByCondition("MESTO = 'Brno'", cp1250::fromUtf8("Název města = Brno"), progress);
    EXPECT_EQ(out.changed, 2);
    EXPECT_EQ(out.rows, 2);
    EXPECT_EQ(selected(), (std::vector<int>{1, 3}));
}

TEST_F(SelectionTest, AConditionNoFirmMeetsChangesNothingAndShowsNoCount) {
    addFirm(1, "Alfa", "Brno");
    Selection sel(s);
    const Outcome out = sel.addByCondition("MESTO = 'Ostrava'", "", progress);
    EXPECT_EQ(out.processed, 1);
    EXPECT_EQ(out.changed, 0);
    EXPECT_EQ(out.rows, 0);
    EXPECT_EQ(progress.countLine, "");
    EXPECT_TRUE(out.error.empty());
}

TEST_F(SelectionTest, AFailedEvaluationEndsAtTheFirstFirmWithItsMessage) {
    addFirm(1, "Alfa", "Brno");
    addFirm(2, "Beta", "Brno");
    Selection sel(s);
    Outcome out = sel.addByCondition("ZASILKOVA = 1", "", progress);
    EXPECT_EQ(out.error, "Error 800 -- Invalid expression for EVALUATE");
    EXPECT_EQ(out.processed, 1);
    EXPECT_EQ(out.rows, 0);
    EXPECT_EQ(progress.opened, progress.closed);
    out = sel.addByCondition("MESTO = = 'Brno'", "", progress);
    EXPECT_EQ(out.error, "Error 800 -- Invalid expression for EVALUATE");
}

TEST_F(SelectionTest, RemovingByAConditionWritesOutEveryHundredAndKeepsRowsOfDeletedFirms) {
    for (int i = 1; i <= 260; ++i)
        addFirm(i, "Firma " + std::to_string(i), i <= 250 ? "Brno" : "Praha");
    Selection sel(s);
    ASSERT_EQ(sel.addAll(progress).rows, 260);
    removeFirm(7); // its row stays although it would qualify
    driver.flushes = 0;
    const Outcome out = sel.removeByCondition("MESTO = 'Brno'", "", progress);
    EXPECT_EQ(out.processed, 260);
    EXPECT_EQ(out.changed, 249);
    EXPECT_EQ(out.rows, 11);
    EXPECT_EQ(progress.countLine, "Odebráno záznamů : 249");
    EXPECT_EQ(driver.flushes, 3); // after the 100th and the 200th removal, and at the end
    const auto rows = selected();
    EXPECT_EQ(rows.front(), 7);
}

TEST_F(SelectionTest, KeywordsAddAndRemoveTheirFirmsAndSkipFirmsThatAreGone) {
    addFirm(1, "Alfa", "Brno");
    addFirm(2, "Beta", "Praha");
    addFirm(3, "Gama", "Brno");
    attachKeyword(1, 9);
    attachKeyword(3, 9);
    attachKeyword(2, 4);
    attachKeyword(77, 9); // a firm no longer in the address book
    Selection sel(s);
    Outcome out = sel.addByKeyword(9, cp1250::fromUtf8("Odběratel"), progress);
    EXPECT_EQ(out.processed, 3);
    EXPECT_EQ(out.changed, 2);
    EXPECT_EQ(selected(), (std::vector<int>{1, 3}));
    EXPECT_EQ(progress.message, "Přidávám do výběru firmy s klíčem:");
    ASSERT_EQ(sel.addAll(progress).rows, 3);
    out = sel.removeByKeyword(9, cp1250::fromUtf8("Odběratel"), progress);
    EXPECT_EQ(out.changed, 2);
    EXPECT_EQ(selected(), (std::vector<int>{2}));
    EXPECT_EQ(progress.message, "Odebírám z výběru firmy s klíčem:");
}

TEST_F(SelectionTest, AFirmDroppedTwiceHasOneRow) {
    addFirm(5, "Alfa", "Brno");
    Selection sel(s);
    EXPECT_TRUE(sel.addFirm(5));
    EXPECT_TRUE(sel.addFirm(5));
    EXPECT_FALSE(sel.addFirm(6));
    EXPECT_EQ(sel.rows(), 1);
}

TEST_F(SelectionTest, TheCopyRuleTakesTheFirmsFields) {
    addFirm(5, "Dřevo Veselý k.s.", "České Budějovice");
    Selection sel(s);
    ASSERT_TRUE(sel.addFirm(5));
    auto& v = db.file("Vybery").as<VyberyRecord>();
    EXPECT_EQ(cp1250::toUtf8(v.FIRMA.trimmed()), "Dřevo Veselý k.s.");
    EXPECT_EQ(cp1250::toUtf8(v.MESTO.trimmed()), "České Budějovice");
    EXPECT_EQ(v.JMENO1.trimmed(), "Kontakt");
}

TEST_F(SelectionTest, TheAutomaticHistoryWritesOneEntryPerSelectedFirm) {
    auto& sch = db.file("Schuzky");
    {
        Selection sel(s);
        primeAutoHistory(sch, cp1250::fromUtf8("Božena Němcová"), 80000, 1000);
        EXPECT_EQ(writeAutoHistory(sch, db.file("Vybery")), 0);
    }
    for (int i = 1; i <= 3; ++i)
        addFirm(i, "Firma " + std::to_string(i), "Brno");
    Selection sel(s);
    ASSERT_EQ(sel.addAll(progress).rows, 3);
    primeAutoHistory(sch, cp1250::fromUtf8("Božena Němcová"), 80000, 1000);
    EXPECT_EQ(u8(sch.as<SchuzkyRecord>().Vlozil.trimmed()), "Božena Něm");
    EXPECT_EQ(sch.as<SchuzkyRecord>().Jmeno.trimmed(), "<>");
    sch.as<SchuzkyRecord>().Popis.set("AG - katalog");
    EXPECT_EQ(writeAutoHistory(sch, db.file("Vybery")), 3);
    std::vector<int> firms;
    for (int rc = sch.setFile(); rc == 0 && sch.next() == 0;) {
        firms.push_back(sch.as<SchuzkyRecord>().ID.get());
        EXPECT_EQ(sch.as<SchuzkyRecord>().Popis.trimmed(), "AG - katalog");
        EXPECT_EQ(sch.as<SchuzkyRecord>().Datum.get(), 80000);
    }
    EXPECT_EQ(firms, (std::vector<int>{1, 2, 3}));
}

} // namespace
} // namespace zv::selections
