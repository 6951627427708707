// The settings a new installation starts with: ZEVLON.INI written at the first
// start in a directory that has none, with the data directory and a backup and
// restore command that work on this system as they stand. The backup packs the
// data directory into a dated archive in the folder "ZALOHY" beside ZEVLON.INI;
// the restore unpacks the newest of them over the data directory.
#pragma once

#include "platform/profile.h"

#include <string>
#include <string_view>

namespace zv::startup {

// The folder of the backups, beside ZEVLON.INI.
constexpr const char* kBackupFolder = "ZALOHY";

// The commands for the data directory named by a "DATA" prefix ("" the current
// directory). Empty when the directory's name makes the command longer than the
// 144 characters the settings keep.
std::string defaultBackupCommand(std::string_view dataPrefix1250);
std::string defaultRestoreCommand(std::string_view dataPrefix1250);

// Writes "ZALOHA" and "OBNOVENI" with the default commands when neither is in
// the file yet. False when the file cannot be written.
[[nodiscard]] bool writeBackupDefaults(const ProfileFile& ini, std::string_view dataPrefix1250);

// When the settings file does not exist: writes it with "DATA" and the default
// backup and restore commands, and answers true. A file already there is left
// as it is (false).
bool settleNewInstallation(const ProfileFile& ini, std::string_view dataPrefix1250 = {});

} // namespace zv::startup
