// Firms of the address book that are probably one firm entered twice: the same
// IČO, or the same name and town (see firm_match.h). Listed in pairs, the
// firm with the lower number first as the one to keep; a firm found with
// several others makes a pair with the first of them. Reads Adresar in file
// order into its buffer; the caller re-reads what it needs afterwards.
#pragma once

#include "app/shell/access/record_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::records {

enum DuplicateReason : unsigned {
    kSameIco = 1,         // "IČO"
    kSameNameAndTown = 2, // "název a město"
};

struct DuplicateFirm {
    std::int32_t id = 0;
    std::string name; // ADR:FIRMA, Windows-1250, trimmed
    std::string town; // ADR:MESTO
    std::string ico;  // ADR:ICO
};

struct DuplicatePair {
    DuplicateFirm kept;   // the lower number
    DuplicateFirm other;  // to be merged into it
    unsigned reasons = 0; // DuplicateReason bits
};

// REQUIRES: adresar is open. Pairs ordered by the kept firm's name, then numbers.
std::vector<DuplicatePair> findDuplicates(access::RecordFile& adresar);

// "IČO", "název a město" or both, as the window shows the reason (UTF-8).
std::string reasonText(unsigned reasons);

} // namespace zv::records
