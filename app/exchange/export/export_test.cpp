#include "app/exchange/export/export.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <gtest/gtest.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        for (int id = 1; id <= 3; ++id) {
            add("Adresar", [&](access::RecordFile& f) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
                f.setMemo("Poznamka " + std::to_string(id));
            });
            add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(id); });
            for (int p = 1; p <= id; ++p)
                add("Osoby", [&](access::RecordFile& f) {
                    f.as<OsobyRecord>().REC.set(id * 10 + p);
                    f.as<OsobyRecord>().ID.set(id);
                    f.setMemo("Osoba " + std::to_string(p));
                });
        }
        add("Vybery", [](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(99); }); // gone
    }
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        auto& f = db.file(label);
        ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        fill(f);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
        services::standardRelease(f);
    }
    long rows(const char* label) {
        auto& f = db.file(label);
        if (f.open() != 0) return -1;
        const long n = f.records();
        (void)f.close();
        return n;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(ExportTest, FirmsTravelWithTheirPersonsNotesAndOneLogRecord) {
    ExportOptions o;
    o.file = "x.ems";
    o.creator = "Pepa";
    o.date = 80000;
    o.description = "Popis";
    {
        Exporter e(s, o);
        ASSERT_EQ(e.error(), 0);
        EXPECT_EQ(e.total(), 4);
        while (e.next()) {
        }
        const ExportCounts c = e.finish();
        EXPECT_EQ(c.entries, 4); // the firm that is gone is counted, not written
        EXPECT_EQ(c.firms, 3);
        EXPECT_EQ(c.persons, 6);
    }
    EXPECT_EQ(rows("ExpAdr"), 3);
    EXPECT_EQ(rows("ExpOso"), 6);
    EXPECT_EQ(rows("ExpLog"), 1);
    auto& adr = db.file("ExpAdr");
    ASSERT_EQ(adr.open(), 0);
    ASSERT_EQ(adr.setFile(), 0);
    ASSERT_EQ(adr.next(), 0);
    EXPECT_EQ(adr.memo(), "Poznamka 1"); // the note is not lost
    (void)adr.close();
    auto& log = db.file("ExpLog");
    ASSERT_EQ(log.open(), 0);
    ASSERT_EQ(log.setFile(), 0);
    ASSERT_EQ(log.next(), 0);
    EXPECT_EQ(log.as<ExpLogRecord>().ZAZNAMU.get(), 4);
    EXPECT_EQ(log.memo(), "Popis");
    (void)log.close();
}

TEST_F(ExportTest, AnExportEndedAfterAFirmIsCompleteAndASecondOneReplacesTheTables) {
    ExportOptions o;
    o.file = "x.ems";
    {
        Exporter e(s, o);
        ASSERT_TRUE(e.next());
        ASSERT_TRUE(e.next()); // a key pressed: the export ends after the current firm
        EXPECT_EQ(e.finish().entries, 2);
    }
    EXPECT_EQ(rows("ExpAdr"), 2);
    EXPECT_EQ(rows("ExpOso"), 3); // every person of the two firms
    {
        Exporter e(s, o);
        while (e.next()) {
        }
    }
    EXPECT_EQ(rows("ExpAdr"), 3);
    EXPECT_EQ(rows("ExpLog"), 1);
}

} // namespace
} // namespace zv::exchange
