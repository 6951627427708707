// The twenty category captions of a caption set (a Kategorie record), as the
// firm form and the condition dialog show them: Windows-1250, trailing blanks cut.
#pragma once

#include "records.h"

#include <array>
#include <string>

namespace zv::dict {

std::array<std::string, 20> categoryCaptions(const rec::KategorieRecord& set);

} // namespace zv::dict
