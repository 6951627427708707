// Starting another program by its command line, as a separate process that runs
// on its own (the program does not wait for it). The command line is split into
// arguments the way Windows programs split theirs: blanks separate, double
// quotes group, a backslash before a quote escapes it. The program is looked up
// on PATH; a name written with "\" works too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The arguments of a command line (Windows-1250 in, UTF-8 out for the system).
std::vector<std::string> splitCommandLine(std::string_view commandLine1250);

// Starts the program; false when there is nothing to run or it cannot be started.
bool startProgram(std::string_view commandLine1250);

} // namespace zv
