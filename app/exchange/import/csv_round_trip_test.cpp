// The CSV export read back by the CSV import: every firm of the demo book and
// every person with its firm, field by field.
#include "app/exchange/export/export.h"
#include "app/exchange/import/csv_import.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

constexpr int kFirms = 60;

std::string trimmedRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

struct Person {
    std::string firm;                // name and town of its firm
    std::vector<std::string> fields; // the texts of its fields but its firm's number
    std::string note;
    bool operator==(const Person&) const = default;
};

class CsvRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        dir = std::filesystem::temp_directory_path() /
              ("zevlon_csv_round_trip_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The book's persons by their number.
    std::map<int, Person> persons() {
        std::map<int, std::string> firms;
        auto& adr = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
        for (int rc = adr.setFile(); rc == 0 && adr.next() == 0;)
            firms[adr.as<AdresarRecord>().ID.get()] =
                std::string(adr.as<AdresarRecord>().FIRMA.trimmed()) + "|" +
                std::string(adr.as<AdresarRecord>().MESTO.trimmed());
        services::standardRelease(adr);
        std::map<int, Person> out;
        auto& oso = db.file("Osoby");
        EXPECT_EQ(services::standardOpen(s, oso), services::OpenOutcome::Opened);
        for (int rc = oso.setFile(); rc == 0 && oso.next() == 0;) {
            Person p;
            p.firm = firms[oso.as<OsobyRecord>().ID.get()];
            for (const auto& field : oso.def().layout->fields)
                if (field.member != "ID") p.fields.push_back(dict::fieldText(field, oso.record()));
            p.note = trimmedRight(oso.memo());
            out[oso.as<OsobyRecord>().REC.get()] = p;
        }
        services::standardRelease(oso);
        return out;
    }

    std::filesystem::path dir;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(CsvRoundTripTest, EveryPersonComesBackWithItsFirmFieldByField) {
    demo::DemoOptions options;
    options.firms = kFirms;
    options.seed = 11;
    std::string failed;
    ASSERT_EQ(demo::createDemoData(db, options, &failed), 0) << failed;
    // Notes that need quoting, on every third person.
    auto& oso = db.file("Osoby");
    ASSERT_EQ(services::standardOpen(s, oso), services::OpenOutcome::Opened);
    for (int rc = oso.setFile(), n = 0; rc == 0 && oso.next() == 0; ++n)
        if (n % 3 == 0) {
            oso.setMemo("Pozn. " + std::to_string(n) + ", \"uvozovky\"\r\ndruhy radek");
            ASSERT_EQ(oso.put(), 0);
        }
    services::standardRelease(oso);
    auto& v = db.file("Vybery");
    ASSERT_EQ(services::standardOpen(s, v), services::OpenOutcome::Opened);
    for (int id = 1; id <= kFirms; ++id) {
        v.clearBuffer();
        v.as<VyberyRecord>().ID.set(id);
        v.clearCurrent();
        ASSERT_EQ(v.add(), 0);
    }
    services::standardRelease(v);
    const std::string file = (dir / "x.csv").string();
    {
        ExportOptions o;
        o.format = ExportFormat::Csv;
        o.file = file;
        Exporter e(s, o);
        ASSERT_EQ(e.error(), 0);
        while (e.next()) {
        }
        ASSERT_EQ(e.finish().firms, kFirms);
    }
    const std::map<int, Person> before = persons();
    ASSERT_GT(before.size(), std::size_t(kFirms));

    // Into an empty book whose firm numbers are taken by others: all firms get new ones.
    for (const char* label : {"Adresar", "Osoby"}) {
        db.file(label).setPhysicalName(std::string("other_") + label);
        ASSERT_EQ(db.file(label).create(), 0);
    }
    auto& adr = db.file("Adresar");
    ASSERT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
    for (int id = 1; id <= kFirms; ++id) {
        adr.clearBuffer();
        adr.as<AdresarRecord>().ID.set(id);
        adr.as<AdresarRecord>().FIRMA.set("Jina " + std::to_string(id));
        adr.clearCurrent();
        ASSERT_EQ(adr.add(), 0);
    }
    services::standardRelease(adr);
    CsvImporter i(s, file, readCsvPreview(file, 1).suggestedMapping(), ImportMode::Never);
    ASSERT_EQ(i.error(), 0);
    while (i.next()) {
    }
    const ImportCounts c = i.finish();
    EXPECT_EQ(c.added, kFirms);
    EXPECT_EQ(c.persons, long(before.size()));
    EXPECT_EQ(i.personCounts().lines, long(before.size()));
    EXPECT_EQ(i.personCounts().leftOut + i.personCounts().withoutFirm + i.personCounts().malformed,
              0);

    const std::map<int, Person> after = persons();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [number, p] : before) {
        ASSERT_TRUE(after.count(number)) << "person " << number;
        EXPECT_EQ(after.at(number).firm, p.firm) << "person " << number;
        EXPECT_EQ(after.at(number).fields, p.fields) << "person " << number;
        EXPECT_EQ(after.at(number).note, p.note) << "person " << number;
    }
}

} // namespace
} // namespace zv::exchange
