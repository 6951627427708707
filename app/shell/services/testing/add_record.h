// For tests: adds one record to a file as a procedure would, through the
// standard open: the buffer cleared and filled, the record added, the file
// released.
#pragma once

#include "app/shell/access/record_file.h"
#include "app/shell/services/procedure_services.h"
#include "app/shell/services/standard_open.h"

#include <functional>

namespace zv::services::testing {

// 0, the add's error, or -1 when the file does not open.
inline int addRecord(ProcedureServices& s, access::RecordFile& file,
                     const std::function<void(access::RecordFile&)>& fill) {
    if (standardOpen(s, file) != OpenOutcome::Opened) return -1;
    file.clearBuffer();
    fill(file);
    file.clearCurrent();
    const int rc = file.add();
    standardRelease(file);
    return rc;
}

} // namespace zv::services::testing
