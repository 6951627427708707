// EXPORT_W without its window: the firms of the working selection written to
// the native export file (tables "Adresy", "Osoby", "Schuzky" and "ExpLog"), to
// a flat dBase IV table, to vCards (a card per firm followed by one per person
// of it) or to CSV (the firms in the file chosen, their persons beside it in
// "NAME_osoby.csv"). Firms carry their notes and persons theirs (the
// tables hold the memos). Entry by entry, so the window can redraw between them
// and stop after the current firm on a key press; whatever the stop, the file is
// complete and importable. Used by the window and by zevlon-tool.
#pragma once

#include "app/shell/access/position.h"
#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zv::exchange {

enum class ExportFormat { Native, Dbase, Vcard, Csv };

struct ExportOptions {
    ExportFormat format = ExportFormat::Native;
    std::string file;        // the export file (Windows-1250 path as the program writes it)
    std::string creator;     // "Vytvořil:" (Windows-1250)
    std::int32_t date = 0;   // "Datum:", a standard date
    std::string description; // "Popis:" (Windows-1250)
};

struct ExportCounts {
    long entries = 0; // selection entries visited (EXL:ZAZNAMU)
    long firms = 0;
    long persons = 0;
    long meetings = 0;
};

// Whether a file may be written as an export without asking: it does not exist,
// or it is an earlier export of the same format.
bool mayOverwriteAsExport(const std::string& physicalName, ExportFormat format);

class Exporter {
public:
    // Opens the address book and the selection and creates the export tables.
    Exporter(services::ProcedureServices& s, ExportOptions options);
    ~Exporter(); // finishes when finish() was not called
    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    // 0, or the code of the file that could not be opened or created.
    int error() const { return error_; }
    long total() const { return total_; } // selection entries to visit

    // Exports the next selection entry: false at the end of the selection. Other
    // windows may read the selection between two calls: each call finds its place
    // again from the entry exported last.
    bool next();
    // Writes the log record (native) and closes the export file.
    ExportCounts finish();
    const ExportCounts& counts() const { return counts_; }

private:
    struct Files;
    void exportFirmNative();
    void exportFirmDbase();
    void exportFirmText();

    services::ProcedureServices& s_;
    ExportOptions options_;
    std::unique_ptr<Files> files_;
    ExportCounts counts_;
    long total_ = 0;
    access::Position last_; // the selection entry exported last
    bool started_ = false;
    int error_ = 0;
    bool finished_ = false;
};

} // namespace zv::exchange
