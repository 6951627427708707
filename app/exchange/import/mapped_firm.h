// A firm read from a foreign table (a dBase IV row, a CSV line) brought into the
// address book under one of the four import modes: a firm the book has not got
// (by name and town) is added under the next free number; one it has is left
// alone (" Nepřepíše nikdy"), overwritten in the fields the table gives when
// the table's date of change is later (" Novější přepíše starší") or always
// (" Přepíše vždy"), or has its empty fields filled (" Doplní informace").
// Writes go in transactions of kRowsPerWriteOut rows, so an import killed in
// the middle keeps whole batches; what the caller writes for a row right after
// apply() (the firm's persons) goes in the same batch as the firm.
#pragma once

#include "app/exchange/import/import.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::exchange {

// What became of a row's firm.
struct MappedFirm {
    std::int32_t added = 0;    // the number of the firm added, 0 when none was
    std::int32_t existing = 0; // the number of the firm the book had (changed or not), else 0
};

class MappedFirmWriter {
public:
    static constexpr long kRowsPerWriteOut = 100;

    // REQUIRES: Adresar is open, and Osoby when withPersons (its writes then
    // join the batches). Opens the first batch.
    explicit MappedFirmWriter(services::ProcedureServices& s, bool withPersons = false);
    ~MappedFirmWriter(); // commits what is pending
    MappedFirmWriter(const MappedFirmWriter&) = delete;
    MappedFirmWriter& operator=(const MappedFirmWriter&) = delete;

    // firm: an Adresar record image built from the row; mapped: indexes of the
    // layout fields the row gives; note: the row's note when noteMapped.
    MappedFirm apply(const std::vector<std::uint8_t>& firm, const std::vector<int>& mapped,
                     const std::string& note, bool noteMapped, ImportMode mode,
                     ImportCounts& counts);
    // Commits what is pending; later rows are not written.
    void finish();

private:
    std::int32_t freeFirmNumber();
    void begin();
    void end();

    services::ProcedureServices& s_;
    bool withPersons_;
    std::int32_t nextFirm_ = 1; // where a new firm's number is looked for
    long rows_ = 0;
    bool inTransaction_ = false;
    bool finished_ = false;
};

} // namespace zv::exchange
