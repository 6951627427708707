// The drivers zevlon-tool works with, registered with a database.
#pragma once

#include "app/shell/access/database.h"

namespace zv::tool {

void registerDrivers(access::Database& db);

} // namespace zv::tool
