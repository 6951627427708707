// A view: a read-only cursor over one file in one key order, opened and closed
// on its own. It reads into the file's record buffer and keeps its own
// position, so other reads of the file between its reads do not disturb it.
// A view may carry a filter: records for which it answers false are skipped.
#pragma once

#include "position.h"
#include "record_file.h"

#include <functional>

namespace zv::access {

class View {
public:
    using Filter = std::function<bool(const RecordFile&)>;

    explicit View(RecordFile& file) : file_(file) {}

    // Opening a view needs the file open; the mode is kept for the record (views never write).
    int open(std::uint16_t mode = kOpenDenyWrite);
    void close() { open_ = false; }
    bool isOpen() const { return open_; }

    void setFilter(Filter filter) { filter_ = std::move(filter); }

    // Before the first / after the last record of key's order (-1: record-number order).
    int setKey(int key);
    int setKeyEnd(int key);
    // At the first record at or after the buffer's key value.
    int setKeyValue(int key);

    int next();
    int previous();

    Position position() const { return pos_; }
    int reset(const Position& pos);

    RecordFile& file() { return file_; }

private:
    enum class Start { None, Begin, End, Value, After, At };
    int read(bool forward);

    RecordFile& file_;
    Filter filter_;
    int key_ = -1;
    Start start_ = Start::None;
    Position pos_; // the record last read (After) or the record to read next (At)
    std::vector<std::uint8_t> value_; // the buffer at setKeyValue
    std::uint64_t calls_ = 0;         // the file's call count after the last read
    bool open_ = false;
};

} // namespace zv::access
