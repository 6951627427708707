// A CSV import killed at random moments, on the program's data files: the
// address book opens again and holds whole batches of firms, each once and
// each with all its persons from the persons' file beside.
#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/mapped_firm.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "platform/testing/killed_child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

constexpr int kFirms = 3000;

struct Book {
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    explicit Book(const std::filesystem::path& dir) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
    }
};

// Firm i has i % 3 persons, "Osoba i/1" and so on.
int personsOf(int firm) {
    return firm % 3;
}

TEST(CsvImportKillTest, AKilledImportLeavesWholeBatchesOfFirmsWithTheirPersons) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zevlon_csv_import_kill_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "firmy.csv").string();
    {
        std::ofstream out(file, std::ios::binary);
        out << "ID;FIRMA;MESTO;ULICE;TF1;POZNAMKA\r\n";
        for (int i = 1; i <= kFirms; ++i)
            out << i << ";Firma " << i << ";Praha;Dlouhá " << i << ";" << 100000 + i
                << ";\"řádek\r\n"
                << i << "\"\r\n";
        std::ofstream persons(dir / "firmy_osoby.csv", std::ios::binary);
        persons << "REC;ID;KONTAKT;POZN\r\n";
        for (int i = 1; i <= kFirms; ++i)
            for (int k = 1; k <= personsOf(i); ++k)
                persons << ";" << i << ";Osoba " << i << "/" << k << ";\"řádek\r\n"
                        << k << "\"\r\n";
    }
    const CsvMapping mapping = readCsvPreview(file, 1).suggestedMapping();
    std::mt19937 random(20261210);
    for (int trial = 0; trial < 8; ++trial) {
        const auto book = dir / ("book" + std::to_string(trial));
        std::filesystem::create_directories(book);
        const auto killed = zv::testing::killedWhileWorking(
            [&] {
                Book b(book);
                CsvImporter i(b.s, file, mapping, ImportMode::Never);
                while (i.next()) {
                }
                (void)i.finish();
            },
            std::chrono::milliseconds(50 + random() % 500));
        ASSERT_TRUE(killed.has_value());

        Book b(book);
        auto& adr = b.db.file("Adresar");
        ASSERT_EQ(services::standardOpen(b.s, adr), services::OpenOutcome::Opened);
        std::set<std::string> names;
        std::map<int, int> lineOf; // a firm's number in the book: its line in the file
        for (int rc = adr.setFile(); rc == 0 && adr.next() == 0;) {
            const std::string name(adr.as<AdresarRecord>().FIRMA.trimmed());
            EXPECT_TRUE(names.insert(name).second) << name << ", trial " << trial;
            EXPECT_EQ(adr.memo().substr(0, 7), cp1250::fromUtf8("řádek\r\n")) << name;
            lineOf[adr.as<AdresarRecord>().ID.get()] = std::stoi(name.substr(6));
        }
        services::standardRelease(adr);
        EXPECT_TRUE(names.size() % MappedFirmWriter::kRowsPerWriteOut == 0 ||
                    names.size() == kFirms)
            << names.size() << " firms, trial " << trial;

        // Every person with its firm, and every firm with all its persons.
        std::map<int, int> persons; // by the firm's line
        auto& oso = b.db.file("Osoby");
        ASSERT_EQ(services::standardOpen(b.s, oso), services::OpenOutcome::Opened);
        for (int rc = oso.setFile(); rc == 0 && oso.next() == 0;) {
            const auto firm = lineOf.find(oso.as<OsobyRecord>().ID.get());
            ASSERT_NE(firm, lineOf.end()) << "a person without its firm, trial " << trial;
            const std::string name(oso.as<OsobyRecord>().KONTAKT.trimmed());
            EXPECT_EQ(name.substr(0, name.find('/')), "Osoba " + std::to_string(firm->second))
                << "trial " << trial;
            EXPECT_EQ(oso.memo().substr(0, 7), cp1250::fromUtf8("řádek\r\n")) << name;
            ++persons[firm->second];
        }
        services::standardRelease(oso);
        for (const auto& [number, line] : lineOf)
            EXPECT_EQ(persons[line], personsOf(line)) << "firm " << line << ", trial " << trial;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zv::exchange
