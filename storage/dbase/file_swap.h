// Rewriting a whole file so that a crash at any moment leaves either the old or
// the new content: the new bytes go to a work file, which is flushed, and the
// work file then takes the file's name in one rename.
//
// Work file names: an index is written as "DYN%03u.$$$" in the table's directory
// (the first free number from 0), a memo file as "%s%d.DBT" (the table's path
// without extension and the first free number).
//
// Crash tests: every step of a rewrite (here and in memo_pack.h) first asks
// crashHere(); once the step set by crashAtStepForTest() is reached the rewrite
// stops there and reports FileWrite, leaving the files as a dead process would.
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
                             std::span<const std::uint8_t> bytes);

// Test hook: steps are counted from this call; step n (from 1) and every later
// one fail as in a crash until the hook is set to 0 again.
void crashAtStepForTest(int n);
// True when the current step is to fail (counts the step).
bool crashHere();

} // namespace zv::dbase
