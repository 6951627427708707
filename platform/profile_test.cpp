#include "profile.h"

#include "codepage.h"
#include "system_profile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace zv {
namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zv_profile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "ZEVLON.INI").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void writeRaw(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string readRaw() {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(ProfileTest, ReadsIgnoringCaseTrimmingBlanksAndQuotes) {
    writeRaw("; comment\r\n[QDADRESAR]\r\nDATA = c:\\data\\  \r\nName=\"  quoted \"\r\n"
             "[Main]\nX=10\n");
    ProfileFile ini(path_);
    EXPECT_EQ(ini.getString("qdadresar", "data"), "c:\\data\\");
    EXPECT_EQ(ini.getString("QDADRESAR", "NAME"), "  quoted ");
    EXPECT_EQ(ini.getInt("main", "x", 0), 10);
    EXPECT_EQ(ini.getString("Main", "Missing", "def"), "def");
    EXPECT_EQ(ini.getString("Nowhere", "X", "d"), "d");
    EXPECT_EQ(ini.getInt("Main", "Missing", -7), -7);
    EXPECT_EQ(ini.getString("QDADRESAR", "DATA", "", 4), "c:\\d");
}

TEST_F(ProfileTest, MissingFileGivesDefaultsAndWriteCreatesIt) {
    ProfileFile ini(path_);
    EXPECT_EQ(ini.getString("S", "K", "x"), "x");
    EXPECT_FALSE(ini.hasKey("S", "K"));
    ASSERT_TRUE(ini.writeString("S", "K", "v"));
    EXPECT_EQ(readRaw(), "[S]\r\nK=v\r\n");
    EXPECT_TRUE(ini.hasKey("s", "k"));
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLineCommentAndOrder) {
    writeRaw("; top\r\n[A]\r\nk1=1\r\n; note in A\r\nk2=2\r\n\r\n[B]\r\nx=1\r\n");
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.writeString("a", "K2", "two"));
    ASSERT_TRUE(ini.writeString("A", "k3", "3"));
    ASSERT_TRUE(ini.writeString("C", "y", "9"));
    EXPECT_EQ(readRaw(), "; top\r\n[A]\r\nk1=1\r\n; note in A\r\nK2=two\r\nk3=3\r\n\r\n[B]\r\n"
                         "x=1\r\n\r\n[C]\r\ny=9\r\n");
    EXPECT_EQ(ini.keys("A"), (std::vector<std::string>{"k1", "K2", "k3"}));
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(ProfileTest, DeletingKeysAndSections) {
    writeRaw("[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nx=1\r\n");
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.deleteKey("A", "K1"));
    ASSERT_TRUE(ini.deleteKey("A", "absent"));
    ASSERT_TRUE(ini.deleteSection("b"));
    EXPECT_EQ(readRaw(), "[A]\r\nk2=2\r\n");
}

TEST_F(ProfileTest, CzechTextIsKeptAsWindows1250) {
    ProfileFile ini(path_);
    const std::string text = cp1250::fromUtf8("Přidej k vybraným");
    ASSERT_TRUE(ini.writeString(cp1250::fromUtf8("Výběry"), "Název", text));
    EXPECT_EQ(ini.getString(cp1250::fromUtf8("VÝBĚRY"), "název"), text);
    EXPECT_NE(readRaw().find(text), std::string::npos);
}

TEST_F(ProfileTest, SystemProfileFollowsTheEnvironment) {
    const std::string sys = (dir_ / "sub" / "system.ini").string();
    ::setenv("ZEVLON_SYSTEM_PROFILE", sys.c_str(), 1);
    EXPECT_EQ(systemProfilePath(), sys);
    ASSERT_TRUE(systemProfile().writeString("FontSubstitutes", "Corvid CE", "Arial,238"));
    EXPECT_EQ(ProfileFile(sys).getString("fontsubstitutes", "corvid ce"), "Arial,238");
    ::unsetenv("ZEVLON_SYSTEM_PROFILE");
}

} // namespace
} // namespace zv
