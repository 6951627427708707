// IMPORT_W without its window: firms with their persons and meetings (and the
// notes of both) brought from a native export file into the address book, under
// one of four modes for firms the book already has. A firm whose number is
// taken by another firm gets the next number free at that moment, a person
// whose number is taken the next free person number. Entry by entry, written in
// batches of a hundred firms, so that an interrupted import keeps whole firms.
#pragma once

#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zv::exchange {

enum class ImportMode {
    Never,  // " Nepřepíše nikdy"
    Newer,  // " Novější přepíše starší"
    Always, // " Přepíše vždy"
    Fill,   // " Doplní informace": the empty fields of an existing firm, its missing persons and
            // meetings
};

struct ExportSummary {
    bool found = false;    // the file is an export with its log
    std::string creator;   // Windows-1250
    std::int32_t date = 0; // standard date
    long entries = 0;
    std::string description; // Windows-1250
};

// What "ExpLog" of an export file says (the ZEVLON tab's summary).
ExportSummary readExportSummary(services::ProcedureServices& s, const std::string& file);

struct ImportCounts {
    long added = 0;
    long changed = 0;
    long skipped = 0;
    long persons = 0;
    long meetings = 0;
};

class Importer {
public:
    Importer(services::ProcedureServices& s, const std::string& file, ImportMode mode);
    ~Importer();
    Importer(const Importer&) = delete;
    Importer& operator=(const Importer&) = delete;

    int error() const { return error_; }  // 0, or why the file could not be opened
    long total() const { return total_; } // firms in the file
    // Imports the next firm of the file: false at its end.
    bool next();
    // Writes what is pending and closes the file.
    ImportCounts finish();
    const ImportCounts& counts() const { return counts_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    ImportCounts counts_;
    long total_ = 0;
    int error_ = 0;
    bool finished_ = false;
};

} // namespace zv::exchange
