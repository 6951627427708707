// zevlon-tool import: a native export file brought into the address book of a
// program directory, on the import code of the window. The directory may be new:
// the data files missing in it are created as the program creates them.
#include "app/exchange/import/import.h"
#include "tools/commands.h"
#include "tools/program_directory.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace zv::tool {

int runImport(Args args) {
    const char* usage =
        "usage: import DIR FILE [--mode never|newer|always|fill] [--map TARGET=FIELD ...] [--cz]";
    std::vector<std::string_view> plain;
    exchange::ImportMode mode = exchange::ImportMode::Never;
    bool dbaseOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--mode" && i + 1 < args.size()) {
            const std::string_view m = args[++i];
            if (m == "never")
                mode = exchange::ImportMode::Never;
            else if (m == "newer")
                mode = exchange::ImportMode::Newer;
            else if (m == "always")
                mode = exchange::ImportMode::Always;
            else if (m == "fill")
                mode = exchange::ImportMode::Fill;
            else
                return badInput(usage);
        } else if (args[i] == "--map" && i + 1 < args.size()) {
            ++i;
            dbaseOptions = true;
        } else if (args[i] == "--cz") {
            dbaseOptions = true;
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 2) return badInput(usage);
    std::string file(plain[1]);
    if (file.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) file = std::string(cwd) + "/" + file;
    }
    const bool dbase = file.size() > 4 && (file.ends_with(".dbf") || file.ends_with(".DBF"));
    if (dbase || dbaseOptions) return badInput("the import of dBase IV tables is not built yet");
    std::error_code ec;
    std::filesystem::create_directories(std::string(plain[0]), ec);
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    exchange::Importer importer(program.services, file, mode);
    if (importer.error() != 0) {
        std::fprintf(stderr, "zevlon-tool: %s: not an export file (error %d)\n", file.c_str(),
                     importer.error());
        return 1;
    }
    while (importer.next()) {
    }
    const exchange::ImportCounts c = importer.finish();
    std::printf("added %ld changed %ld skipped %ld persons %ld meetings %ld\n", c.added, c.changed,
                c.skipped, c.persons, c.meetings);
    return 0;
}

} // namespace zv::tool
