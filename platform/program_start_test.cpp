#include "program_start.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace zv {
namespace {

TEST(ProgramStart, CommandLinesSplitAsOnWindows) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine("VOLNUM.EXE 605123456"), (V{"VOLNUM.EXE", "605123456"}));
    EXPECT_EQ(splitCommandLine("  \"c:\\Program Files\\x.exe\"  a   b "),
              (V{"c:\\Program Files\\x.exe", "a", "b"}));
    EXPECT_EQ(splitCommandLine("a\\\"b \"\" c\\\\"), (V{"a\"b", "", "c\\\\"}));
    EXPECT_EQ(splitCommandLine("   "), V{});
}

TEST(ProgramStart, StartsAProgramAndReportsOneThatCannotStart) {
    const auto marker =
        std::filesystem::temp_directory_path() / ("zv_started_" + std::to_string(::getpid()));
    std::filesystem::remove(marker);
    ASSERT_TRUE(startProgram("touch \"" + marker.string() + "\""));
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(marker);
    EXPECT_FALSE(startProgram("no-such-program-zevlon 1 2"));
    EXPECT_FALSE(startProgram(""));
}

} // namespace
} // namespace zv
