// The drivers of the program, registered with a database: the native driver for
// the data files, the dBase IV driver for the export table and the byte-stream
// driver for reading plain files. They live as long as the process.
#pragma once

#include "database.h"

namespace zv::access {

void registerStandardDrivers(Database& db);

} // namespace zv::access
