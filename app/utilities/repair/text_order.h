// The order of text keys ("RAZENI" in ZEVLON.INI: "CZ" for Czech alphabetical
// order, else byte order). Each file keeps the order it was made or last fully
// rebuilt in; when the setting changes, the files in the other order are
// rebuilt in the new one, each as the key repair rebuilds a file (one commit:
// a file is in the old order or the new, never half of each).
//
// A file that others hold open cannot be rebuilt; it stays in its order, and
// every station goes on reading it consistently, until a later start.
#pragma once

#include "app/shell/access/database.h"
#include "app/utilities/repair/key_repair.h"

#include <functional>
#include <string>
#include <vector>

namespace zv::utilities {

struct FileOrder {
    std::string label;     // "Adresar"
    std::string baseName;  // "ADRESAR"
    std::string order;     // "CZ" or "BYTES" as the file keeps it; "" when it does not exist
    bool declared = false; // the order matches the setting
};

// The order of each of the program's own files that has text keys.
std::vector<FileOrder> fileOrders(access::Database& db);

// Rebuilds every file whose order is not the declared one; `starting` hears
// each physical name before its rebuild. The rebuilt files with their outcome.
std::vector<FileRepair>
convertTextOrder(access::Database& db,
                 const std::function<void(const std::string& physicalName)>& starting = {});

} // namespace zv::utilities
