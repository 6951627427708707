// zevlon-tool export: the working selection of a program directory written to a
// native export file or a dBase IV table, on the export code of the window.
#include "app/exchange/export/export.h"
#include "tools/commands.h"
#include "tools/program_directory.h"

#include <string>
#include <unistd.h>

namespace zv::tool {

int runExport(Args args) {
    const char* usage = "usage: export DIR native|dbase OUT [--by NAME] [--note TEXT]";
    std::vector<std::string_view> plain;
    std::string by, note;
    bool byGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--by" && i + 1 < args.size()) {
            by = args[++i];
            byGiven = true;
        } else if (args[i] == "--note" && i + 1 < args.size()) {
            note = args[++i];
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 3 || (plain[1] != "native" && plain[1] != "dbase")) return badInput(usage);
    std::string out(plain[2]);
    if (out.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) out = std::string(cwd) + "/" + out;
    }
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    exchange::ExportOptions options;
    options.format =
        plain[1] == "native" ? exchange::ExportFormat::Native : exchange::ExportFormat::Dbase;
    options.file = out;
    options.creator = byGiven ? cp1250::fromUtf8(by) : program.state.userName;
    options.date = program.state.dnes;
    options.description = cp1250::fromUtf8(note);
    // A file of another kind is never replaced without a word.
    if (!exchange::mayOverwriteAsExport(out, options.format)) {
        std::fprintf(stderr, "zevlon-tool: %s exists and is no earlier export; not replaced\n",
                     out.c_str());
        return 1;
    }
    exchange::Exporter exporter(program.services, options);
    if (exporter.error() != 0) {
        std::fprintf(stderr, "zevlon-tool: %s: error %d\n", out.c_str(), exporter.error());
        return 1;
    }
    while (exporter.next()) {
    }
    const exchange::ExportCounts counts = exporter.finish();
    std::printf("firms %ld persons %ld meetings %ld\n", counts.firms, counts.persons,
                counts.meetings);
    return 0;
}

} // namespace zv::tool
