// What makes a label layout printable: sizes above zero, a label no larger than
// its page, margins not negative, a sensible font size. The layout form refuses
// anything else and the label run checks a stored layout before it starts.
#pragma once

#include "app/shell/access/record_file.h"

#include <string>

namespace zv::selections {

// Why the layout in Label's buffer cannot be printed (Windows-1250); "" when it can.
std::string labelLayoutFault(const access::RecordFile& label);

} // namespace zv::selections
