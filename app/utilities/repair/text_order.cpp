#include "app/utilities/repair/text_order.h"

#include <algorithm>

namespace zv::utilities {
namespace {

bool hasTextKey(const storage::TableDecl& decl) {
    return std::any_of(decl.keys.begin(), decl.keys.end(), [&](const storage::KeyDecl& k) {
        return std::any_of(k.components.begin(), k.components.end(),
                           [&](const storage::KeyComponent& c) {
                               return storage::isText(decl.fields[c.field].type);
                           });
    });
}

bool declaredCzech(const storage::TableDecl& decl) {
    return std::any_of(decl.keys.begin(), decl.keys.end(),
                       [](const storage::KeyDecl& k) { return k.flags & storage::kKeyCzech; });
}

FileOrder orderOf(access::RecordFile& file) {
    FileOrder result{std::string(file.def().label), {}, {}, false};
    const std::string& name = file.physicalName();
    const auto cut = name.find_last_of("\\/");
    result.baseName = cut == std::string::npos ? name : name.substr(cut + 1);
    const bool wasOpen = file.isOpen();
    if (!wasOpen && file.open(access::kOpenShared) != 0) return result;
    if (file.storedOrder(&result.order) != 0) result.order.clear();
    if (!wasOpen) (void)file.close();
    result.declared = result.order == (declaredCzech(file.declaration()) ? "CZ" : "BYTES");
    return result;
}

} // namespace

std::vector<FileOrder> fileOrders(access::Database& db) {
    std::vector<FileOrder> orders;
    for (const dict::FileDef& def : dict::files()) {
        if (!access::Database::followsTextOrder(def)) continue;
        access::RecordFile& file = db.file(def.label);
        if (hasTextKey(file.declaration())) orders.push_back(orderOf(file));
    }
    return orders;
}

std::vector<FileRepair>
convertTextOrder(access::Database& db,
                 const std::function<void(const std::string& physicalName)>& starting) {
    std::vector<FileRepair> results;
    for (const FileOrder& f : fileOrders(db)) {
        if (f.order.empty() || f.declared) continue;
        if (starting) starting(db.file(f.label).physicalName());
        results.push_back(repairFile(db, f.label));
    }
    return results;
}

} // namespace zv::utilities
