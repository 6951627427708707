// zevlon-tool: dates and pictures, expressions, checking, dumping and rebuilding
// data files, demo data, export and import, the key repair, from the command line.
#include "tools/command.h"
#include "tools/commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zv::tool {

std::string& ownerPassword() {
    static std::string password;
    return password;
}

int badInput(std::string_view message) {
    std::fprintf(stderr, "zevlon-tool: %.*s\n", static_cast<int>(message.size()), message.data());
    return 2;
}

namespace {

// Every subcommand, in the order --help lists them.
const Command kCommands[] = {
    {"", "", nullptr}, // placeholder so the table is never empty
    {"date", "date YYYY-MM-DD | NUMBER       a date as its day number, or back", runDate},
    {"time", "time HH:MM[:SS[.CC]] | NUMBER  a time as its standard time, or back", runTime},
    {"format", "format PICTURE NUMBER         a date or time shown through a picture", runFormat},
    {"deformat", "deformat PICTURE TEXT         typed text read through a picture", runDeformat},
    {"eval", "eval EXPRESSION [--bind NAME=VALUE]...  an expression's value", runEval},
    {"demo", "demo DIR [--firms N] [--seed S]  a complete demo data directory", runDemo},
    {"dump", "dump DIR LABEL [--key NAME]   a data file of DIR as CSV", runDump},
    {"dump", "dump FILE[\\!TABLE] [--key NAME] [--oem]  a table of a native file as CSV", runDump},
    {"check", "check FILE                    verify every invariant of a native file", runCheck},
    {"stats", "stats FILE                    pages per size class, depth, records, sizes",
     runStats},
    {"tables", "tables FILE                   the tables of a native file with their record counts",
     runTables},
    {"build", "build FILE[\\!TABLE]           rebuild every key of a table", runBuild},
    {"dbf",
     "dbf FILE.dbf [--tag NAME | --tags]  a dBase table as CSV in UTF-8, in the order of an index "
     "tag, or its tags",
     runDbf},
    {"select",
     "select DIR all|none|add-if CONDITION|remove-if CONDITION|add-key KEYWORD-ID|"
     "remove-key KEYWORD-ID|list|save TITLE|save-over N|load N|saved\n"
     "                                the working selection of program directory DIR and its "
     "saved selections",
     runSelect},
    {"condition", "condition DIR CAPTION OPERATOR VALUE  a condition and its caption",
     runCondition},
    {"export",
     "export DIR native|dbase|vcard|csv OUT [--by NAME] [--note TEXT]\n"
     "                                the working selection to an export file (csv: the "
     "persons in OUT_osoby.csv)",
     runExport},
    {"import",
     "import DIR FILE [--mode never|newer|always|fill] [--map TARGET=FIELD ...] [--cz]\n"
     "                                an export file or a dBase IV table into the address "
     "book of DIR\n"
     "  import DIR FILE.csv [--mode ...] [--map TARGET=COLUMN ...] [--no-header]\n"
     "                                a CSV file; without --map its headings name the "
     "targets;\n"
     "                                the persons of FILE_osoby.csv beside it come along",
     runImport},
    {"duplicates",
     "duplicates DIR [--merge KEEP OTHER]\n"
     "                                the pairs of firms that are probably one, or merges "
     "OTHER into KEEP",
     runDuplicates},
    {"tasks",
     "tasks DIR current|today|tomorrow|all|by-date|firm ID|day YYYY-MM-DD [--today YYYY-MM-DD]\n"
     "                                the task numbers a tab of the task list or a calendar "
     "day shows\n"
     "  tasks DIR done N [--by USER] [--today YYYY-MM-DD]\n"
     "                                marks task N done as \"Úkol splněn\" does",
     runTasks},
    {"repair",
     "repair DIR                    rebuild the ten files of the address book of DIR and check "
     "them",
     runRepair},
    {"order",
     "order DIR                     settle the order of text keys of DIR as \"RAZENI\" in its "
     "ZEVLON.INI sets it\n"
     "                                (CZ: Czech alphabetical order) and print each file's "
     "order",
     runOrder},
#ifdef ZEVLON_LABELS
    {"labels",
     "labels DIR --layout NAME [--copies N] [--skip N] [--spacing S] --pdf OUT.pdf\n"
     "                                address labels for the working selection, to PDF",
     runLabels},
    {"report",
     "report DIR firms|towns --pdf OUT.pdf | report DIR history FIRM-ID --pdf OUT.pdf\n"
     "                                the list of the selection by name or town, a firm's "
     "history, to PDF",
     runReport},
#endif
};

void printHelp() {
    std::puts("Usage: zevlon-tool COMMAND [ARGUMENTS]\n"
              "Command-line companion of ZEVLON, the contact manager.\n\nCommands:");
    for (const auto& c : kCommands)
        if (c.run) std::printf("  %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    std::puts("\n  --password PASSWORD  the owner password of enciphered native files\n"
              "  --help     show this help\n  --version  show the version");
}

} // namespace
} // namespace zv::tool

int main(int argc, char** argv) {
    using namespace zv::tool;
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--password" && i + 1 < argc)
            ownerPassword() = argv[++i];
        else
            args.push_back(argv[i]);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        printHelp();
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::puts("zevlon-tool " ZEVLON_VERSION);
        return 0;
    }
    for (const auto& c : kCommands)
        if (c.run && c.name == args[0]) return c.run(Args(args).subspan(1));
    return badInput("unknown command '" + std::string(args[0]) + "' (see --help)");
}
