// Tells the user where the program works when it works in the user's own
// folders: after the first start there, which folders it made; when a folder
// could not be made, why the program ends.
#pragma once

#include "platform/program_place.h"

class QWidget;

namespace zv::frame {

// Shows what the user needs to know about the place; false when the program
// cannot go on (the folders could not be made).
bool tellProgramPlace(const ProgramPlace& place, QWidget* parent = nullptr);

} // namespace zv::frame
