// The joke of the day shown at start-up: a random joke number from 1 to the
// number of jokes, drawn a random 1-10 times, and the first joke whose number is
// at least that; "Pro dnešek si žádný nezasloužíš" when there is none.
#pragma once

#include "app/shell/services/procedure_services.h"

#include <functional>
#include <string>

namespace zv::startup {

// A random integer from low to high inclusive.
using RandomInt = std::function<int(int low, int high)>;

// The joke's text (Windows-1250). Opens and releases Vtipy through the standard open.
std::string jokeOfTheDay(services::ProcedureServices& services, const RandomInt& random);

} // namespace zv::startup
