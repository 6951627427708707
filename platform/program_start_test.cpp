#include "program_start.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
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

// Polls until the program has ended (each poll returns at once).
WatchedProgram::State waitForEnd(WatchedProgram& program) {
    while (program.poll() == WatchedProgram::State::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return program.state();
}

TEST(WatchedProgram, TellsTheExitCodeOfAProgramThatEnds) {
    WatchedProgram ok("sh -c \"exit 0\"");
    EXPECT_EQ(waitForEnd(ok), WatchedProgram::State::Exited);
    EXPECT_EQ(ok.exitCode(), 0);
    WatchedProgram failing("sh -c \"exit 3\"");
    EXPECT_EQ(waitForEnd(failing), WatchedProgram::State::Exited);
    EXPECT_EQ(failing.exitCode(), 3);
    // The end is kept: another poll says the same.
    EXPECT_EQ(failing.poll(), WatchedProgram::State::Exited);
    EXPECT_EQ(failing.exitCode(), 3);
}

TEST(WatchedProgram, PollReturnsAtOnceWhileTheProgramRuns) {
    const auto go =
        std::filesystem::temp_directory_path() / ("zv_watched_" + std::to_string(::getpid()));
    std::filesystem::remove(go);
    // It runs until the file appears.
    WatchedProgram waiting("sh -c \"while [ ! -e '" + go.string() +
                           "' ]; do sleep 0.01; done; exit 7\"");
    EXPECT_EQ(waiting.poll(), WatchedProgram::State::Running);
    EXPECT_EQ(waiting.poll(), WatchedProgram::State::Running);
    { std::ofstream(go.string()) << "go"; }
    EXPECT_EQ(waitForEnd(waiting), WatchedProgram::State::Exited);
    EXPECT_EQ(waiting.exitCode(), 7);
    std::filesystem::remove(go);
}

TEST(WatchedProgram, TellsTheSignalThatEndedAProgram) {
    WatchedProgram killed("sh -c \"kill -TERM $$\"");
    EXPECT_EQ(waitForEnd(killed), WatchedProgram::State::Killed);
    EXPECT_EQ(killed.exitCode(), 15);
}

TEST(WatchedProgram, AProgramThatCannotStartIsNotStartedWithItsError) {
    WatchedProgram missing("no-such-program-zevlon 1 2");
    EXPECT_EQ(missing.state(), WatchedProgram::State::NotStarted);
    EXPECT_EQ(missing.poll(), WatchedProgram::State::NotStarted);
    EXPECT_EQ(missing.startError(), ENOENT);
    WatchedProgram empty("   ");
    EXPECT_EQ(empty.state(), WatchedProgram::State::NotStarted);
    EXPECT_EQ(empty.startError(), 0);
}

} // namespace
} // namespace zv
