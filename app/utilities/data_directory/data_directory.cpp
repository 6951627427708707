#include "app/utilities/data_directory/data_directory.h"

#include "app/shell/dictionary/dictionary.h"
#include "platform/paths.h"
#include "storage/quarto_driver.h"

#include <filesystem>

namespace zv::utilities {

std::string readDataPrefix(const ProfileFile& ini) {
    return ini.getString(startup::kSettingsSection, "DATA", "", kDataPrefixWidth);
}

std::optional<std::string> dataPrefixFromEntry(std::string_view entry) {
    std::string prefix(entry);
    while (!prefix.empty() && prefix.back() == ' ')
        prefix.pop_back();
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') {
        const bool slashesOnly =
            prefix.find('/') != std::string::npos && prefix.find('\\') == std::string::npos;
        prefix += slashesOnly ? '/' : '\\';
    }
    if (prefix.size() > kDataPrefixWidth) return std::nullopt;
    return prefix;
}

DirectoryFinding examineDataDirectory(std::string_view prefix) {
    const std::string dir = prefix.empty() ? std::string(".") : paths::native(prefix);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return DirectoryFinding::Missing;
    for (const dict::FileDef& def : dict::files()) {
        if (def.nameRoot != dict::NameRoot::DataPrefix) continue;
        std::string path, table;
        storage::splitPhysicalName(def.defaultPhysicalName(prefix), &path, &table);
        if (std::filesystem::is_regular_file(path, ec)) return DirectoryFinding::Usable;
    }
    return DirectoryFinding::NoDataFiles;
}

bool takeDataPrefix(access::Database& db, startup::AppState& state, const ProfileFile& ini,
                    std::string_view prefix) {
    if (!ini.writeString(startup::kSettingsSection, "DATA", prefix)) return false;
    state.dataPrefix = std::string(prefix);
    db.setDataPrefix(state.dataPrefix);
    return true;
}

} // namespace zv::utilities
