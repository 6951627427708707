// Entry points of the zevlon-tool subcommands, one a line.
#pragma once

#include "tools/command.h"

namespace zv::tool {

int runDate(Args args);
int runTime(Args args);
int runFormat(Args args);
int runDeformat(Args args);
int runEval(Args args);
int runDemo(Args args);
int runDictionaryDump(Args args);
int runCheck(Args args);
int runStats(Args args);
int runTables(Args args);
int runDump(Args args);
int runBuild(Args args);
int runDbf(Args args);
int runSelect(Args args);
int runCondition(Args args);
int runExport(Args args);
int runImport(Args args);
int runDuplicates(Args args);
int runTasks(Args args);
int runRepair(Args args);
int runOrder(Args args);
int runLabels(Args args); // built with Qt only
int runReport(Args args); // built with Qt only

} // namespace zv::tool
