// zevlon-tool import: a native export file brought into the address book of a
// program directory, on the import code of the window. The directory may be new:
// the data files missing in it are created as the program creates them.
#include "app/exchange/import/dbase_import.h"
#include "app/exchange/import/import.h"
#include "platform/codepage.h"
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
    exchange::DbaseMapping mapping;
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
            const std::string_view pair = args[++i];
            const auto eq = pair.find('=');
            if (eq == std::string_view::npos) return badInput(usage);
            const std::string_view target = pair.substr(0, eq);
            std::size_t t = 0;
            while (t < exchange::kDbaseTargets.size() && exchange::kDbaseTargets[t] != target)
                ++t;
            if (t == exchange::kDbaseTargets.size())
                return badInput("no target '" + std::string(target) + "'");
            mapping.fields[t] = std::string(pair.substr(eq + 1));
            dbaseOptions = true;
        } else if (args[i] == "--cz") {
            mapping.czech = true;
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
    const bool dbase =
        dbaseOptions || (file.size() > 4 && (file.ends_with(".dbf") || file.ends_with(".DBF")));
    std::error_code ec;
    std::filesystem::create_directories(std::string(plain[0]), ec);
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    exchange::ImportCounts c;
    if (dbase) {
        exchange::DbaseImporter importer(program.services, file, mapping, mode);
        if (importer.error() != 0) {
            std::fprintf(stderr, "zevlon-tool: %s: not a dBase IV table (error %d)\n", file.c_str(),
                         importer.error());
            return 1;
        }
        while (importer.next()) {
        }
        c = importer.finish();
    } else {
        exchange::Importer importer(program.services, file, mode);
        if (importer.error() != 0) {
            std::fprintf(stderr, "zevlon-tool: %s: not an export file (error %d)\n", file.c_str(),
                         importer.error());
            return 1;
        }
        while (importer.next()) {
        }
        c = importer.finish();
    }
    std::printf("added %ld changed %ld skipped %ld persons %ld meetings %ld\n", c.added, c.changed,
                c.skipped, c.persons, c.meetings);
    return 0;
}

} // namespace zv::tool
