#include "window_state.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv::services {
namespace {

class WindowStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("zv_winstate_" + std::to_string(::getpid()) + ".ini");
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::filesystem::path path_;
};

TEST_F(WindowStateTest, AWindowClosedMaximizedOpensMaximizedAtItsNormalPlace) {
    ProfileFile ini(path_.string());
    ASSERT_TRUE(saveWindowState(ini, "Adresar_S", {40, 30, 600, 400, true, false}));
    EXPECT_EQ(ini.getString("Adresar_S", "Maximize"), "Yes");
    const auto r = restoreWindowState(ini, "Adresar_S", true, false);
    EXPECT_TRUE(r.move);
    EXPECT_EQ(r.x, 40);
    EXPECT_EQ(r.y, 30);
    EXPECT_TRUE(r.resize);
    EXPECT_EQ(r.width, 600);
    EXPECT_TRUE(r.maximize);
}

TEST_F(WindowStateTest, MinimizedKeepsThePlaceAndZeroesAreIgnored) {
    ProfileFile ini(path_.string());
    ASSERT_TRUE(saveWindowState(ini, "Main", {10, 20, 300, 200, false, false}));
    ASSERT_TRUE(saveWindowState(ini, "Main", {0, 0, 0, 0, false, true}));
    EXPECT_EQ(ini.getInt("Main", "XPosit", -1), 10);
    EXPECT_EQ(ini.getString("Main", "Maximize"), "No");

    const auto fixed = restoreWindowState(ini, "Main", false, false);
    EXPECT_TRUE(fixed.move);
    EXPECT_FALSE(fixed.resize); // not resizable: keeps its designed size
    EXPECT_FALSE(fixed.maximize);

    ASSERT_TRUE(ini.writeString("Other", "XPosit", "0"));
    ASSERT_TRUE(ini.writeString("Other", "YPosit", "5"));
    EXPECT_FALSE(restoreWindowState(ini, "Other", true, false).move);
    EXPECT_FALSE(restoreWindowState(ini, "Nothing", true, false).move);
    EXPECT_FALSE(restoreWindowState(ini, "Main", true, true).move);
}

TEST_F(WindowStateTest, ListFormatsLiveInTheSameSection) {
    ProfileFile ini(path_.string());
    ASSERT_TRUE(saveListFormat(ini, "Adresar_S", "?Browse:1", "80L|M~Firma~@s50@"));
    EXPECT_EQ(readListFormat(ini, "adresar_s", "?BROWSE:1"), "80L|M~Firma~@s50@");
    EXPECT_EQ(readListFormat(ini, "Adresar_S", "?List"), "");
}

} // namespace
} // namespace zv::services
