#include "app/exchange/import/import.h"

#include "app/exchange/export/export.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"

#include <gtest/gtest.h>

#include <set>

namespace zv::exchange {
namespace {

using namespace zv::rec;

// Two "installations" on one in-memory disk: the export file is shared, the
// address books are not (their files have other names).
class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        // The exporting book: firms 1 and 2, each with two persons numbered 11, 12 / 21, 22.
        for (int id = 1; id <= 2; ++id) {
            add("Adresar", [&](access::RecordFile& f) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
                f.setMemo("Poznamka " + std::to_string(id));
            });
            add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(id); });
            for (int p = 1; p <= 2; ++p)
                add("Osoby", [&](access::RecordFile& f) {
                    f.as<OsobyRecord>().REC.set(id * 10 + p);
                    f.as<OsobyRecord>().ID.set(id);
                    f.as<OsobyRecord>().KONTAKT.set("Osoba " + std::to_string(id * 10 + p));
                });
        }
        {
            ExportOptions o;
            o.file = "x.ems";
            Exporter e(s, o);
            while (e.next()) {
            }
        }
        // The importing book: other firms already bear numbers 1 and 2, a person 11.
        for (const char* label : {"Adresar", "Osoby", "Schuzky"}) {
            db.file(label).setPhysicalName(std::string("other_") + label);
            ASSERT_EQ(db.file(label).create(), 0);
        }
        for (int id = 1; id <= 2; ++id)
            add("Adresar", [&](access::RecordFile& f) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set("Jina " + std::to_string(id));
            });
        add("Osoby", [](access::RecordFile& f) {
            f.as<OsobyRecord>().REC.set(11);
            f.as<OsobyRecord>().ID.set(1);
        });
    }
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(ImportTest, TakenFirmAndPersonNumbersGiveWayToFreeOnesAndNotesComeAlong) {
    Importer i(s, "x.ems", ImportMode::Never);
    ASSERT_EQ(i.error(), 0);
    while (i.next()) {
    }
    const ImportCounts c = i.finish();
    EXPECT_EQ(c.added, 2);
    EXPECT_EQ(c.persons, 4); // person 11 is not dropped: it takes a free number
    auto& adr = db.file("Adresar");
    ASSERT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
    std::set<int> ids;
    for (int rc = adr.setFile(); rc == 0 && adr.next() == 0;) {
        ids.insert(adr.as<AdresarRecord>().ID.get());
        if (adr.as<AdresarRecord>().FIRMA.trimmed() == "Firma 1") {
            EXPECT_EQ(adr.as<AdresarRecord>().ID.get(), 3); // the next free numbers, in turn
            EXPECT_EQ(adr.memo(), "Poznamka 1");
        }
    }
    EXPECT_EQ(ids, (std::set<int>{1, 2, 3, 4}));
    services::standardRelease(adr);
    auto& oso = db.file("Osoby");
    ASSERT_EQ(services::standardOpen(s, oso), services::OpenOutcome::Opened);
    std::set<int> numbers;
    int ofFirm3 = 0;
    for (int rc = oso.setFile(); rc == 0 && oso.next() == 0;) {
        numbers.insert(oso.as<OsobyRecord>().REC.get());
        ofFirm3 += oso.as<OsobyRecord>().ID.get() == 3;
    }
    EXPECT_EQ(numbers.size(), 5u); // the book's own person and four imported, each its own number
    EXPECT_EQ(ofFirm3, 2);
    services::standardRelease(oso);
}

TEST_F(ImportTest, TheExportsSummaryIsReadFromItsLog) {
    const ExportSummary summary = readExportSummary(s, "x.ems");
    EXPECT_TRUE(summary.found);
    EXPECT_EQ(summary.entries, 2);
    EXPECT_FALSE(readExportSummary(s, "nothing.ems").found);
}

} // namespace
} // namespace zv::exchange
