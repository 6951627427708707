#include "app/utilities/repair/key_repair.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/utilities/repair/file_check.h"
#include "app/utilities/repair/testing/demo_book.h"
#include "app/utilities/repair/testing/key_damage.h"
#include "platform/dates/standard_date.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

// The demo's address book in a directory of its own, the working selection in it too.
class KeyRepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string failed;
        ASSERT_EQ(book_.fill(150, &failed), 0) << failed;
        ASSERT_EQ(db.file("AktVyber").create(), 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string name(std::string_view label) { return db.file(label).physicalName(); }

    fs::path dir_ =
        testing::freshDirectory(std::string("zv_repair_") +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    testing::DemoBook book_{dir_};
    access::Database& db = book_.db;
};

TEST_F(KeyRepairTest, TheTenFilesAreRebuiltInTheirOrder) {
    std::vector<std::string> shown;
    const auto results =
        repairKeys(db, [&](const std::string& physical) { shown.push_back(physical); });
    const std::vector<std::string> order = {
        name("Adresar"),  name("Osoby"), name("Kategorie"), name("Schuzky"),  name("Vybery"),
        name("UlVybery"), name("Vtipy"), name("Label"),     name("AktVyber"), name("UKOLY")};
    EXPECT_EQ(shown, order);
    ASSERT_EQ(results.size(), 10u);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].name, order[i]);
        EXPECT_TRUE(results[i].ok()) << results[i].label << ": " << results[i].outcome();
        EXPECT_EQ(results[i].outcome(), "ok");
    }
    EXPECT_EQ(results[0].baseName(), "ADRESAR");
    EXPECT_EQ(results[4].baseName(), "VYBER");
}

TEST_F(KeyRepairTest, KeysRemovedBehindTheDriversBackAreWholeAgain) {
    ASSERT_GT(testing::removeKeyEntries(name("Adresar"), 0), 100);
    ASSERT_GT(testing::removeKeyEntries(name("Adresar"), 1, 3), 10);
    ASSERT_GT(testing::removeKeyEntries(name("Osoby"), 0, 2), 10);
    ASSERT_GT(testing::removeKeyEntries(name("Schuzky"), 1), 10);
    EXPECT_NE(checkDataFile(name("Adresar")), "");
    EXPECT_NE(checkDataFile(name("Osoby")), "");
    std::map<std::string, std::string> before;
    for (std::string_view label : repairedFiles()) {
        ASSERT_EQ(db.file(label).open(), 0) << label;
        before[std::string(label)] = testing::recordsInFileOrder(db.file(label));
        (void)db.file(label).close();
    }
    for (const char* label : {"Adresar", "Osoby", "Schuzky"}) {
        ASSERT_EQ(db.file(label).open(), 0);
        EXPECT_NE(testing::everyRecordFoundByEveryKey(db.file(label)), "") << label;
        (void)db.file(label).close();
    }

    for (const FileRepair& r : repairKeys(db))
        EXPECT_TRUE(r.ok()) << r.label << ": " << r.outcome();

    for (std::string_view label : repairedFiles()) {
        EXPECT_EQ(checkDataFile(name(label)), "") << label;
        auto& f = db.file(label);
        ASSERT_EQ(f.open(), 0) << label;
        EXPECT_EQ(testing::recordsInFileOrder(f), before[std::string(label)]) << label;
        EXPECT_EQ(testing::everyRecordFoundByEveryKey(f), "") << label;
        (void)f.close();
    }
}

TEST_F(KeyRepairTest, AFileInUseIsOpenAgainForItsUsers) {
    auto& adresar = db.file("Adresar");
    ASSERT_EQ(adresar.open(), 0);
    adresar.addUser();
    const auto results = repairKeys(db);
    EXPECT_TRUE(results[0].ok()) << results[0].outcome();
    EXPECT_TRUE(adresar.isOpen());
    EXPECT_EQ(adresar.users(), 1);
    EXPECT_EQ(adresar.setFile(), 0);
    EXPECT_EQ(adresar.next(), 0);
    // Files nobody used are left closed.
    EXPECT_FALSE(db.file("Osoby").isOpen());
}

TEST_F(KeyRepairTest, AnAbsentOrForeignFileIsReportedAndTheOthersAreRebuilt) {
    fs::remove(dir_ / "VYB0001.QTF");
    std::ofstream(dir_ / "VTIPY.QTF", std::ios::trunc) << std::string(2000, 'j');
    const auto results = repairKeys(db);
    for (const FileRepair& r : results) {
        if (r.label == "AktVyber") {
            EXPECT_EQ(r.code, 2);
            EXPECT_EQ(r.outcome(), "error 2 File Not Found");
        } else if (r.label == "Vtipy") {
            EXPECT_FALSE(r.ok());
            EXPECT_NE(r.code, 0) << r.outcome();
        } else {
            EXPECT_TRUE(r.ok()) << r.label << ": " << r.outcome();
        }
    }
}

TEST_F(KeyRepairTest, TheCheckNamesAFileThatIsNoDataFile) {
    std::ofstream(dir_ / "GARBAGE.QTF") << std::string(1000, 'g');
    EXPECT_EQ(checkDataFile((dir_ / "GARBAGE").string()), "not a native file");
    EXPECT_EQ(checkDataFile((dir_ / "NOWHERE").string()), "cannot open: error 2");
    EXPECT_EQ(checkDataFile(name("Adresar")), "");
}

} // namespace
} // namespace zv::utilities
