#include "app/utilities/backup/command_failure.h"

#include "platform/codepage.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace zv::utilities {
namespace {

std::string endOf(BackupKind kind, const std::string& command) {
    WatchedProgram program(command);
    while (program.poll() == WatchedProgram::State::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return cp1250::toUtf8(commandFailure(kind, program, command));
}

TEST(CommandFailure, ASuccessOrNothingToRunSaysNothing) {
    EXPECT_EQ(endOf(BackupKind::Backup, "true"), "");
    EXPECT_EQ(endOf(BackupKind::Backup, ""), "");
}

TEST(CommandFailure, AnExitCodeOtherThanZeroIsNamed) {
    EXPECT_EQ(endOf(BackupKind::Backup, "sh -c \"exit 2\""),
              "Záloha dat se nezdařila: příkaz skončil s návratovým kódem 2.\n\n"
              "Příkaz: sh -c \"exit 2\"");
    EXPECT_EQ(endOf(BackupKind::Restore, "false"),
              "Obnovení dat se nezdařilo: příkaz skončil s návratovým kódem 1.\n\nPříkaz: false");
}

TEST(CommandFailure, ACommandThatCannotStartIsNamedWithTheReason) {
    const std::string text = endOf(BackupKind::Backup, "c:\\zaloha\\zaloha.bat a:");
    EXPECT_EQ(text.rfind("Záloha dat se nezdařila: příkaz nelze spustit (chyba 2: ", 0), 0u)
        << text;
    EXPECT_NE(text.find("Příkaz: c:\\zaloha\\zaloha.bat a:"), std::string::npos);
}

TEST(CommandFailure, ASignalIsNamed) {
    EXPECT_EQ(endOf(BackupKind::Restore, "sh -c \"kill -KILL $$\""),
              "Obnovení dat se nezdařilo: příkaz byl ukončen signálem 9.\n\n"
              "Příkaz: sh -c \"kill -KILL $$\"");
}

} // namespace
} // namespace zv::utilities
