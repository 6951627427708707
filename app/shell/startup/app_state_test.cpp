#include "app_state.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv::startup {
namespace {

TEST(Settings, AbsentKeysAreEmptyAndToolEntriesAreReadEachByNumber) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zv_settings_" + std::to_string(::getpid()) + ".ini");
    ProfileFile ini(path.string());
    AppState s;
    readSettings(ini, s); // no file at all
    EXPECT_EQ(s.dataPrefix, "");
    EXPECT_EQ(s.toolNames[0], "");

    ASSERT_TRUE(ini.writeString("QDADRESAR", "DATA", "d:\\data\\"));
    for (int i = 1; i <= 8; ++i)
        if (i != 3) {
            ASSERT_TRUE(ini.writeString("QDADRESAR", "EN" + std::to_string(i),
                                        "Program " + std::to_string(i)));
            ASSERT_TRUE(ini.writeString("QDADRESAR", "EC" + std::to_string(i),
                                        "prog" + std::to_string(i) + ".exe"));
        }
    ASSERT_TRUE(ini.writeString("QDADRESAR", "EN1", std::string(40, 'x')));
    readSettings(ini, s);
    EXPECT_EQ(s.dataPrefix, "d:\\data\\");
    EXPECT_EQ(s.toolNames[2], "");
    EXPECT_EQ(s.toolNames[1], "Program 2");
    EXPECT_EQ(s.toolCommands[7], "prog8.exe");
    EXPECT_EQ(s.toolNames[0].size(), 30u);
    std::filesystem::remove(path);
}

} // namespace
} // namespace zv::startup
