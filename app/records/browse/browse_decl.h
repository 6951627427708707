// What a browse of one record kind is made of: its file, its sort orders (one
// per tab, the last one the fallback when no tab is chosen), its columns and,
// for lists embedded in a form, the field that restricts it to the parent.
// A browse of a new record kind is a short declaration of these.
#pragma once

#include "app/shell/access/record_file.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv::records {

enum class LocatorKind {
    None,   // no locator in this order
    Text,   // the typed text sets the key's first field
    Number, // the typed text is taken as a number
};

struct SortOrder {
    std::string key; // "ADR:BYFIRMA"
    LocatorKind locator = LocatorKind::None;
    int locatorWidth = 0;                   // characters of the locator field
    std::vector<std::string> blankOnLocate; // fields blanked before locating ("ADR:MESTO")
    std::string tab;                        // tab caption (UTF-8), "" for the fallback order
    std::string hint;                       // tab hint (UTF-8)
    // Only records it accepts are listed in this order (null: every record).
    std::function<bool(const access::RecordFile&)> filter = {};
    // Where the order starts: puts the first key value into the cleared buffer
    // ("today's tasks" start at today); null: at the first record.
    std::function<void(access::RecordFile&)> start = {};
};

// A look-up: the record of `file` whose key `key` holds a number in its first
// field, shown by its field `shown` (a firm's name beside its ADR:ID).
struct Lookup {
    std::string file;  // "Adresar"; "" for none
    std::string key;   // "ADR:BYID"
    std::string shown; // "ADR:FIRMA"
    explicit operator bool() const { return !file.empty(); }
};

struct Column {
    std::string title;                                    // header (UTF-8)
    std::string field;                                    // "ADR:FIRMA"; "" when text is given
    std::function<std::string(access::RecordFile&)> text; // Windows-1250, for looked-up columns
    int width = 10;                                       // designed width in characters
    bool alignRight = false;
    int zeroPad = 0;    // numbers shown with at least this many digits (leading zeros)
    Lookup lookup = {}; // shows the looked-up text for the field's number instead
};

struct BrowseDecl {
    std::string file;              // file label, "Adresar"
    std::vector<SortOrder> orders; // tab orders first, the fallback order last
    std::vector<Column> columns;
    std::string restrictField; // "OSO:ID": only records whose field equals the parent's value
    // The background of a row, 0xRRGGBB, from its record; kDefaultColour keeps the list's own.
    std::function<std::uint32_t(const access::RecordFile&)> rowColour = {};
};

constexpr std::uint32_t kDefaultColour = 0xFFFFFFFFu;

} // namespace zv::records
