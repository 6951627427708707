#include "app_state.h"

#include "platform/codepage.h"

namespace zv::startup {

void readSettings(const ProfileFile& ini, AppState& s) {
    s.dataPrefix = ini.getString(kSettingsSection, "DATA", "", 100);
    s.backupDirectory = ini.getString(kSettingsSection, "ZALOHA", "", 144);
    s.restoreDirectory = ini.getString(kSettingsSection, "OBNOVENI", "", 144);
    s.czechOrder = cp1250::equalNoCase(ini.getString(kSettingsSection, "RAZENI", "", 10), "CZ");
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i + 1);
        s.toolNames[static_cast<std::size_t>(i)] =
            ini.getString(kSettingsSection, "EN" + n, "", 30);
        s.toolCommands[static_cast<std::size_t>(i)] =
            ini.getString(kSettingsSection, "EC" + n, "", 144);
    }
}

} // namespace zv::startup
