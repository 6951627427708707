// "Sloučit": one firm merged into another in one transaction. The persons,
// contacts, tasks and keywords of the other firm move to the kept one (a
// keyword the kept firm has already is dropped); the kept firm's empty fields
// and empty note take the other's values, and it is stamped as changed; the
// other firm and its row of the working selection are deleted, and the kept
// firm's row, when it has one, is copied anew. Whatever stops it, the files
// hold both firms as they were or the whole merge.
#pragma once

#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <string>

namespace zv::records {

struct MergeCounts {
    long persons = 0;
    long meetings = 0;
    long tasks = 0;
    long keywords = 0;       // moved
    long keywordsShared = 0; // the kept firm had them: dropped
    long fieldsFilled = 0;   // fields and note of the kept firm filled from the other
    bool selectionRowDropped = false;
};

struct MergeStamp {
    std::string user;      // ADR:UPRAVIL (Windows-1250); "" leaves it
    std::int32_t date = 0; // ADR:DT_UPRAVY; 0 leaves it
};

// 0, or the error that stopped it (nothing is then changed): 35 when either
// firm is not there or both are one, a file's open error, a lock time-out.
// Opens the files it needs through the standard open and releases them.
int mergeFirms(services::ProcedureServices& s, std::int32_t kept, std::int32_t other,
               const MergeStamp& stamp, MergeCounts* counts = nullptr);

} // namespace zv::records
