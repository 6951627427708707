// The backup and restore commands of ZALOHUJ, OBNOV and NASTAVENIZALOHY: two
// command lines kept in section "QDADRESAR" of ZEVLON.INI ("ZALOHA" and
// "OBNOVENI", 144 characters each), run as they stand with trailing blanks
// trimmed. The restore entry shows only 114 characters; a longer stored
// command stays whole until the user edits it.
#pragma once

#include "app/shell/startup/app_state.h"
#include "platform/profile.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zv::utilities {

constexpr std::size_t kCommandWidth = 144;        // what the settings keep
constexpr std::size_t kRestorePictureWidth = 114; // what the restore entry shows

struct BackupCommands {
    std::string backup;  // "ZALOHA", Windows-1250
    std::string restore; // "OBNOVENI", Windows-1250
    bool operator==(const BackupCommands&) const = default;
};

// Reads both commands (absent ones empty) into the state's globals and returns them.
BackupCommands readBackupCommands(const ProfileFile& ini, startup::AppState& state);

// Writes the commands that differ from those read when the window opened, trimmed,
// and puts them into the state's globals; a command left as it was is not
// written, so the file keeps it byte for byte. False when the file cannot be
// written (the globals are then left as they were).
[[nodiscard]] bool writeBackupCommands(const ProfileFile& ini, const BackupCommands& before,
                                       const BackupCommands& now, startup::AppState& state);

// The command line as it is run: trailing blanks trimmed.
std::string commandToRun(std::string_view command1250);

// The restore entry: what it shows of the stored command, and the command after
// the user confirmed what the entry holds (the stored one, whole, when the
// entry still shows what it showed).
std::string shownInRestoreEntry(std::string_view stored1250);
std::string restoreFromEntry(std::string_view stored1250, std::string_view entry1250);

} // namespace zv::utilities
