#include "app/utilities/repair/key_repair.h"

#include "app/utilities/repair/file_check.h"

#include <array>

namespace zv::utilities {
namespace {

constexpr std::array<std::string_view, 10> kRepaired = {
    "Adresar",  "Osoby", "Kategorie", "Schuzky",  "Vybery",
    "UlVybery", "Vtipy", "Label",     "AktVyber", "UKOLY"};

} // namespace

std::span<const std::string_view> repairedFiles() {
    return kRepaired;
}

std::string FileRepair::baseName() const {
    const auto cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string FileRepair::outcome() const {
    if (code != 0) return "error " + std::to_string(code) + " " + access::errorText(code);
    if (!problem.empty()) return "check: " + problem;
    return "ok";
}

FileRepair repairFile(access::Database& db, std::string_view label) {
    access::RecordFile& file = db.file(label);
    FileRepair result{std::string(label), file.physicalName(), 0, {}};
    const bool wasOpen = file.isOpen();
    (void)file.close();
    result.code = file.open(access::kOpenDenyWrite);
    if (result.code == 0) {
        (void)file.send("FULLBUILD=ON");
        result.code = file.build();
        (void)file.send("FULLBUILD=OFF");
        const int closed = file.close();
        if (result.code == 0) result.code = closed;
    }
    if (result.code == 0) result.problem = checkDataFile(result.name);
    // The procedures that had it open go on with it.
    if (wasOpen && file.users() > 0) (void)file.open(access::kOpenShared);
    return result;
}

std::vector<FileRepair>
repairKeys(access::Database& db,
           const std::function<void(const std::string& physicalName)>& starting) {
    std::vector<FileRepair> results;
    for (std::string_view label : kRepaired) {
        if (starting) starting(db.file(label).physicalName());
        results.push_back(repairFile(db, label));
    }
    return results;
}

} // namespace zv::utilities
