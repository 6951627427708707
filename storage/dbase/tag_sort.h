// Sorting the entries of a tag being built. Up to a run's worth of entries are
// sorted in memory; more are sorted in runs written to the work files
// "%sSTKS%d.TMP" (the given directory, numbered from 0), which are then merged
// back and removed. A failed write or read leaves the entries as they were and
// removes the work files.
#pragma once

#include "storage/dbase/tag_set.h"

#include <cstddef>
#include <string>

namespace zv::dbase {

inline constexpr std::size_t kSortRun = 50000; // entries sorted in memory at once

// Sorts tag.entries in the tag's order. REQUIRES: directory ends with a separator
// or is empty (the current directory).
[[nodiscard]] Xbase sortTagEntries(Tag& tag, const std::string& directory,
                                   std::size_t run = kSortRun);

} // namespace zv::dbase
