// zevlon-tool repair DIR: the key repair of program directory DIR, as "Oprava
// klíčů" makes it: the ten files of the address book rebuilt in their order,
// each checked afterwards, one line per file ("ADRESAR ok" or the error). A
// file that does not exist yet is named with its error but fails nothing.
#include "tools/commands.h"

#include "app/utilities/repair/key_repair.h"
#include "platform/codepage.h"
#include "tools/program_directory.h"

#include <cstdio>

namespace zv::tool {

int runRepair(Args args) {
    if (args.size() != 1) return badInput("usage: repair DIR");
    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("cannot enter " + std::string(args[0]));
    bool failed = false;
    for (const utilities::FileRepair& r : utilities::repairKeys(program.db)) {
        std::printf("%s %s\n", cp1250::toUtf8(r.baseName()).c_str(),
                    cp1250::toUtf8(r.outcome()).c_str());
        failed = failed || (!r.ok() && r.code != access::kFileNotFound);
    }
    return failed ? 1 : 0;
}

} // namespace zv::tool
