// The rows of a dBase IV table brought into the address book as firms: each of
// the thirteen targets ("Firma" … "Poznámka") takes the dBase field mapped to
// it, optionally converted from the Czech DOS code page 852; deleted rows are
// skipped; new firms take the next free numbers; the four modes decide what
// becomes of firms the book has already (found by name and town). Writes go in
// batches of a hundred rows.
#pragma once

#include "app/exchange/import/import.h"

#include <array>
#include <memory>
#include <string>

namespace zv::exchange {

// The targets in the window's order.
inline constexpr std::array<const char*, 13> kDbaseTargets = {
    "Firma", "Ulice", "PSČ", "Město", "Stat",    "Osoba",   "Telefon",
    "Fax",   "IČO",   "DIČ", "Banka", "Č. účtu", "Poznámka"};

struct DbaseMapping {
    std::array<std::string, 13> fields; // the dBase field per target; "" unmapped
    bool czech = false;                 // " Kompatibilita CZ": code page 852 to Windows-1250
};

class DbaseImporter {
public:
    DbaseImporter(services::ProcedureServices& s, const std::string& nativePath,
                  DbaseMapping mapping, ImportMode mode);
    ~DbaseImporter();
    DbaseImporter(const DbaseImporter&) = delete;
    DbaseImporter& operator=(const DbaseImporter&) = delete;

    int error() const { return error_; } // 0, or why the table cannot be read
    long total() const { return total_; }
    bool next(); // the next row; false at the end
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
