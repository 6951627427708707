// "Hledat:" of the firm list: the firms whose name, town, contact, telephone
// or IČO hold a text anywhere in the field, whatever its accents and letter
// case: "cerny" finds "Černý", "novak" finds "NOVÁK". The firms are read once
// into memory (a few megabytes for 100,000 firms), so every keystroke is a
// scan of memory, not of the file.
#pragma once

#include "app/shell/access/record_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv::records {

// A Windows-1250 text in lower case without accents ("Čermák" -> "cermak").
std::string foldForSearch(std::string_view text1250);

class FirmSearch {
public:
    // Reads every firm of Adresar (open) into memory, replacing what was read
    // before; Adresar's buffer stays as it was. 0 or the read's error code.
    int load(access::RecordFile& adresar);
    std::size_t size() const { return firms_.size(); }

    // The numbers (ADR:ID) of at most `limit` firms holding the text, by name
    // (then number); *more tells whether there were further ones. An empty or
    // blank text finds nothing.
    std::vector<std::int32_t> find(std::string_view text1250, std::size_t limit,
                                   bool* more = nullptr) const;

private:
    struct Firm {
        std::int32_t id = 0;
        std::string folded; // name, town, contact, telephone, IČO, each after a separator
        std::string order;  // what the name sorts by: folded, or in Czech order its sort key
    };
    std::vector<Firm> firms_; // by name as the firm list orders it, then number
};

} // namespace zv::records
