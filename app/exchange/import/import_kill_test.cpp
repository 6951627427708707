// An import killed at random moments, on the program's data files: the address
// book opens again and holds whole batches of firms, every person and meeting
// under a firm that is there.
#include "app/exchange/export/export.h"
#include "app/exchange/import/import.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/standard_date.h"
#include "platform/testing/killed_child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;

struct Book {
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    explicit Book(const std::filesystem::path& dir) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
        db.file("Vybery").setPhysicalName((dir / "VYBER").string());
    }
};

TEST(ImportKillTest, AKilledImportLeavesWholeFirmsWithTheirPersonsAndMeetings) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("zevlon_import_kill_" + std::to_string(getpid()));
    const auto from = dir / "from";
    std::filesystem::create_directories(from);
    const std::string file = (dir / "x.ems").string();
    {
        Book b(from);
        demo::DemoOptions options;
        options.firms = 2000;
        options.today = dates::today();
        std::string failed;
        ASSERT_EQ(demo::createDemoData(b.db, options, &failed), 0) << failed;
        auto& v = b.db.file("Vybery");
        ASSERT_EQ(v.create(), 0);
        ASSERT_EQ(v.open(), 0);
        for (int id = 1; id <= 2000; ++id) {
            v.clearBuffer();
            v.as<VyberyRecord>().ID.set(id);
            v.clearCurrent();
            ASSERT_EQ(v.add(), 0);
        }
        (void)v.close();
        ExportOptions o;
        o.file = file;
        Exporter e(b.s, o);
        while (e.next()) {
        }
    }
    std::mt19937 random(20261209);
    for (int trial = 0; trial < 8; ++trial) {
        const auto book = dir / ("book" + std::to_string(trial));
        std::filesystem::create_directories(book);
        const auto killed = zv::testing::killedWhileWorking(
            [&] {
                Book b(book);
                Importer i(b.s, file, ImportMode::Never);
                while (i.next()) {
                }
                (void)i.finish();
            },
            std::chrono::milliseconds(50 + random() % 600));
        ASSERT_TRUE(killed.has_value());

        Book b(book);
        std::set<int> firms;
        for (const char* label : {"Adresar", "Osoby", "Schuzky"}) {
            auto& f = b.db.file(label);
            if (services::standardOpen(b.s, f) != services::OpenOutcome::Opened) continue;
            for (int rc = f.setFile(); rc == 0 && f.next() == 0;) {
                if (std::string(label) == "Adresar")
                    firms.insert(f.as<AdresarRecord>().ID.get());
                else if (std::string(label) == "Osoby")
                    EXPECT_TRUE(firms.count(f.as<OsobyRecord>().ID.get())) << "trial " << trial;
                else
                    EXPECT_TRUE(firms.count(f.as<SchuzkyRecord>().ID.get())) << "trial " << trial;
            }
            services::standardRelease(f);
        }
        // Firms are written in batches of a hundred with their persons and meetings.
        EXPECT_TRUE(firms.size() % 100 == 0 || firms.size() == 2000)
            << firms.size() << " firms, trial " << trial;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zv::exchange
