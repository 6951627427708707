// What the import window shows of a dBase IV table before anything is imported:
// its date, row count and fields with their byte positions within a row (the
// first field starts at 2; 1 is the deletion flag).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv::exchange {

struct DbaseField {
    int ordinal = 0;
    std::string name; // the 11 name bytes as stored, up to the first zero
    char type = ' ';
    int length = 0;
    int first = 0; // 1-based byte position within a row
    int last = 0;
};

struct DbaseHeader {
    bool read = false;
    std::int32_t date = 0; // standard date; 0 when the header holds none
    long rows = 0;
    int headerLength = 0;
    int rowLength = 0;
    std::vector<DbaseField> fields;
};

// Reads the header of the table at `path` (a native path); read is false when
// the file cannot be opened. A short file gives the fields found so far.
DbaseHeader readDbaseHeader(const std::string& path);

} // namespace zv::exchange
