// Keeps a file's record buffer as it was around a piece of work that reads
// other records into it (a look-up, a picking list): the bytes are saved when
// the guard is made and put back when it goes.
#pragma once

#include "record_file.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zv::access {

class SavedRecord {
public:
    explicit SavedRecord(RecordFile& file)
        : file_(file), bytes_(file.record(), file.record() + file.recordSize()) {}
    ~SavedRecord() { std::copy(bytes_.begin(), bytes_.end(), file_.record()); }
    SavedRecord(const SavedRecord&) = delete;
    SavedRecord& operator=(const SavedRecord&) = delete;

private:
    RecordFile& file_;
    std::vector<std::uint8_t> bytes_; // the buffer as it was
};

} // namespace zv::access
