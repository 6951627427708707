// The lines of a CSV file brought into the address book as firms: each column
// the mapping gives to a firm field (or to the note) fills it, under the same
// four modes as the other imports (see mapped_firm.h). Text fields are cut to
// their width, categories take "1", "ano", "x" or "true" as checked, dates
// are read as YYYY-MM-DD or D.M.YYYY. A firm's number is never taken from the
// file: new firms get the next free numbers.
#pragma once

#include "app/exchange/import/csv_reader.h"
#include "app/exchange/import/import.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv::exchange {

struct CsvTarget {
    std::string field;   // "ADR:FIRMA"; "ADR:POZNAMKA" for the note
    std::string caption; // "Firma" (UTF-8)
};

// Every firm field but the number, in record order, then the note.
const std::vector<CsvTarget>& csvTargets();
// The target a text names: a field's name with or without its prefix, or its
// caption, in any letter case (UTF-8); -1 when none.
int csvTargetOf(std::string_view utf8);

struct CsvMapping {
    CsvFormat format;
    bool header = true;       // the first line names the columns and is not imported
    std::vector<int> targets; // per column: the index of its target, -1 none
};

// The mapping a heading line suggests: each column whose heading names a
// target gets it, each target once. Headings are Windows-1250.
std::vector<int> csvMappingFromHeader(const std::vector<std::string>& headings);

struct CsvPreview {
    bool read = false;                          // the file could be read
    CsvFormat format;                           // as detected
    std::vector<std::vector<std::string>> rows; // the first lines (Windows-1250)
    long lines = 0;                             // lines in the file
    std::vector<int> suggested;                 // csvMappingFromHeader of the first line
    bool header = false;                        // the first line names some target
};

// The first `rows` lines of a CSV file and what they suggest.
CsvPreview readCsvPreview(const std::string& nativePath, std::size_t rows);

class CsvImporter {
public:
    CsvImporter(services::ProcedureServices& s, const std::string& nativePath, CsvMapping mapping,
                ImportMode mode);
    ~CsvImporter();
    CsvImporter(const CsvImporter&) = delete;
    CsvImporter& operator=(const CsvImporter&) = delete;

    int error() const { return error_; }  // 0, or why the file cannot be read
    long total() const { return total_; } // lines to import
    bool next();                          // the next line; false at the end
    ImportCounts finish();

private:
    struct State;
    std::unique_ptr<State> state_;
    ImportCounts counts_;
    long total_ = 0;
    int error_ = 0;
    bool finished_ = false;
};

} // namespace zv::exchange
