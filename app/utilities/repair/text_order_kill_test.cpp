// The rebuild into Czech order killed at random moments: every file keeps
// every record, is sound in the one order or the other (never keys of both),
// and a rebuild run to its end afterwards finishes the change.
#include "app/utilities/repair/text_order.h"

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
#include <sys/wait.h>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

using Book = testing::DemoBook;

// The records of every file with text keys.
std::map<std::string, std::string> everyFile(Book& b) {
    std::vector<std::string> labels;
    for (const FileOrder& o : fileOrders(b.db))
        labels.push_back(o.label);
    return b.records(labels);
}

TEST(TextOrderKillTest, AKilledRebuildLeavesEachFileWholeInOneOrder) {
    const fs::path dir =
        fs::temp_directory_path() / ("zevlon_order_kill_" + std::to_string(getpid()));
    const fs::path original = dir / "original";
    fs::create_directories(original);
    std::map<std::string, std::string> before;
    {
        Book b(original, false);
        std::string failed;
        ASSERT_EQ(b.fill(4000, &failed), 0) << failed;
        before = everyFile(b);
        ASSERT_GE(before.size(), 6u);
    }
    const auto convert = [](const fs::path& book) {
        storage::forgetOpenFilesAfterFork();
        Book b(book, true);
        (void)convertTextOrder(b.db);
    };
    // How long a whole rebuild takes here, so the kills fall while it works.
    const fs::path timed = dir / "timed";
    fs::copy(original, timed, fs::copy_options::recursive);
    const auto whole = zv::testing::timedInChild([&] { convert(timed); });
    ASSERT_TRUE(whole.has_value());
    std::mt19937 random(20261209);
    int interrupted = 0, halfway = 0;
    for (int trial = 0; trial < 6; ++trial) {
        const fs::path book = dir / ("book" + std::to_string(trial));
        fs::copy(original, book, fs::copy_options::recursive);
        const long span = std::max<long>(1, whole->count() * 9 / 10);
        const auto killed = zv::testing::killedWhileWorking(
            [&] { convert(book); }, std::chrono::milliseconds(random() % span));
        ASSERT_TRUE(killed.has_value());
        interrupted += *killed ? 1 : 0;

        Book b(book, true);
        EXPECT_EQ(everyFile(b), before) << "trial " << trial;
        int inCzech = 0;
        for (const FileOrder& o : fileOrders(b.db)) {
            EXPECT_TRUE(o.order == "CZ" || o.order == "BYTES") << o.label << " " << o.order;
            inCzech += o.order == "CZ";
            EXPECT_EQ(checkDataFile(b.db.file(o.label).physicalName()), "")
                << "trial " << trial << " " << o.label;
        }
        halfway += inCzech > 0 && inCzech < static_cast<int>(before.size());
        for (const FileRepair& r : convertTextOrder(b.db))
            EXPECT_TRUE(r.ok()) << "trial " << trial << " " << r.label << ": " << r.outcome();
        for (const FileOrder& o : fileOrders(b.db)) {
            EXPECT_EQ(o.order, "CZ") << o.label;
            auto& f = b.db.file(o.label);
            ASSERT_EQ(f.open(), 0) << o.label;
            EXPECT_EQ(testing::everyRecordFoundByEveryKey(f), "") << "trial " << trial << o.label;
            (void)f.close();
        }
        EXPECT_EQ(everyFile(b), before) << "trial " << trial;
    }
    EXPECT_GE(interrupted, 3);
    std::printf("%d of 6 kills met the rebuild at work, %d between two files\n", interrupted,
                halfway);
    fs::remove_all(dir);
}

} // namespace
} // namespace zv::utilities
