// Pieces of the program's flow that need no window: the log path from the
// command line, the caption of the message boxes, and the directories above
// the log that are removed at the end.
#pragma once

#include "uninstall/texts.h"

#include <string>
#include <string_view>
#include <vector>

namespace zv::uninstall {

// The log path is everything after the program name and the blanks that
// follow it, taken as it stands (quotes stay).
std::string logPathFromCommandLine(std::string_view commandLine);

// "<product> Uninstall", or the version's caption when there is no product.
std::string captionFor(const std::string& product, const Version& version);

// The directories above the log file, deepest first: the path is cut back
// character by character and every text before a "\" is a candidate. A drive
// ("C:"), a share root ("\\server\share") and "." or ".." are left out, since
// removing them would touch directories the log never named.
std::vector<std::string> parentDirectories(const std::string& logPath);

} // namespace zv::uninstall
