#include "platform/program_place.h"

#include "platform/profile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv {
namespace {

namespace fs = std::filesystem;

class ProgramPlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("zv_place_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "here");
        fs::current_path(root_ / "here");
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(root_);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
    }
    fs::path old_, root_;
};

TEST_F(ProgramPlaceTest, ASettingsFileInTheCurrentDirectoryWins) {
    std::ofstream(root_ / "here" / "ZEVLON.INI") << "[QDADRESAR]\r\nDATA=data\\\r\n";
    const ProgramPlace place = enterProgramPlace("ZEVLON.INI");
    EXPECT_FALSE(place.userFolders);
    EXPECT_EQ(place.error, 0);
    EXPECT_EQ(fs::current_path(), root_ / "here");
    EXPECT_FALSE(fs::exists(root_ / "config" / "zevlon"));
}

TEST_F(ProgramPlaceTest, TheFirstStartElsewhereMakesTheUsersFoldersAndNamesTheData) {
    const ProgramPlace place = enterProgramPlace("ZEVLON.INI");
    EXPECT_EQ(place.error, 0);
    EXPECT_TRUE(place.userFolders);
    EXPECT_TRUE(place.firstStart);
    EXPECT_EQ(fs::current_path(), root_ / "config" / "zevlon");
    EXPECT_EQ(place.dataDirectory, (root_ / "data" / "zevlon").string());
    EXPECT_TRUE(fs::is_directory(root_ / "data" / "zevlon"));
    EXPECT_TRUE(fs::is_empty(root_ / "data" / "zevlon"));
    EXPECT_EQ(ProfileFile("ZEVLON.INI").getString("QDADRESAR", "DATA"),
              (root_ / "data" / "zevlon").string() + "/");
}

TEST_F(ProgramPlaceTest, LaterStartsKeepWhatTheUsersSettingsSay) {
    (void)enterProgramPlace("ZEVLON.INI");
    ASSERT_TRUE(ProfileFile("ZEVLON.INI").writeString("QDADRESAR", "DATA", "/srv/zevlon/"));
    fs::current_path(root_ / "here");
    const ProgramPlace place = enterProgramPlace("ZEVLON.INI");
    EXPECT_TRUE(place.userFolders);
    EXPECT_FALSE(place.firstStart);
    EXPECT_EQ(fs::current_path(), root_ / "config" / "zevlon");
    EXPECT_EQ(ProfileFile("ZEVLON.INI").getString("QDADRESAR", "DATA"), "/srv/zevlon/");
}

TEST_F(ProgramPlaceTest, AFolderThatCannotBeMadeIsReported) {
    std::ofstream(root_ / "config") << "a file where the folder should be";
    const ProgramPlace place = enterProgramPlace("ZEVLON.INI");
    EXPECT_NE(place.error, 0);
    EXPECT_EQ(fs::current_path(), root_ / "here");
}

} // namespace
} // namespace zv
