#include "app/exchange/export/export.h"

#include "app/exchange/export/csv_export.h"
#include "app/exchange/export/vcard.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
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

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

long count(const std::string& text, std::string_view what) {
    long n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST_F(ExportTest, VcardsCarryEveryFirmFollowedByItsPersons) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zevlon_export_" + std::to_string(getpid()) + ".vcf");
    ExportOptions o;
    o.format = ExportFormat::Vcard;
    o.file = path.string();
    {
        Exporter e(s, o);
        ASSERT_EQ(e.error(), 0);
        while (e.next()) {
        }
        const ExportCounts c = e.finish();
        EXPECT_EQ(c.firms, 3);
        EXPECT_EQ(c.persons, 6);
        EXPECT_EQ(e.error(), 0);
    }
    const std::string text = slurp(path.string());
    EXPECT_EQ(count(text, "BEGIN:VCARD\r\nVERSION:3.0\r\n"), 9);
    EXPECT_EQ(count(text, "END:VCARD\r\n"), 9);
    EXPECT_NE(text.find("ORG:Firma 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("NOTE:Poznamka 3\r\n"), std::string::npos);
    EXPECT_EQ(count(text, "ORG:Firma 3\r\n"), 4); // the firm's card and its three persons'
    EXPECT_TRUE(mayOverwriteAsExport(path.string(), ExportFormat::Vcard));
    EXPECT_FALSE(mayOverwriteAsExport(path.string(), ExportFormat::Csv));
    std::filesystem::remove(path);
}

TEST_F(ExportTest, CsvPutsTheFirmsInTheFileAndThePersonsBesideIt) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zevlon_export_" + std::to_string(getpid()) + ".csv");
    ExportOptions o;
    o.format = ExportFormat::Csv;
    o.file = path.string();
    {
        Exporter e(s, o);
        while (e.next()) {
        }
        EXPECT_EQ(e.finish().persons, 6);
    }
    const std::string firms = slurp(path.string());
    const std::string persons = slurp(personsCsvName(path.string()));
    EXPECT_TRUE(firms.starts_with("ID,FIRMA,ULICE,PSC,MESTO,STAT,ICO,DIC,P1,P1TXT,P2,"));
    EXPECT_EQ(count(firms, "\r\n"), 4);
    EXPECT_NE(firms.find("\r\n2,Firma 2,,"), std::string::npos);
    EXPECT_TRUE(firms.ends_with(",Poznamka 3\r\n"));
    EXPECT_TRUE(persons.starts_with("REC,ID,KONTAKT,FUNKCE,"));
    EXPECT_EQ(count(persons, "\r\n"), 7);
    EXPECT_TRUE(mayOverwriteAsExport(path.string(), ExportFormat::Csv));
    std::filesystem::remove(path);
    std::filesystem::remove(personsCsvName(path.string()));
}

TEST(VcardTest, ValuesAreEscapedAndLongLinesFoldedBetweenCharacters) {
    EXPECT_EQ(vcardEscaped("a,b;c\\d\r\ne\nf"), "a\\,b\\;c\\\\d\\ne\\nf");
    const std::string line = "NOTE:" + std::string(69, 'x') + "\xC5\xBE" + std::string(80, 'y');
    const std::string folded = vcardFolded(line);
    // The two bytes of "ž" would straddle byte 75: the line breaks before them.
    EXPECT_EQ(folded.substr(0, 76), "NOTE:" + std::string(69, 'x') + "\r\n");
    EXPECT_EQ(folded.substr(76, 3), " \xC5\xBE");
    std::string unfolded = folded;
    for (auto at = unfolded.find("\r\n "); at != std::string::npos; at = unfolded.find("\r\n "))
        unfolded.erase(at, 3);
    EXPECT_EQ(unfolded, line + "\r\n");
    for (std::size_t at = 0, end; (end = folded.find("\r\n", at)) != std::string::npos;
         at = end + 2)
        EXPECT_LE(end - at, 75u);
}

TEST(VcardTest, APersonsCardSplitsSurnameAndGivenNamesAndDatesItsBirthday) {
    OsobyRecord p;
    std::memset(&p, ' ', sizeof p);
    p.REC.set(5);
    p.NAROZENINY.set(dates::dateFromParts(5, 19, 1998));
    p.KONTAKT.set(cp1250::fromUtf8("Novák Jan Petr"));
    p.FUNKCE.set(cp1250::fromUtf8("Ředitel, jednatel"));
    const std::string card = personVcard(p, "", cp1250::fromUtf8("Pila; a syn"));
    EXPECT_NE(card.find("N:Novák;Jan Petr;;;\r\n"), std::string::npos);
    EXPECT_NE(card.find("FN:Jan Petr Novák\r\n"), std::string::npos);
    EXPECT_NE(card.find("ORG:Pila\\; a syn\r\n"), std::string::npos);
    EXPECT_NE(card.find("BDAY:1998-05-19\r\n"), std::string::npos);
    EXPECT_EQ(card.find("EMAIL"), std::string::npos); // nothing for empty fields
}

TEST(CsvExportTest, FieldsAreQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(csvField("plain text"), "plain text");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(personsCsvName("/a.b/firmy.csv"), "/a.b/firmy_osoby.csv");
    EXPECT_EQ(personsCsvName("/a.b/firmy"), "/a.b/firmy_osoby.csv");
}

} // namespace
} // namespace zv::exchange
