// The logon name of the current user, as the operating system knows it.
#pragma once

#include <string>

namespace zv {

// The user's logon name in Windows-1250, or "" when none can be found.
// ZEVLON_USER, when set, overrides it (used by tests and shared accounts).
std::string currentUserName();

} // namespace zv
