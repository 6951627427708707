// The key repair killed at random moments, on the program's data files with
// damaged keys: every file opens again with every record and memo it had, and
// a repair run to its end afterwards leaves every file sound.
#include "app/utilities/repair/key_repair.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/utilities/repair/file_check.h"
#include "app/utilities/repair/testing/demo_book.h"
#include "app/utilities/repair/testing/key_damage.h"
#include "platform/dates/standard_date.h"
#include "platform/testing/killed_child.h"
#include "storage/quarto_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

using Book = testing::DemoBook;

std::map<std::string, std::string> everyFile(Book& b) {
    return b.records(repairedFiles());
}

TEST(KeyRepairKillTest, AKilledRepairLeavesEveryRecordAndARepairableFile) {
    const fs::path dir =
        fs::temp_directory_path() / ("zevlon_repair_kill_" + std::to_string(getpid()));
    const fs::path original = dir / "original";
    fs::create_directories(original);
    std::map<std::string, std::string> before;
    {
        Book b(original);
        std::string failed;
        ASSERT_EQ(b.fill(4000, &failed), 0) << failed;
        ASSERT_EQ(b.db.file("AktVyber").create(), 0);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "UKOLY"}) {
            const std::string name = b.db.file(label).physicalName();
            ASSERT_GT(testing::removeKeyEntries(name, 0, 2), 0) << label;
            ASSERT_GT(testing::removeKeyEntries(name, 1), 0) << label;
        }
        ASSERT_NE(checkDataFile(b.db.file("Adresar").physicalName()), "");
        before = everyFile(b);
    }
    // How long a whole repair takes here, so the kills fall while it works
    // whatever the speed of the machine.
    const fs::path timed = dir / "timed";
    fs::copy(original, timed, fs::copy_options::recursive);
    const auto whole = zv::testing::timedInChild([&] {
        storage::forgetOpenFilesAfterFork();
        Book b(timed);
        (void)repairKeys(b.db);
    });
    ASSERT_TRUE(whole.has_value());
    std::mt19937 random(20261210);
    int interrupted = 0;
    for (int trial = 0; trial < 6; ++trial) {
        const fs::path book = dir / ("book" + std::to_string(trial));
        fs::copy(original, book, fs::copy_options::recursive);
        const long span = std::max<long>(1, whole->count() * 9 / 10);
        const auto killed = zv::testing::killedWhileWorking(
            [&] {
                storage::forgetOpenFilesAfterFork();
                Book b(book);
                (void)repairKeys(b.db);
            },
            std::chrono::milliseconds(random() % span));
        ASSERT_TRUE(killed.has_value());
        interrupted += *killed ? 1 : 0;

        Book b(book);
        EXPECT_EQ(everyFile(b), before) << "trial " << trial;
        for (const FileRepair& r : repairKeys(b.db))
            EXPECT_TRUE(r.ok()) << "trial " << trial << " " << r.label << ": " << r.outcome();
        for (std::string_view label : repairedFiles()) {
            auto& f = b.db.file(label);
            ASSERT_EQ(f.open(), 0) << label;
            EXPECT_EQ(testing::everyRecordFoundByEveryKey(f), "") << "trial " << trial << label;
            (void)f.close();
        }
        EXPECT_EQ(everyFile(b), before) << "trial " << trial;
    }
    // Most kills met the repair at work (they fall within the time a whole repair takes).
    EXPECT_GE(interrupted, 3);
    fs::remove_all(dir);
}

} // namespace
} // namespace zv::utilities
