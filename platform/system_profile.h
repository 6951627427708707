// The system profile: our own profile file standing for the system settings that
// the program reads and writes (regional settings in section "intl", font
// substitutions in section "FontSubstitutes").
//
// Found through the environment variable ZEVLON_SYSTEM_PROFILE; without it, the
// per-user file $XDG_CONFIG_HOME/zevlon/system.ini (~/.config/zevlon/system.ini).
#pragma once

#include "profile.h"

#include <string>

namespace zv {

// The path of the system profile as the environment now names it.
std::string systemProfilePath();

// The system profile file (its directory is created on first write).
ProfileFile systemProfile();

} // namespace zv
