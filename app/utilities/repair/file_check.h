// The check of a native data file, as `zevlon-tool check` makes it: every
// invariant of the file on disk, then every table's keys and statistics against
// its records. An inconsistency met while checking is reported as the check's
// finding; it does not end the program.
#pragma once

#include <string>

namespace zv::utilities {

// The first fault of the file that the physical name names ("ADRESAR",
// ".\VYBER"), empty when the file is sound. A file that cannot be opened is
// named with the error ("cannot open: error 2").
std::string checkDataFile(const std::string& physicalName);

} // namespace zv::utilities
