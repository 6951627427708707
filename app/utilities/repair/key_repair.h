// OPRAVAKLICU: the full rebuild of the address book's files, all records and
// all keys, each file in turn: Adresar, Osoby, Kategorie, Schuzky, Vybery,
// UlVybery, Vtipy, Label, AktVyber and UKOLY. Each file is closed whatever its
// open counter, opened with others denied writing, rebuilt through the driver's
// full rebuild ("FULLBUILD=ON"), closed, and checked. A file that procedures
// still had open is opened again for them afterwards.
//
// The rebuild of one file is one driver call committed at once: a file is left
// either as it was or rebuilt, never half of each, whenever the process ends.
//
// Thread rule: the calling procedure's; it keeps the thread busy until it ends.
#pragma once

#include "app/shell/access/database.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::utilities {

// The labels of the rebuilt files, in the order they are rebuilt.
std::span<const std::string_view> repairedFiles();

struct FileRepair {
    std::string label;   // "Adresar"
    std::string name;    // its physical name ("ADRESAR", ".\VYBER")
    int code = 0;        // 0 rebuilt; else the error that kept it from being rebuilt
    std::string problem; // the check's finding after the rebuild, empty when sound

    bool ok() const { return code == 0 && problem.empty(); }
    // The file's name without its directory ("VYBER").
    std::string baseName() const;
    // "ok" or what went wrong ("error 2 File Not Found", "check: ...").
    std::string outcome() const;
};

// Rebuilds and checks one file of the dictionary.
FileRepair repairFile(access::Database& db, std::string_view label);

// Rebuilds the files in order; `starting` hears each physical name before its
// file is rebuilt (the window shows it).
std::vector<FileRepair>
repairKeys(access::Database& db,
           const std::function<void(const std::string& physicalName)>& starting = {});

} // namespace zv::utilities
