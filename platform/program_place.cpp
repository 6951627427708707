#include "platform/program_place.h"

#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace zv {
namespace {

namespace fs = std::filesystem;

// $variable, else $HOME/fallback, else fallback under the current directory.
fs::path baseFolder(const char* variable, const char* fallback) {
    if (const char* x = std::getenv(variable); x && *x && fs::path(x).is_absolute()) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / fallback;
    return fs::current_path() / fallback;
}

int make(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    return ec ? (ec.value() ? ec.value() : EIO) : 0;
}

} // namespace

ProgramPlace enterProgramPlace(std::string_view settingsName) {
    ProgramPlace place;
    std::error_code ec;
    if (fs::exists(fs::path(settingsName), ec)) {
        place.directory = fs::current_path(ec).string();
        return place;
    }
    place.userFolders = true;
    const fs::path config = baseFolder("XDG_CONFIG_HOME", ".config") / "zevlon";
    const fs::path data = baseFolder("XDG_DATA_HOME", ".local/share") / "zevlon";
    place.directory = config.string();
    if ((place.error = make(config)) != 0) return place;
    const fs::path settings = config / settingsName;
    if (!fs::exists(settings, ec)) {
        if ((place.error = make(data)) != 0) return place;
        // "DATA" is a prefix put in front of the file names: it ends with the separator.
        const ProfileFile ini(settings.string());
        if (!ini.writeString("QDADRESAR", "DATA", data.string() + "/")) {
            place.error = errno ? errno : EIO;
            return place;
        }
        place.dataDirectory = data.string();
        place.firstStart = true;
    }
    if (::chdir(config.c_str()) != 0) place.error = errno;
    return place;
}

} // namespace zv
