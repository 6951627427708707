// The automatic history (AUTOHISTORIE): one contact-history entry, primed and
// then edited by the user, written for every firm of the working selection.
#pragma once

#include "app/shell/access/record_file.h"
#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <string_view>

namespace zv::selections {

// Primes Schuzky's buffer: who (the first 10 characters of the user's name),
// today, now, the person "<>" and the subject "AG - ".
void primeAutoHistory(access::RecordFile& schuzky, std::string_view userName, std::int32_t today,
                      std::int32_t now);

// Adds the entry in Schuzky's buffer once for every row of the selection, in
// the selection's file order, each with the row's firm. A failed add skips that
// firm. Returns the number of entries written. Schuzky and Vybery must be open.
long writeAutoHistory(access::RecordFile& schuzky, access::RecordFile& vybery);

} // namespace zv::selections
