// The standard open of a data file: open with the one retry after a lock,
// creation of an absent file from its layout, the rebuild question when keys
// must be rebuilt, and the standard messages for what cannot be mended.
#pragma once

#include "procedure_services.h"

namespace zv::services {

enum class OpenOutcome {
    Opened,     // open (or already open); the file's open counter was raised
    Failed,     // not open; the error and any message have been given
    EndProgram, // the user confirmed message 30: the program ends with "Disk Error"
};

struct OpenOptions {
    std::uint16_t mode = access::kOpenShared;
    bool createIfAbsent = true;
    bool silentIfAbsent = false;
    bool shared = true; // read/write, deny none whatever mode was passed
};

OpenOutcome standardOpen(ProcedureServices& s, access::RecordFile& file, OpenOptions options = {});

// Lowers the open counter and closes the file when the last user leaves.
void standardRelease(access::RecordFile& file);

} // namespace zv::services
