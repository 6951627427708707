#include "default_settings.h"

#include "app_state.h"

#include "platform/paths.h"

#include <filesystem>

namespace zv::startup {
namespace {

constexpr std::size_t kCommandWidth = 144;

bool plainForShell(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("._/-+~:,@%").find(c) != std::string_view::npos;
}

// The data directory as the shell reads it inside the command line's one
// quoted argument: "." for the current directory, single quotes around a name
// the shell would split or expand, and every double quote escaped for the
// command line's own splitting.
std::string shellDirectory(std::string_view dataPrefix) {
    std::string dir = paths::native(dataPrefix);
    while (!dir.empty() && dir.back() == ' ')
        dir.pop_back();
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty()) return ".";
    bool plain = true;
    for (char c : dir)
        plain = plain && plainForShell(c);
    if (plain) return dir;
    std::string quoted = "'";
    for (char c : dir) {
        if (c == '\'')
            quoted += "'\\''";
        else if (c == '"')
            quoted += "\\\"";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string fitting(std::string command) {
    return command.size() <= kCommandWidth ? command : std::string();
}

} // namespace

std::string defaultBackupCommand(std::string_view dataPrefix) {
    const std::string folder = kBackupFolder;
    return fitting("sh -c \"mkdir -p " + folder + " && tar -czf " + folder +
                   "/zevlon-$(date +%Y%m%d-%H%M%S).tar.gz --exclude=./" + folder + " -C " +
                   shellDirectory(dataPrefix) + " .\"");
}

std::string defaultRestoreCommand(std::string_view dataPrefix) {
    const std::string folder = kBackupFolder;
    return fitting("sh -c \"f=$(ls -1 " + folder +
                   "/zevlon-*.tar.gz | tail -n 1) && tar -xzf \\\"$f\\\" -C " +
                   shellDirectory(dataPrefix) + "\"");
}

bool writeBackupDefaults(const ProfileFile& ini, std::string_view dataPrefix) {
    if (ini.hasKey(kSettingsSection, "ZALOHA") || ini.hasKey(kSettingsSection, "OBNOVENI"))
        return true;
    return ini.writeString(kSettingsSection, "ZALOHA", defaultBackupCommand(dataPrefix)) &&
           ini.writeString(kSettingsSection, "OBNOVENI", defaultRestoreCommand(dataPrefix));
}

bool settleNewInstallation(const ProfileFile& ini, std::string_view dataPrefix) {
    std::error_code ec;
    if (std::filesystem::exists(ini.path(), ec) || ec) return false;
    return ini.writeString(kSettingsSection, "DATA", dataPrefix) &&
           writeBackupDefaults(ini, dataPrefix);
}

} // namespace zv::startup
