// Packing a table's memo file (part of "RECOVER"): a new memo file holds only
// the memos the rows refer to, in row order, and the rows get the new block
// numbers. A crash at any step leaves the table with its old memos or its new
// ones, never a mix:
//  1. the new memo file is written under the work name "%s%d.DBT" and flushed;
//  2. the table file is copied to its backup N".BAK" and flushed;
//  3. the memo file is renamed to its backup N".BKT";
//  4. the work file takes the memo file's name;
//  5. the rows' memo references are rewritten in place and flushed;
//  6. N".BAK", then N".BKT" are removed.
// settleMemoPack(), run before a table is opened for writing, undoes a pack
// stopped before step 6 (both backups back in place) and removes a ".BKT" left
// after it.
#pragma once

#include "storage/dbase/xbase_error.h"

#include <string>

namespace zv::dbase {

// REQUIRES: the table is not open. A table without memo columns is left alone.
[[nodiscard]] Xbase packMemos(const std::string& tablePath);
void settleMemoPack(const std::string& tablePath);

} // namespace zv::dbase
