// The persons' file beside a CSV file of firms: how its lines are read, and how
// the import gives each person to its firm.
#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/csv_persons.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

const OsobyRecord& person(const CsvPerson& p) {
    return *reinterpret_cast<const OsobyRecord*>(p.record.data());
}

class CsvPersonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        ASSERT_EQ(db.file("Adresar").create(), 0);
        ASSERT_EQ(db.file("Osoby").create(), 0);
        dir = std::filesystem::temp_directory_path() /
              ("zevlon_csv_persons_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        // The book has firm 7 with person 3.
        add("Adresar", [](access::RecordFile& f) {
            f.as<AdresarRecord>().ID.set(7);
            f.as<AdresarRecord>().FIRMA.set(cp1250::fromUtf8("Pila Novák"));
            f.as<AdresarRecord>().MESTO.set("Brno");
        });
        add("Osoby", [](access::RecordFile& f) {
            f.as<OsobyRecord>().REC.set(3);
            f.as<OsobyRecord>().ID.set(7);
            f.as<OsobyRecord>().KONTAKT.set(cp1250::fromUtf8("Novák Jan"));
        });
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const auto path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    CsvPersonCounts import(const std::string& path, ImportMode mode, ImportCounts& counts) {
        CsvImporter i(s, path, readCsvPreview(path, 5).suggestedMapping(), mode);
        EXPECT_EQ(i.error(), 0);
        while (i.next()) {
        }
        counts = i.finish();
        return i.personCounts();
    }
    // The book's persons by name: their firm and number.
    std::map<std::string, std::pair<int, int>> persons() {
        std::map<std::string, std::pair<int, int>> out;
        auto& f = db.file("Osoby");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            out[cp1250::toUtf8(std::string(f.as<OsobyRecord>().KONTAKT.trimmed()))] = {
                f.as<OsobyRecord>().ID.get(), f.as<OsobyRecord>().REC.get()};
        services::standardRelease(f);
        return out;
    }
    int firmNumber(const char* name) {
        auto& f = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        int id = 0;
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            if (f.as<AdresarRecord>().FIRMA.trimmed() == cp1250::fromUtf8(name))
                id = f.as<AdresarRecord>().ID.get();
        services::standardRelease(f);
        return id;
    }

    std::filesystem::path dir;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST(CsvPersonFieldTest, HeadingsNameFieldsWithOrWithoutPrefixOrByCaption) {
    EXPECT_EQ(csvPersonField("KONTAKT"), "OSO:KONTAKT");
    EXPECT_EQ(csvPersonField("oso:e_mail"), "OSO:E_MAIL");
    EXPECT_EQ(csvPersonField(cp1250::fromUtf8("Tel. - domů:")), "OSO:TFD");
    EXPECT_EQ(csvPersonField("Mobil"), "OSO:TFM");
    EXPECT_EQ(csvPersonField("POZN"), "OSO:POZN");
    EXPECT_EQ(csvPersonField(cp1250::fromUtf8("Poznámka")), "OSO:POZN");
    EXPECT_EQ(csvPersonField("ID"), "OSO:ID");
    EXPECT_EQ(csvPersonField("Nic"), "");
    EXPECT_EQ(csvPersonField(""), "");
}

TEST_F(CsvPersonsTest, LinesAreReadIntoPersonsAndDamagedOnesCounted) {
    const std::string path =
        write("p_osoby.csv", "REC,ID,KONTAKT,VYROCI,NAROZENINY,SVATEK,Nic,POZN\r\n"
                             "5,7,\"Nov\xC3\xA1, Eva\",ano,2001-12-24,24.12,x,\"a\nb\"\r\n"
                             "\r\n"
                             ",8,Bez \xC4\x8D\xC3\xADsla,0,,,,\r\n"
                             "6,,Bez firmy,,,,,\r\n"
                             "x,8,\xC5\xA0patn\xC3\xA9 \xC4\x8D\xC3\xADslo,,,,,\r\n"
                             "7,8,M\xC3\xA1lo sloupc\xC5\xAF\r\n"
                             "8,8,\"Neuzav\xC5\x99\xC3\xA9n\xC3\xA1,,,,,,\r\n");
    int error = -1;
    const CsvPersons p = readCsvPersons(path, error);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(p.lines, 6); // the blank line is none
    EXPECT_EQ(p.malformed, 4);
    ASSERT_EQ(p.persons.size(), 2u);
    const OsobyRecord& eva = person(p.persons[0]);
    EXPECT_EQ(eva.REC.get(), 5);
    EXPECT_EQ(eva.ID.get(), 7);
    EXPECT_EQ(eva.KONTAKT.trimmed(), cp1250::fromUtf8("Nová, Eva"));
    EXPECT_EQ(eva.VYROCI.get(), 1);
    EXPECT_EQ(eva.NAROZENINY.get(), dates::dateFromParts(12, 24, 2001));
    EXPECT_EQ(eva.SVATEK.trimmed(), "24.12");
    EXPECT_EQ(eva.FUNKCE.trimmed(), ""); // no column: blank
    EXPECT_EQ(p.persons[0].note, "a\r\nb");
    EXPECT_EQ(person(p.persons[1]).REC.get(), 0); // no number of its own: the next free one
    EXPECT_EQ(person(p.persons[1]).ID.get(), 8);
}

TEST_F(CsvPersonsTest, AFileWithoutTheFirmsNumberColumnHasOnlyDamagedLines) {
    int error = -1;
    const CsvPersons p =
        readCsvPersons(write("q_osoby.csv", "KONTAKT;FUNKCE\nNov\xC3\xA1;\nNov\xC3\xBD;\n"), error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(p.lines, 2);
    EXPECT_EQ(p.malformed, 2);
    EXPECT_TRUE(p.persons.empty());
}

TEST_F(CsvPersonsTest, PersonsGoToTheNumbersTheirFirmsGotAndTakenNumbersGiveWay) {
    const std::string firms = write("in.csv", "ID,FIRMA,MESTO\r\n"
                                              "7,\xC5\xA0koda,Plze\xC5\x88\r\n"
                                              "3,Ml\xC3\xBDn,T\xC3\xA1"
                                              "bor\r\n");
    write("in_osoby.csv", "REC,ID,KONTAKT\r\n"
                          "3,7,Prvn\xC3\xAD\r\n" // number 3 is the book's: another one
                          "4,7,Druh\xC3\xBD\r\n"
                          "9,3,T\xC5\x99\x65t\xC3\xAD\r\n"
                          "10,55,Ciz\xC3\xAD\r\n"); // firm 55 is not in the file
    ImportCounts c;
    const CsvPersonCounts pc = import(firms, ImportMode::Never, c);
    EXPECT_EQ(c.added, 2);
    EXPECT_EQ(c.persons, 3);
    EXPECT_EQ(pc.lines, 4);
    EXPECT_EQ(pc.withoutFirm, 1);
    EXPECT_EQ(pc.leftOut, 0);
    EXPECT_EQ(pc.malformed, 0);
    EXPECT_EQ(std::filesystem::path(pc.file).filename(), "in_osoby.csv");
    const int skoda = firmNumber("Škoda"), mlyn = firmNumber("Mlýn");
    EXPECT_EQ(skoda, 8);
    EXPECT_EQ(mlyn, 9);
    const auto p = persons();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p.at("První"), std::make_pair(skoda, 4)); // after the book's last number
    EXPECT_EQ(p.at("Druhý"), std::make_pair(skoda, 5)); // its own went to "První"
    EXPECT_EQ(p.at("Třetí"), std::make_pair(mlyn, 9));
    EXPECT_EQ(p.at("Novák Jan"), std::make_pair(7, 3)); // the book's own stays
}

TEST_F(CsvPersonsTest, WithoutAPersonsFileOnlyFirmsComeIn) {
    const std::string firms = write("solo.csv", "ID,FIRMA,MESTO\r\n1,Nov\xC3\xA1,Brno\r\n");
    ImportCounts c;
    const CsvPersonCounts pc = import(firms, ImportMode::Never, c);
    EXPECT_EQ(c.added, 1);
    EXPECT_EQ(c.persons, 0);
    EXPECT_TRUE(pc.file.empty());
    EXPECT_EQ(persons().size(), 1u);
}

TEST_F(CsvPersonsTest, TheModesCarryPersonsOverAsTheNativeImportDoes) {
    const std::string firms = write("m.csv", "ID,FIRMA,MESTO\r\n"
                                             "1,PILA NOV\xC3\x81K,Brno\r\n" // the book's firm 7
                                             "2,Nov\xC3\xA1,Jihlava\r\n");
    write("m_osoby.csv", "REC,ID,KONTAKT\r\n"
                         "20,1,Nov\xC3\xA1k Jan\r\n" // firm 7 has him already
                         "21,1,Nov\xC3\xA1k Petr\r\n"
                         "22,2,Hor\xC3\xA1k Ivo\r\n");
    ImportCounts c;
    // Overwriting: firms change or come in, their persons do not.
    CsvPersonCounts pc = import(firms, ImportMode::Always, c);
    EXPECT_EQ(c.changed, 1);
    EXPECT_EQ(c.added, 1);
    EXPECT_EQ(c.persons, 0);
    EXPECT_EQ(pc.leftOut, 3);
    // Never: the firm the book has is left out with its persons.
    pc = import(firms, ImportMode::Never, c);
    EXPECT_EQ(c.skipped, 2);
    EXPECT_EQ(pc.leftOut, 3);
    // Fill: the persons firm 7 has not got by name.
    pc = import(firms, ImportMode::Fill, c);
    EXPECT_EQ(c.persons, 2);
    EXPECT_EQ(pc.leftOut, 1);
    const auto p = persons();
    EXPECT_EQ(p.at("Novák Petr").first, 7);
    EXPECT_EQ(p.at("Horák Ivo").first, firmNumber("Nová"));
    EXPECT_EQ(p.size(), 3u);
}

TEST_F(CsvPersonsTest, TheFirstLineOfANumberTakesItsPersons) {
    const std::string firms = write("d.csv", "ID,FIRMA,MESTO\r\n"
                                             "4,Prvn\xC3\xAD,Brno\r\n"
                                             "4,Druh\xC3\xA1,Brno\r\n"
                                             ",Bez \xC4\x8D\xC3\xADsla,Brno\r\n");
    write("d_osoby.csv", "REC,ID,KONTAKT\r\n30,4,Jedin\xC3\xA1\r\n");
    ImportCounts c;
    const CsvPersonCounts pc = import(firms, ImportMode::Never, c);
    EXPECT_EQ(c.added, 3);
    EXPECT_EQ(c.persons, 1);
    EXPECT_EQ(pc.withoutFirm + pc.leftOut + pc.malformed, 0);
    EXPECT_EQ(persons().at("Jediná").first, firmNumber("První"));
}

TEST_F(CsvPersonsTest, APersonsFileThatCannotBeReadStopsTheImportBeforeAnyWrite) {
    const std::string firms = write("e.csv", "ID,FIRMA,MESTO\r\n1,Nov\xC3\xA1,Brno\r\n");
    std::filesystem::create_directories(dir / "e_osoby.csv");
    CsvMapping m;
    m.format = readCsvPreview(firms, 1).format;
    m.targets = readCsvPreview(firms, 1).suggested;
    CsvImporter i(s, firms, m, ImportMode::Never);
    EXPECT_NE(i.error(), 0);
    EXPECT_EQ(i.failedFile(), (dir / "e_osoby.csv").string());
    EXPECT_FALSE(i.next());
    EXPECT_EQ(i.finish().added, 0);
    EXPECT_EQ(firmNumber("Nová"), 0);
}

} // namespace
} // namespace zv::exchange
