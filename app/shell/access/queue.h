// An in-memory list (queue) of fixed-layout rows owned by one procedure. Rows
// are addressed by 1-based index; get() makes a row current, put() and remove()
// act on the current row. Errors are the record access codes (30 "Entry Not
// Found" for an index out of range, 33 without a current row).
#pragma once

#include "error_codes.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace zv::access {

template <typename Row> class Queue {
public:
    // The row buffer that add, get and put exchange with the list.
    Row buffer{};

    void free() {
        rows_.clear();
        current_ = 0;
    }
    std::size_t records() const { return rows_.size(); }

    // Appends the buffer; it becomes the current row.
    void add() {
        rows_.push_back(buffer);
        current_ = rows_.size();
    }
    // Inserts the buffer at index (1 = first row; past the end appends).
    void addAt(std::size_t index) {
        if (index < 1) index = 1;
        if (index > rows_.size() + 1) index = rows_.size() + 1;
        rows_.insert(rows_.begin() + static_cast<long>(index - 1), buffer);
        current_ = index;
    }
    // Copies row index into the buffer and makes it current.
    [[nodiscard]] int get(std::size_t index) {
        if (index < 1 || index > rows_.size()) return kEntryNotFound;
        buffer = rows_[index - 1];
        current_ = index;
        return 0;
    }
    // Rewrites the current row from the buffer.
    [[nodiscard]] int put() {
        if (current_ < 1 || current_ > rows_.size()) return kRecordNotAvailable;
        rows_[current_ - 1] = buffer;
        return 0;
    }
    // Removes the current row; the row after it takes its index.
    [[nodiscard]] int remove() {
        if (current_ < 1 || current_ > rows_.size()) return kRecordNotAvailable;
        rows_.erase(rows_.begin() + static_cast<long>(current_ - 1));
        current_ = 0;
        return 0;
    }
    std::size_t pointer() const { return current_; }

    // Sorts by a "less" comparison, keeping the order of equal rows.
    void sort(const std::function<bool(const Row&, const Row&)>& less) {
        std::stable_sort(rows_.begin(), rows_.end(), less);
        current_ = 0;
    }

    const Row& row(std::size_t index) const { return rows_[index - 1]; }

private:
    std::vector<Row> rows_;
    std::size_t current_ = 0; // 1-based index of the current row, 0: none
};

} // namespace zv::access
