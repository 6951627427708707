#include "app/utilities/backup/backup_settings.h"

namespace zv::utilities {
namespace {

constexpr const char* kBackupKey = "ZALOHA";
constexpr const char* kRestoreKey = "OBNOVENI";

std::string trimmed(std::string_view text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The line as the settings file must hold it to be read back as it is: a value
// enclosed in quotes would lose them at reading, so it gets one more pair.
std::string storedValue(const std::string& command) {
    if (command.size() >= 2 && (command.front() == '"' || command.front() == '\'') &&
        command.back() == command.front())
        return '"' + command + '"';
    return command;
}

} // namespace

BackupCommands readBackupCommands(const ProfileFile& ini, startup::AppState& state) {
    state.backupDirectory = ini.getString(startup::kSettingsSection, kBackupKey, "", kCommandWidth);
    state.restoreDirectory =
        ini.getString(startup::kSettingsSection, kRestoreKey, "", kCommandWidth);
    return {state.backupDirectory, state.restoreDirectory};
}

bool writeBackupCommands(const ProfileFile& ini, const BackupCommands& before,
                         const BackupCommands& now, startup::AppState& state) {
    const BackupCommands taken{trimmed(now.backup.substr(0, kCommandWidth)),
                               trimmed(now.restore.substr(0, kCommandWidth))};
    if (taken.backup != before.backup &&
        !ini.writeString(startup::kSettingsSection, kBackupKey, storedValue(taken.backup)))
        return false;
    if (taken.restore != before.restore &&
        !ini.writeString(startup::kSettingsSection, kRestoreKey, storedValue(taken.restore)))
        return false;
    state.backupDirectory = taken.backup;
    state.restoreDirectory = taken.restore;
    return true;
}

std::string commandToRun(std::string_view command) {
    return trimmed(command);
}

std::string shownInRestoreEntry(std::string_view stored) {
    return std::string(stored.substr(0, kRestorePictureWidth));
}

std::string restoreFromEntry(std::string_view stored, std::string_view entry) {
    if (entry == shownInRestoreEntry(stored)) return std::string(stored);
    return std::string(entry.substr(0, kRestorePictureWidth));
}

} // namespace zv::utilities
