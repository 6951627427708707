#include "app/utilities/data_directory/data_directory.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/dictionary.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_datasho_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        db.registerDriver(driver);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    access::testing::MemoryDriver driver;
    access::Database db;
    startup::AppState state;
};

TEST_F(DataDirectoryTest, AnEntryWithoutASeparatorGetsOne) {
    EXPECT_EQ(dataPrefixFromEntry("D:\\DATA"), "D:\\DATA\\");
    EXPECT_EQ(dataPrefixFromEntry("D:\\DATA\\"), "D:\\DATA\\");
    EXPECT_EQ(dataPrefixFromEntry("/srv/zevlon"), "/srv/zevlon/");
    EXPECT_EQ(dataPrefixFromEntry("/srv/zevlon/  "), "/srv/zevlon/");
    EXPECT_EQ(dataPrefixFromEntry("data"), "data\\");
    EXPECT_EQ(dataPrefixFromEntry("   "), "");
    EXPECT_EQ(dataPrefixFromEntry(""), "");
    EXPECT_EQ(dataPrefixFromEntry(std::string(99, 'd')), std::string(99, 'd') + "\\");
    EXPECT_EQ(dataPrefixFromEntry(std::string(100, 'd')), std::nullopt);
}

TEST_F(DataDirectoryTest, AnEntryEndingInASeparatorRenamesEveryFile) {
    const ProfileFile ini((dir_ / "ZEVLON.INI").string());
    ASSERT_TRUE(takeDataPrefix(db, state, ini, "D:\\DATA\\"));
    EXPECT_EQ(state.dataPrefix, "D:\\DATA\\");
    EXPECT_EQ(readDataPrefix(ini), "D:\\DATA\\");
    const std::map<std::string, std::string> expected = {
        {"Adresar", "ADRESAR"},   {"Kategorie", "KATEGORI"}, {"Schuzky", "SCHUZKY"},
        {"UlVybery", "ULVYBERY"}, {"Vtipy", "VTIPY"},        {"Label", "LABEL"},
        {"Osoby", "OSOBY"},       {"UKOLY", "UKOLY"},        {"EVKLICSL", "EVKLICSL"},
        {"Klice", "KLICE"},       {"Klasifik", "KLASIFIK"},  {"Operace", "OPERACE"},
        {"Poznamky", "POZNAMKY"}};
    for (const auto& [label, base] : expected)
        EXPECT_EQ(db.file(label).physicalName(), "D:\\DATA\\" + base) << label;
    // The working selection stays beside the program.
    EXPECT_EQ(db.file("Vybery").physicalName(), ".\\VYBER");
    EXPECT_EQ(db.file("AktVyber").physicalName(), ".\\VYB0001");
    // Every file named from the prefix was renamed.
    for (const dict::FileDef& def : dict::files()) {
        if (def.nameRoot == dict::NameRoot::DataPrefix) {
            EXPECT_EQ(db.file(def.label).physicalName().rfind("D:\\DATA\\", 0), 0u) << def.label;
        }
    }
}

TEST_F(DataDirectoryTest, AFileAlreadyOpenStaysWhereItIs) {
    auto& adresar = db.file("Adresar");
    ASSERT_EQ(adresar.create(), 0);
    ASSERT_EQ(adresar.open(), 0);
    const ProfileFile ini((dir_ / "ZEVLON.INI").string());
    ASSERT_TRUE(takeDataPrefix(db, state, ini, "elsewhere\\"));
    EXPECT_TRUE(adresar.isOpen());
    EXPECT_EQ(adresar.setFile(), 0);
    EXPECT_EQ(adresar.physicalName(), "elsewhere\\ADRESAR");
}

TEST_F(DataDirectoryTest, ASettingsFileThatCannotBeWrittenChangesNothing) {
    const ProfileFile ini((dir_ / "missing" / "ZEVLON.INI").string());
    db.setDataPrefix("old\\");
    state.dataPrefix = "old\\";
    EXPECT_FALSE(takeDataPrefix(db, state, ini, "new\\"));
    EXPECT_EQ(state.dataPrefix, "old\\");
    EXPECT_EQ(db.file("Adresar").physicalName(), "old\\ADRESAR");
}

TEST_F(DataDirectoryTest, TheDirectoryIsExaminedBeforeItIsTaken) {
    const std::string prefix = dir_.string() + "/";
    EXPECT_EQ(examineDataDirectory(prefix), DirectoryFinding::NoDataFiles);
    EXPECT_EQ(examineDataDirectory(prefix + "missing/"), DirectoryFinding::Missing);
    EXPECT_EQ(examineDataDirectory(dir_.string() + "\\missing\\"), DirectoryFinding::Missing);
    std::ofstream(dir_ / "OSOBY.QTF") << "x";
    EXPECT_EQ(examineDataDirectory(prefix), DirectoryFinding::Usable);
    // A file is no directory.
    EXPECT_EQ(examineDataDirectory((dir_ / "OSOBY.QTF").string() + "/"), DirectoryFinding::Missing);
}

TEST_F(DataDirectoryTest, TheCurrentDirectoryIsExaminedForAnEmptyPrefix) {
    const auto old = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(examineDataDirectory(""), DirectoryFinding::NoDataFiles);
    std::ofstream(dir_ / "ADRESAR.QTF") << "x";
    EXPECT_EQ(examineDataDirectory(""), DirectoryFinding::Usable);
    fs::current_path(old);
}

} // namespace
} // namespace zv::utilities
