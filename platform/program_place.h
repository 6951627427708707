// Where the program works. A ZEVLON.INI in the current directory makes that
// directory the program's, as on a shared installation: nothing changes.
// Otherwise the program works in the user's own folders: ZEVLON.INI and the
// working selection in $XDG_CONFIG_HOME/zevlon (~/.config/zevlon), the data
// files in $XDG_DATA_HOME/zevlon (~/.local/share/zevlon), which the settings
// name in "DATA" of section "QDADRESAR". The first start there makes both
// folders and a ZEVLON.INI that names the data folder; later starts use what
// that ZEVLON.INI says. Process start only (it changes the current directory).
#pragma once

#include <string>
#include <string_view>

namespace zv {

struct ProgramPlace {
    std::string directory;     // the program's directory, now the current one
    std::string dataDirectory; // the data folder a first start made; "" otherwise
    bool userFolders = false;  // the program works in the user's folders
    bool firstStart = false;   // they were made just now
    int error = 0;             // errno when a folder could not be made or entered
};

// REQUIRES: settingsName is the settings file's bare name ("ZEVLON.INI").
ProgramPlace enterProgramPlace(std::string_view settingsName);

} // namespace zv
