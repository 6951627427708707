#include "app/utilities/backup/command_failure.h"

#include "platform/codepage.h"

#include <cstring>

namespace zv::utilities {

std::string commandFailure(BackupKind kind, const WatchedProgram& program,
                           std::string_view command) {
    const std::string what =
        kind == BackupKind::Backup ? "Záloha dat se nezdařila: " : "Obnovení dat se nezdařilo: ";
    std::string why;
    switch (program.state()) {
    case WatchedProgram::State::NotStarted:
        if (program.startError() == 0) return {}; // nothing to run
        why = "příkaz nelze spustit (chyba " + std::to_string(program.startError()) + ": " +
              std::strerror(program.startError()) + ").";
        break;
    case WatchedProgram::State::Exited:
        if (program.exitCode() == 0) return {};
        why = "příkaz skončil s návratovým kódem " + std::to_string(program.exitCode()) + ".";
        break;
    case WatchedProgram::State::Killed:
        why = "příkaz byl ukončen signálem " + std::to_string(program.exitCode()) + ".";
        break;
    case WatchedProgram::State::Running:
    case WatchedProgram::State::Lost:
        return {};
    }
    return cp1250::fromUtf8(what + why + "\n\nPříkaz: ") + std::string(command);
}

} // namespace zv::utilities
