// The list reports: the firms of the working selection by name (PREHLEDF_R) or
// by town (PREHLEDM_R), and the contact history of one firm (HISTORIE_R). One
// pattern, configured three times: a file read in one key order in quick scan
// (optionally filtered by an expression through the evaluator), a page header
// and footer, and one detail band per record, built for that record so a long
// note wraps onto the lines it needs and no detail is split across pages. Used
// by the windows and by zevlon-tool; paints through the report library.
#pragma once

#include "app/shell/access/database.h"
#include "ui/report/report.h"
#include "ui/report/report_writer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zv::selections {

enum class ListKind { FirmsByName, FirmsByTown, History };

struct ListReport {
    ui::Report report;  // layout, page header and footer
    std::string file;   // "Vybery", "Schuzky"
    std::string key;    // "VYB:BYFIRMA"
    std::string filter; // an expression each record must meet; "" none
    // Primes the buffer with the first key value to read from (the firm of a
    // history); null: from the start of the order. With it the run ends at the
    // first record past the filter, as the order holds the rest further on.
    std::function<void(access::RecordFile&)> from;
    // The detail of the record now in the file's buffer.
    std::function<ui::Band(const access::RecordFile&)> detail;
};

// The report of a kind; `today` prints in the list's header, `firm` is the firm
// whose history is listed (its name and address head every page).
ListReport listReport(ListKind kind, access::Database& db, std::int32_t today,
                      std::int32_t firm = 0);

// Prints the records of a list report into a writer of its report, a few at a
// time (the progress window's ticks). The report's file must be open.
class ListRun {
public:
    ListRun(access::Database& db, const ListReport& list, ui::ReportWriter& writer,
            std::int32_t firm = 0);
    ~ListRun();
    ListRun(const ListRun&) = delete;
    ListRun& operator=(const ListRun&) = delete;

    // Prints the next record's detail; false at the end (or on a read error).
    bool nextRow();
    long rows() const { return rows_; }
    int error() const { return error_; } // a read error other than the end; 0 none

private:
    struct Filter;
    access::RecordFile& file_;
    const ListReport& list_;
    ui::ReportWriter& writer_;
    std::unique_ptr<Filter> filter_;
    std::int32_t firm_; // bound as LocalID while the run lasts
    bool started_ = false;
    bool quickScan_ = false;
    long rows_ = 0;
    int error_ = 0;
};

} // namespace zv::selections
