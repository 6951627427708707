// zevlon-tool duplicates: the pairs of firms of a program directory's address
// book that are probably one firm entered twice, as CSV lines (the number kept,
// the number to merge, why, then name and town of each), or one pair merged as
// "Sloučit" merges it.
#include "app/records/duplicates/duplicate_search.h"
#include "app/records/duplicates/firm_merge.h"
#include "app/shell/services/standard_open.h"
#include "tools/commands.h"
#include "tools/csv.h"
#include "tools/program_directory.h"

#include <charconv>
#include <string>

namespace zv::tool {
namespace {

bool number(std::string_view text, std::int32_t& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out > 0;
}

} // namespace

int runDuplicates(Args args) {
    const char* usage = "usage: duplicates DIR [--merge KEEP OTHER]";
    std::int32_t kept = 0, other = 0;
    if (args.size() == 4 && args[1] == "--merge") {
        if (!number(args[2], kept) || !number(args[3], other)) return badInput(usage);
    } else if (args.size() != 1) {
        return badInput(usage);
    }
    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("no directory " + std::string(args[0]));
    if (kept != 0) {
        records::MergeCounts c;
        const int rc = records::mergeFirms(program.services, kept, other,
                                           {program.state.userName, program.state.dnes}, &c);
        if (rc != 0) {
            std::fprintf(stderr, "zevlon-tool: firms %d and %d not merged: %s (%d)\n", kept, other,
                         cp1250::toUtf8(access::errorText(rc)).c_str(), rc);
            return 1;
        }
        std::printf("merged %d into %d: persons %ld meetings %ld tasks %ld keywords %ld\n", other,
                    kept, c.persons, c.meetings, c.tasks, c.keywords);
        return 0;
    }
    auto& adresar = program.db.file("Adresar");
    if (services::standardOpen(program.services, adresar) != services::OpenOutcome::Opened)
        return 1;
    const auto pairs = records::findDuplicates(adresar);
    services::standardRelease(adresar);
    for (const auto& p : pairs) {
        CsvRow row;
        row.add(std::to_string(p.kept.id));
        row.add(std::to_string(p.other.id));
        row.add(records::reasonText(p.reasons));
        for (const auto* f : {&p.kept, &p.other}) {
            row.add(cp1250::toUtf8(f->name));
            row.add(cp1250::toUtf8(f->town));
        }
        row.print();
    }
    return 0;
}

} // namespace zv::tool
