// zevlon-tool export: the working selection of a program directory written to a
// native export file, a dBase IV table, vCards or CSV, on the export code of the
// window.
#include "app/exchange/export/export.h"
#include "tools/commands.h"
#include "tools/program_directory.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <unistd.h>

namespace zv::tool {

int runExport(Args args) {
    const char* usage = "usage: export DIR native|dbase|vcard|csv OUT [--by NAME] [--note TEXT]";
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
    const std::pair<std::string_view, exchange::ExportFormat> formats[] = {
        {"native", exchange::ExportFormat::Native},
        {"dbase", exchange::ExportFormat::Dbase},
        {"vcard", exchange::ExportFormat::Vcard},
        {"csv", exchange::ExportFormat::Csv}};
    const auto* format = plain.size() == 3
                             ? std::find_if(std::begin(formats), std::end(formats),
                                            [&](const auto& f) { return f.first == plain[1]; })
                             : std::end(formats);
    if (format == std::end(formats)) return badInput(usage);
    std::string out(plain[2]);
    if (out.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) out = std::string(cwd) + "/" + out;
    }
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    exchange::ExportOptions options;
    options.format = format->second;
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
    if (exporter.error() != 0) {
        std::fprintf(stderr, "zevlon-tool: %s: error %d\n", out.c_str(), exporter.error());
        return 1;
    }
    std::printf("firms %ld persons %ld meetings %ld\n", counts.firms, counts.persons,
                counts.meetings);
    return 0;
}

} // namespace zv::tool
