// Keeps a file's record buffer and memos as they were around a piece of work
// that reads other records into them (a look-up, a picking list, finding a free
// number): they are saved when the guard is made and put back when it goes.
#pragma once

#include "record_file.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::access {

class SavedRecord {
public:
    explicit SavedRecord(RecordFile& file)
        : file_(file), bytes_(file.record(), file.record() + file.recordSize()) {
        for (std::size_t m = 0; m < file.def().memos.size(); ++m)
            memos_.push_back(file.memo(m));
    }
    ~SavedRecord() {
        std::copy(bytes_.begin(), bytes_.end(), file_.record());
        for (std::size_t m = 0; m < memos_.size(); ++m)
            file_.setMemo(memos_[m], m);
    }
    SavedRecord(const SavedRecord&) = delete;
    SavedRecord& operator=(const SavedRecord&) = delete;

private:
    RecordFile& file_;
    std::vector<std::uint8_t> bytes_; // the buffer as it was
    std::vector<std::string> memos_;  // the memos as they were
};

} // namespace zv::access
