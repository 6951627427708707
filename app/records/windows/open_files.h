// The data files a window uses, opened through the standard open when it
// starts and released when it ends (the files' open counters decide when a
// file is really closed).
#pragma once

#include "app/shell/services/standard_open.h"

#include <string_view>
#include <vector>

namespace zv::records {

class OpenFiles {
public:
    OpenFiles(services::ProcedureServices& s, const std::vector<std::string_view>& labels) {
        for (auto label : labels) {
            auto* f = s.db.fileOrNull(label);
            if (!f || services::standardOpen(s, *f) != services::OpenOutcome::Opened) {
                ok_ = false;
                break;
            }
            files_.push_back(f);
        }
    }
    ~OpenFiles() {
        for (auto* f : files_)
            services::standardRelease(*f);
    }
    OpenFiles(const OpenFiles&) = delete;
    OpenFiles& operator=(const OpenFiles&) = delete;
    bool ok() const { return ok_; }

private:
    std::vector<access::RecordFile*> files_;
    bool ok_ = true;
};

} // namespace zv::records
