// Demo data: a complete, believable data directory (firms with Czech names,
// streets and towns, their persons, contact history, keywords, tasks, category
// captions, operations, kinds, notes, jokes and label sheets), written through
// the record access services. The same seed gives the same data.
#pragma once

#include "app/shell/access/database.h"

#include <cstdint>
#include <string>

namespace zv::demo {

struct DemoOptions {
    int firms = 300;
    std::uint32_t seed = 1;
    std::int32_t today = 0;    // standard date the tasks are planned around
    std::int32_t now = 0;      // standard time of day (tasks due earlier today are overdue)
    std::string user = "Demo"; // Windows-1250
};

// Creates every data file (replacing existing ones) under the database's current
// physical names and fills them. Returns 0 or the first error code; *failedFile
// names the file that failed.
int createDemoData(access::Database& db, const DemoOptions& options, std::string* failedFile);

} // namespace zv::demo
