// The lines of a CSV file brought into the address book as firms: each column
// the mapping gives to a firm field (or to the note) fills it, under the same
// four modes as the other imports (see mapped_firm.h). Text fields are cut to
// their width, categories take "1", "ano", "x" or "true" as checked, dates
// are read as YYYY-MM-DD or D.M.YYYY. A firm's number is never taken from the
// file: new firms get the next free numbers.
//
// A persons' file beside the firms' ("x.csv" -> "x_osoby.csv", as the CSV
// export writes it; see csv_persons.h) is imported with them: each person goes
// to the firm whose number in the firms' file (the column headed "ID") it
// names, in the firm's batch, and as the native import carries persons over:
// all of them with a firm added in " Nepřepíše nikdy" or " Doplní informace",
// those the firm has not got (by name) with a firm found in " Doplní
// informace", none otherwise. When two lines give one number, the first takes
// the persons.
#pragma once

#include "app/exchange/import/csv_persons.h"
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
    std::string personsFile;                    // the persons' file beside it, "" when none
    long personLines = 0;                       // the person lines in that file

    // The mapping the file suggests: its format, its heading line, its suggested targets.
    CsvMapping suggestedMapping() const { return {format, header, suggested}; }
};

// The first `rows` lines of a CSV file and what they suggest.
CsvPreview readCsvPreview(const std::string& nativePath, std::size_t rows);

// The column whose heading is "ID" (or "ADR:ID"): the firms' numbers that the
// persons name; -1 when there is none.
int csvFirmNumberColumn(const std::vector<std::string>& headings);

// What became of the lines of the persons' file. The persons added are counted
// in ImportCounts::persons.
struct CsvPersonCounts {
    std::string file;     // the persons' file (native path); empty when there is none
    long lines = 0;       // its person lines
    long leftOut = 0;     // not added: their firm was left out, or came in without persons by
                          // the mode, or has them already; or the add failed
    long withoutFirm = 0; // naming a firm number that no line of the firms' file gives
    long malformed = 0;   // no firm number, or not the columns of the headings
};

class CsvImporter {
public:
    CsvImporter(services::ProcedureServices& s, const std::string& nativePath, CsvMapping mapping,
                ImportMode mode);
    ~CsvImporter();
    CsvImporter(const CsvImporter&) = delete;
    CsvImporter& operator=(const CsvImporter&) = delete;

    int error() const { return error_; } // 0, or why the import cannot run
    // The CSV file (native path) that could not be read when error() is not 0;
    // empty when a data file of the book failed to open.
    const std::string& failedFile() const { return failedFile_; }
    long total() const { return total_; } // lines to import
    bool next();                          // the next line; false at the end
    ImportCounts finish();
    const CsvPersonCounts& personCounts() const { return personCounts_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    ImportCounts counts_;
    CsvPersonCounts personCounts_;
    std::string failedFile_;
    long total_ = 0;
    int error_ = 0;
    bool finished_ = false;
};

} // namespace zv::exchange
