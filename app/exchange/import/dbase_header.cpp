#include "app/exchange/import/dbase_header.h"

#include "platform/dates/standard_date.h"

#include <fstream>

namespace zv::exchange {

DbaseHeader readDbaseHeader(const std::string& path) {
    DbaseHeader h;
    std::ifstream in(path, std::ios::binary);
    if (!in) return h;
    h.read = true;
    unsigned char b[32] = {};
    in.read(reinterpret_cast<char*>(b), sizeof b);
    if (in.gcount() < 12) return h;
    h.headerLength = b[8] | (b[9] << 8);
    h.rowLength = b[10] | (b[11] << 8);
    h.rows = long(std::uint32_t(b[4]) | (std::uint32_t(b[5]) << 8) | (std::uint32_t(b[6]) << 16) |
                  (std::uint32_t(b[7]) << 24));
    // A year byte of 100 or more is no two-digit year: no valid date then.
    h.date = b[1] < 100 ? dates::dateFromParts(b[2], b[3], b[1]) : 0;
    if (!dates::isValidDate(h.date)) h.date = 0;
    const int count = h.headerLength > 0 ? (h.headerLength - 1) / 32 - 1 : 0;
    int last = 1;
    for (int ordinal = 1; ordinal <= count; ++ordinal) {
        unsigned char d[32];
        in.read(reinterpret_cast<char*>(d), sizeof d);
        if (in.gcount() < 32) break;
        DbaseField f;
        f.ordinal = ordinal;
        for (int i = 0; i < 11 && d[i] != 0; ++i)
            f.name.push_back(char(d[i]));
        f.type = char(d[11]);
        f.length = d[16];
        f.first = last + 1;
        f.last = f.first + f.length - 1;
        last = f.last;
        h.fields.push_back(f);
    }
    return h;
}

} // namespace zv::exchange
