// How the keys of a table declaration become index tags of the table's .MDX.
//
// A key's external name may hold, in this order, a key type letter (C, D, F or
// N), the key expression in square brackets and a filter ",FOR[condition]"; each
// bracketed text is at most 254 characters and nothing else may stand there.
// Without an expression the key's fields, joined with "+", make it (numbers as
// STR(), dates as DTOS() when a key has more than one field). The tag is named by
// the key's name after its last ":", cut to 10 characters; tag names must differ
// in their first 8 characters. A key whose fields are all descending gives a
// descending tag; one without duplicates gives a unique tag. A key kept outside
// the file (flag 0x40) is not a tag of the .MDX but has an index file of its own,
// named by the tag with ".NDX", beside the table.
#pragma once

#include "storage/dbase/column_map.h"
#include "storage/declaration.h"

#include <string>
#include <vector>

namespace zv::dbase {

inline constexpr const char* kTagClash = "This file has two key files with the same name.\n"
                                         "Key names must be unique in the first 8 characters";

struct TagDef {
    std::string tag;        // tag name, upper case, at most 10 characters
    char typeLetter = 0;    // C, D, F, N, or 0 when the declaration gives none
    std::string expression; // the key expression
    std::string filter;     // the FOR condition, empty for none
    bool descending = false;
    bool unique = false;
    bool outside = false; // kept in its own .NDX file
};

// Reads the keys of the declaration over its column map. Expressions are not
// compiled here (see TagSet).
[[nodiscard]] MapResult buildTagDefs(const storage::TableDecl& decl, const ColumnMap& map,
                                     std::vector<TagDef>& defs);

} // namespace zv::dbase
