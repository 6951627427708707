#include "app/exchange/import/csv_import.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

class CsvImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        ASSERT_EQ(db.file("Adresar").create(), 0);
        dir = std::filesystem::temp_directory_path() /
              ("zevlon_csv_import_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        add(7, "Pila Novák", "Brno", [](AdresarRecord& a) {
            a.TF1.set("541 000 111");
            a.DT_UPRAVY.set(80000);
        });
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void add(int id, const char* name, const char* town,
             const std::function<void(AdresarRecord&)>& more = {}) {
        ASSERT_EQ(services::testing::addRecord(s, db.file("Adresar"),
                                               [&](access::RecordFile& f) {
                                                   auto& a = f.as<AdresarRecord>();
                                                   a.ID.set(id);
                                                   a.FIRMA.set(cp1250::fromUtf8(name));
                                                   a.MESTO.set(cp1250::fromUtf8(town));
                                                   if (more) more(a);
                                               }),
                  0);
    }
    std::string write(const std::string& bytes) {
        const auto path = (dir / "in.csv").string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    ImportCounts import(const std::string& path, ImportMode mode) {
        CsvImporter i(s, path, readCsvPreview(path, 5).suggestedMapping(), mode);
        EXPECT_EQ(i.error(), 0);
        while (i.next()) {
        }
        return i.finish();
    }
    // The firm of that name and town, or a blank record.
    AdresarRecord firm(const char* name, const char* town, std::string* note = nullptr) {
        auto& f = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        f.as<AdresarRecord>().FIRMA.set(cp1250::fromUtf8(name));
        f.as<AdresarRecord>().MESTO.set(cp1250::fromUtf8(town));
        if (f.getByKey(f.keyNumber("ADR:BYFIRMA")) != 0) f.clearBuffer();
        if (note) *note = f.memo();
        const AdresarRecord r = f.as<AdresarRecord>();
        services::standardRelease(f);
        return r;
    }

    std::filesystem::path dir;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST(CsvTargetsTest, HeadingsNameTargetsByFieldNameOrCaptionEachOnce) {
    const std::vector<std::string> headings = {cp1250::fromUtf8("Název"),
                                               "FIRMA",
                                               cp1250::fromUtf8("město"),
                                               "adr:ico",
                                               "Firma",
                                               "POZNAMKA",
                                               "P3"};
    const auto m = csvMappingFromHeader(headings);
    ASSERT_EQ(m.size(), 7u);
    EXPECT_EQ(m[0], -1);
    EXPECT_EQ(csvTargets()[std::size_t(m[1])].field, "ADR:FIRMA");
    EXPECT_EQ(csvTargets()[std::size_t(m[2])].field, "ADR:MESTO");
    EXPECT_EQ(csvTargets()[std::size_t(m[3])].field, "ADR:ICO");
    EXPECT_EQ(m[4], -1); // FIRMA is taken already
    EXPECT_EQ(csvTargets()[std::size_t(m[5])].field, "ADR:POZNAMKA");
    EXPECT_EQ(csvTargets()[std::size_t(m[6])].caption, "Kategorie 3");
    EXPECT_EQ(csvTargetOf("Osoba"), csvTargetOf("JMENO1"));
    EXPECT_EQ(csvTargetOf("ID"), -1); // numbers are the book's own
}

TEST_F(CsvImportTest, NewFirmsTakeTheMappedFieldsAndFreeNumbers) {
    const std::string path =
        write("Firma;M\xC4\x9Bsto;I\xC4\x8CO;P2;DT_VLOZENI;Pozn\xC3\xA1mka;Nic\r\n"
              "\xC5\xA0koda s.r.o.;Plze\xC5\x88;12345678;ano;2024-03-15;\"prvn\xC3\xAD\n"
              "druh\xC3\xA1\";x\r\n"
              "Mlýn;Tábor;;0;15.3.2024;;\r\n"
              ";bez jména;;;;;\r\n");
    const ImportCounts c = import(path, ImportMode::Never);
    EXPECT_EQ(c.added, 2);
    EXPECT_EQ(c.skipped, 1); // a line without a firm name
    std::string note;
    const AdresarRecord a = firm("Škoda s.r.o.", "Plzeň", &note);
    EXPECT_EQ(a.ID.get(), 8); // after the book's last number
    EXPECT_EQ(a.ICO.trimmed(), "12345678");
    EXPECT_EQ(a.P2.get(), 1);
    EXPECT_EQ(a.TEXTY.get(), 1);
    EXPECT_EQ(a.DT_VLOZENI.get(), dates::dateFromParts(3, 15, 2024));
    EXPECT_EQ(note, cp1250::fromUtf8("první\r\ndruhá"));
    const AdresarRecord b = firm("Mlýn", "Tábor");
    EXPECT_EQ(b.ID.get(), 9);
    EXPECT_EQ(b.DT_VLOZENI.get(), dates::dateFromParts(3, 15, 2024));
}

TEST_F(CsvImportTest, TheFourModesTreatAFirmTheBookHasAsTheOtherImportsDo) {
    const std::string path = write("FIRMA,MESTO,TF1,FAX1,DT_UPRAVY\n"
                                   "PILA NOVÁK,Brno,999,777,2100-01-01\n");
    // Never: the firm is found by name and town in any letter case and left alone.
    EXPECT_EQ(import(path, ImportMode::Never).skipped, 1);
    EXPECT_EQ(firm("Pila Novák", "Brno").TF1.trimmed(), "541 000 111");
    // Fill: only the empty fax is filled.
    EXPECT_EQ(import(path, ImportMode::Fill).changed, 1);
    EXPECT_EQ(firm("Pila Novák", "Brno").TF1.trimmed(), "541 000 111");
    EXPECT_EQ(firm("Pila Novák", "Brno").FAX1.trimmed(), "777");
    // Newer: the line's date of change (no valid date: 0) is not later.
    EXPECT_EQ(import(path, ImportMode::Newer).skipped, 1);
    const std::string newer = write("FIRMA,MESTO,TF1,DT_UPRAVY\nPila Novák,Brno,555,1.1.2099\n");
    EXPECT_EQ(import(newer, ImportMode::Newer).changed, 1);
    EXPECT_EQ(firm("Pila Novák", "Brno").TF1.trimmed(), "555");
    // Always: the mapped fields replace the firm's; its number stays.
    const std::string always = write("FIRMA,MESTO,TF1\nPila Novák,Brno,123\n");
    EXPECT_EQ(import(always, ImportMode::Always).changed, 1);
    EXPECT_EQ(firm("Pila Novák", "Brno").TF1.trimmed(), "123");
    EXPECT_EQ(firm("Pila Novák", "Brno").ID.get(), 7);
    EXPECT_EQ(firm("Pila Novák", "Brno").FAX1.trimmed(), "777");
}

TEST_F(CsvImportTest, Windows1250WithoutAHeaderUsesTheMappingGiven) {
    const std::string path = write("\x8Akoda\tPlze\xF2\t" + std::string(60, 'x') + "\n");
    CsvMapping m;
    m.format = readCsvPreview(path, 1).format;
    EXPECT_EQ(m.format.encoding, CsvEncoding::Windows1250);
    m.header = false;
    m.targets = {csvTargetOf("FIRMA"), csvTargetOf("MESTO"), csvTargetOf("ULICE")};
    CsvImporter i(s, path, m, ImportMode::Never);
    EXPECT_EQ(i.total(), 1);
    while (i.next()) {
    }
    EXPECT_EQ(i.finish().added, 1);
    EXPECT_EQ(firm("Škoda", "Plzeň").ULICE.trimmed(), std::string(50, 'x')); // cut to its width
}

TEST_F(CsvImportTest, AFileThatIsNotThereIsAnErrorAndImportsNothing) {
    CsvImporter i(s, (dir / "none.csv").string(), CsvMapping{}, ImportMode::Never);
    EXPECT_NE(i.error(), 0);
    EXPECT_FALSE(i.next());
    EXPECT_FALSE(readCsvPreview((dir / "none.csv").string(), 3).read);
}

} // namespace
} // namespace zv::exchange
