// What ZALOHUJ and OBNOV tell the user when the backup or restore command they
// started could not start, ended with an exit code other than 0 or was ended by
// a signal: the user must not believe the data saved or restored when it is not.
#pragma once

#include "platform/program_start.h"

#include <string>
#include <string_view>

namespace zv::utilities {

enum class BackupKind { Backup, Restore };

// The message (Windows-1250) naming the command and its exit code, the signal or
// the system's reason; empty while it runs, after a success and when its end is
// not known.
std::string commandFailure(BackupKind kind, const WatchedProgram& program,
                           std::string_view command1250);

} // namespace zv::utilities
