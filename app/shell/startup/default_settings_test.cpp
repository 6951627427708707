#include "default_settings.h"

#include "app_state.h"

#include "platform/program_start.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace zv::startup {
namespace {

namespace fs = std::filesystem;

// A program directory of its own, current while the test runs.
class DefaultSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_defaults_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path().empty() ? "." : file.parent_path());
        std::ofstream(file) << text;
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs a command line to its end; its exit code (-1: it could not run).
    static int run(const std::string& command) {
        WatchedProgram program(command);
        while (program.poll() == WatchedProgram::State::Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return program.state() == WatchedProgram::State::Exited ? program.exitCode() : -1;
    }
    static int backups() {
        int n = 0;
        if (fs::exists(kBackupFolder))
            for (const auto& e : fs::directory_iterator(kBackupFolder))
                n += e.path().extension() == ".gz" ? 1 : 0;
        return n;
    }

    fs::path dir_, old_;
};

TEST_F(DefaultSettingsTest, TheCommandsAreOneShellCallEach) {
    const auto backup = splitCommandLine(defaultBackupCommand(""));
    ASSERT_EQ(backup.size(), 3u);
    EXPECT_EQ(backup[0], "sh");
    EXPECT_EQ(backup[1], "-c");
    EXPECT_NE(backup[2].find("-C . ."), std::string::npos) << backup[2];
    const auto restore = splitCommandLine(defaultRestoreCommand("data\\"));
    ASSERT_EQ(restore.size(), 3u);
    EXPECT_NE(restore[2].find("tar -xzf \"$f\" -C data"), std::string::npos) << restore[2];
    // The restore entry shows 114 characters: the default fits in it.
    EXPECT_LE(defaultRestoreCommand("").size(), 114u);
    EXPECT_LE(defaultBackupCommand("").size(), 144u);
}

TEST_F(DefaultSettingsTest, BackupAndRestoreTheCurrentDirectory) {
    write("ADRESAR.QTF", "firms before");
    write("ZEVLON.INI", "[QDADRESAR]\r\nDATA=\r\n");
    ASSERT_EQ(run(defaultBackupCommand("")), 0);
    EXPECT_EQ(backups(), 1);
    write("ADRESAR.QTF", "firms spoilt");
    ASSERT_EQ(run(defaultRestoreCommand("")), 0);
    EXPECT_EQ(read("ADRESAR.QTF"), "firms before");
    // The backups are not packed into the next backup.
    ASSERT_EQ(run("sh -c \"tar -tzf ZALOHY/*.tar.gz | grep -c ZALOHY; true\""), 0);
    ASSERT_EQ(run("sh -c \"! tar -tzf ZALOHY/*.tar.gz | grep -q ZALOHY\""), 0);
}

TEST_F(DefaultSettingsTest, BackupAndRestoreADataDirectoryWithBlanksAndQuotes) {
    const std::string data = "my data's \"copy\"";
    write(fs::path(data) / "OSOBY.QTF", "persons");
    const std::string prefix = data + "\\";
    ASSERT_FALSE(defaultBackupCommand(prefix).empty());
    ASSERT_EQ(run(defaultBackupCommand(prefix)), 0);
    EXPECT_EQ(backups(), 1);
    fs::remove(fs::path(data) / "OSOBY.QTF");
    ASSERT_EQ(run(defaultRestoreCommand(prefix)), 0);
    EXPECT_EQ(read(fs::path(data) / "OSOBY.QTF"), "persons");
}

TEST_F(DefaultSettingsTest, TheRestoreWithoutABackupFails) {
    EXPECT_NE(run(defaultRestoreCommand("")), 0);
}

TEST_F(DefaultSettingsTest, ABackupOfAMissingDirectoryFails) {
    EXPECT_NE(run(defaultBackupCommand("nowhere/")), 0);
}

TEST_F(DefaultSettingsTest, ADirectoryTooLongForTheSettingsGetsNoCommand) {
    const std::string longName(120, 'd');
    EXPECT_TRUE(defaultBackupCommand(longName + "/").empty());
    EXPECT_TRUE(defaultRestoreCommand(longName + std::string(60, 'e') + "/").empty());
}

TEST_F(DefaultSettingsTest, ANewInstallationGetsTheDefaultsAndAnOldOneKeepsItsFile) {
    const ProfileFile ini(".\\ZEVLON.INI");
    EXPECT_TRUE(settleNewInstallation(ini));
    EXPECT_TRUE(ini.hasKey(kSettingsSection, "DATA"));
    EXPECT_EQ(ini.getString(kSettingsSection, "ZALOHA", "", 144), defaultBackupCommand(""));
    EXPECT_EQ(ini.getString(kSettingsSection, "OBNOVENI", "", 144), defaultRestoreCommand(""));
    ASSERT_TRUE(ini.writeString(kSettingsSection, "ZALOHA", ""));
    EXPECT_FALSE(settleNewInstallation(ini));
    EXPECT_EQ(ini.getString(kSettingsSection, "ZALOHA"), "");
}

TEST_F(DefaultSettingsTest, TheDefaultsNeverReplaceACommandTheUserSet) {
    const ProfileFile ini(".\\ZEVLON.INI");
    ASSERT_TRUE(ini.writeString(kSettingsSection, "OBNOVENI", "restore.sh"));
    ASSERT_TRUE(writeBackupDefaults(ini, ""));
    EXPECT_FALSE(ini.hasKey(kSettingsSection, "ZALOHA"));
    EXPECT_EQ(ini.getString(kSettingsSection, "OBNOVENI"), "restore.sh");
}

} // namespace
} // namespace zv::startup
