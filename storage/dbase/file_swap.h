// Rewriting a whole file so that a crash at any moment leaves either the old or
// the new content: the new bytes go to a work file, which is flushed; the old
// file is renamed to its backup name; the work file takes the file's name; the
// backup is removed. restoreSwap() puts a backup back when the file itself is
// missing (a crash between the two renames) and removes a stale backup.
//
// Work file names: an index is written as "DYN%03u.$$$" in the table's directory
// (the first free number from 0), a memo file as "%s%d.DBT" (the table's path
// without extension and the first free number); backups end in ".BAK" (index)
// and ".BKT" (memo).
#pragma once

#include "storage/dbase/xbase_error.h"

#include <cstdint>
#include <span>
#include <string>

namespace zv::dbase {

// The file beside a table with another extension, in the extension's letter case.
std::string siblingPath(const std::string& tablePath, const char* upperExtension);
// "DYN%03u.$$$" in the directory of path, the first name not taken.
std::string dynamicWorkPath(const std::string& path);
// "%s%d.DBT" for the table path without its extension, the first name not taken.
std::string memoWorkPath(const std::string& tablePath);

[[nodiscard]] Xbase swapFile(const std::string& path, const std::string& workPath,
                             const std::string& backupPath, std::span<const std::uint8_t> bytes);
void restoreSwap(const std::string& path, const std::string& backupPath);

// Test hook: the next swaps stop, as if the process died, before step n
// (1 write the work file, 2 rename to the backup, 3 rename the work file,
// 4 remove the backup), once the given number of swaps has passed; 0 = off.
void crashSwapForTest(int step, int afterSwaps = 0);

} // namespace zv::dbase
