// The record buffers of the data files as the expression evaluator knows them:
// every field under its prefixed name ("ADR:FIRMA"), memos included, read from
// the file's one buffer at evaluation time; and view filters given as text.
#pragma once

#include "app/shell/access/database.h"
#include "app/shell/access/view.h"

#include <string_view>

namespace zv::selections {

// Binds every field and memo of the file; false when one could not be bound.
[[nodiscard]] bool bindFile(access::RecordFile& file);

// Binds the files whose fields conditions and filters may name: Adresar, Osoby,
// Schuzky, UKOLY and Vybery.
[[nodiscard]] bool bindStandardFiles(access::Database& db);

// A view filter deciding each record by an expression over bound names. *error
// gets 0, or 800/801 when the text is no expression or names something unbound
// (the filter then lets every record pass).
access::View::Filter textFilter(std::string_view expression, int* error = nullptr);

} // namespace zv::selections
