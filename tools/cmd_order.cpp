// zevlon-tool order DIR: the order of text keys settled as the program settles
// it at start ("RAZENI" in DIR's ZEVLON.INI; "CZ" is Czech alphabetical
// order): each file kept in the other order is rebuilt in the set one
// ("ADRESAR rebuilt" or "ADRESAR error 5 Access Denied"), then one line per
// existing file with its order ("ADRESAR CZ", "OSOBY BYTES").
#include "tools/commands.h"

#include "app/utilities/repair/text_order.h"
#include "platform/codepage.h"
#include "tools/program_directory.h"

#include <cstdio>

namespace zv::tool {

int runOrder(Args args) {
    if (args.size() != 1) return badInput("usage: order DIR");
    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("cannot enter " + std::string(args[0]));
    bool failed = false;
    for (const utilities::FileRepair& r : utilities::convertTextOrder(program.db)) {
        std::printf("%s %s\n", cp1250::toUtf8(r.baseName()).c_str(),
                    r.ok() ? "rebuilt" : cp1250::toUtf8(r.outcome()).c_str());
        failed = failed || !r.ok();
    }
    for (const utilities::FileOrder& f : utilities::fileOrders(program.db))
        if (!f.order.empty())
            std::printf("%s %s\n", cp1250::toUtf8(f.baseName).c_str(), f.order.c_str());
    return failed ? 1 : 0;
}

} // namespace zv::tool
