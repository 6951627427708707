#include "app/utilities/backup/backup_settings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace zv::utilities {
namespace {

namespace fs = std::filesystem;

class BackupSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_backup_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        path_ = (dir_ / "ZEVLON.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void writeFile(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string fileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_;
    std::string path_;
    startup::AppState state;
};

TEST_F(BackupSettingsTest, AbsentCommandsAreEmpty) {
    const ProfileFile ini(path_);
    EXPECT_EQ(readBackupCommands(ini, state), (BackupCommands{"", ""}));
    EXPECT_EQ(state.backupDirectory, "");
    EXPECT_EQ(state.restoreDirectory, "");
}

TEST_F(BackupSettingsTest, ASetCommandIsInTheGlobalsAndInTheFile) {
    const ProfileFile ini(path_);
    const BackupCommands before = readBackupCommands(ini, state);
    ASSERT_TRUE(writeBackupCommands(ini, before, {"zaloha.sh a:   ", "obnova.sh a:"}, state));
    EXPECT_EQ(state.backupDirectory, "zaloha.sh a:");
    EXPECT_EQ(state.restoreDirectory, "obnova.sh a:");
    startup::AppState later;
    EXPECT_EQ(readBackupCommands(ini, later), (BackupCommands{"zaloha.sh a:", "obnova.sh a:"}));
}

TEST_F(BackupSettingsTest, OkWithoutEditingLeavesTheFileByteForByte) {
    const std::string longOne(150, 'x'); // wider than the settings keep
    const std::string text = "; zálohy\r\n[QDADRESAR]\r\nDATA=d:\\data\\\r\n"
                             "ZALOHA =  \"c:\\zaloha.bat\"  \r\nOBNOVENI=" +
                             longOne + "\r\n";
    writeFile(text);
    const ProfileFile ini(path_);
    const BackupCommands before = readBackupCommands(ini, state);
    EXPECT_EQ(before.backup, "c:\\zaloha.bat");
    EXPECT_EQ(before.restore, std::string(144, 'x'));
    const BackupCommands entered{
        before.backup, restoreFromEntry(before.restore, shownInRestoreEntry(before.restore))};
    ASSERT_TRUE(writeBackupCommands(ini, before, entered, state));
    EXPECT_EQ(fileBytes(), text);
}

TEST_F(BackupSettingsTest, ALongRestoreCommandSurvivesAnOkWithoutEdits) {
    std::string command = "sh -c \"";
    while (command.size() < 139)
        command += "r";
    command += "\""; // 140 characters
    ASSERT_EQ(command.size(), 140u);
    const ProfileFile ini(path_);
    ASSERT_TRUE(ini.writeString("QDADRESAR", "OBNOVENI", command));
    const BackupCommands before = readBackupCommands(ini, state);
    const std::string shown = shownInRestoreEntry(before.restore);
    EXPECT_EQ(shown.size(), kRestorePictureWidth);
    ASSERT_TRUE(writeBackupCommands(
        ini, before, {before.backup, restoreFromEntry(before.restore, shown)}, state));
    EXPECT_EQ(state.restoreDirectory, command);
    EXPECT_EQ(ini.getString("QDADRESAR", "OBNOVENI", "", 144), command);
}

TEST_F(BackupSettingsTest, AnEditedRestoreEntryReplacesTheLongCommand) {
    const std::string stored(140, 'r');
    EXPECT_EQ(restoreFromEntry(stored, "obnova.sh"), "obnova.sh");
    // Typing the shown text again is no edit.
    EXPECT_EQ(restoreFromEntry(stored, std::string(114, 'r')), stored);
    EXPECT_EQ(restoreFromEntry(stored, std::string(113, 'r')), std::string(113, 'r'));
    EXPECT_EQ(restoreFromEntry("", ""), "");
}

TEST_F(BackupSettingsTest, ACommandInQuotesIsReadBackWhole) {
    const ProfileFile ini(path_);
    const BackupCommands before = readBackupCommands(ini, state);
    const std::string quoted = "\"/opt/zevlon zaloha/zaloha.sh\" \"/srv/data\"";
    ASSERT_TRUE(writeBackupCommands(ini, before, {quoted, "'obnova'"}, state));
    startup::AppState later;
    EXPECT_EQ(readBackupCommands(ini, later), (BackupCommands{quoted, "'obnova'"}));
}

TEST_F(BackupSettingsTest, ASettingsFileThatCannotBeWrittenChangesNoGlobal) {
    const ProfileFile ini((dir_ / "no such folder" / "ZEVLON.INI").string());
    const BackupCommands before = readBackupCommands(ini, state);
    EXPECT_FALSE(writeBackupCommands(ini, before, {"zaloha.sh", ""}, state));
    EXPECT_EQ(state.backupDirectory, "");
}

TEST_F(BackupSettingsTest, TheCommandRunsWithoutTrailingBlanks) {
    EXPECT_EQ(commandToRun("zaloha.sh a:   "), "zaloha.sh a:");
    EXPECT_EQ(commandToRun("     "), "");
}

} // namespace
} // namespace zv::utilities
