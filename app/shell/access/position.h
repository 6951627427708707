// A position: where a record stands in one key order (or in record-number
// order), taken from the current record and later used to return to it. Opaque
// to callers; at most 512 bytes when stored.
#pragma once

#include <cstdint>
#include <vector>

namespace zv::access {

struct Position {
    int key = -1;                       // key number, -1 for record-number order
    std::uint32_t recordNumber = 0;     // 0: no record
    std::vector<std::uint8_t> keyBytes; // the record's bytes of the key's fields, in order

    bool valid() const { return recordNumber != 0; }
    friend bool operator==(const Position&, const Position&) = default;
};

} // namespace zv::access
