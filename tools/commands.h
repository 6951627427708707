// Entry points of the zevlon-tool subcommands, one a line.
#pragma once

#include "command.h"

namespace zv::tool {

int runDbf(Args args);

} // namespace zv::tool
