// A table declaration: the fields, memos and keys of one table as the program
// declares them. The data dictionary produces these; the native driver stores
// them as the table's definition and compares them at open; the dBase driver
// derives its columns from them.
#pragma once

#include "field_type.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv::storage {

struct FieldDecl {
    std::string name; // stored name, e.g. "ADR:FIRMA" or an external name
    FieldType type = FieldType::Byte;
    std::uint16_t offset = 0;   // position in the record
    std::uint16_t size = 0;     // bytes: element size x element count
    std::uint16_t elements = 1; // product of the array dimensions, 1 for a scalar
    std::uint16_t places = 0;   // DECIMAL: decimal places
    std::uint16_t digits = 0;   // DECIMAL: digits
    std::string picture;        // text types: display picture ("@s50", "@d6." ...)
    bool overlay = false;       // occupies storage of an enclosing or earlier field
};

// A plain field: its stored name, type, place and size (the rest as default).
inline FieldDecl plainField(std::string name, FieldType type, std::uint16_t offset,
                            std::uint16_t size) {
    FieldDecl f;
    f.name = std::move(name);
    f.type = type;
    f.offset = offset;
    f.size = size;
    return f;
}

struct MemoDecl {
    std::string externalName;    // name kept in the file's definition
    std::string name;            // name the program uses ("ADR:POZNAMKA")
    std::uint16_t maxLength = 0; // bytes
    bool blob = false;           // binary data with a stored length
};

// Key flag bits as stored.
enum KeyFlags : std::uint8_t {
    kKeyDuplicates = 0x01,
    kKeyOptional = 0x02,
    kKeyNoCase = 0x04,
    kKeyCzech = 0x08, // text components in Czech alphabetical order
    kKeyPrimary = 0x10,
    kKeyIndex = 0x20,
    kKeyOutside = 0x40,
};

struct KeyComponent {
    std::uint16_t field = 0; // field number in the declaration (0-based)
    bool descending = false;
};

struct KeyDecl {
    std::string externalName;
    std::string name;       // "ADR:BYFIRMA"
    std::uint8_t flags = 0; // KeyFlags
    std::vector<KeyComponent> components;
};

struct TableDecl {
    std::uint16_t recordLength = 0;
    std::vector<FieldDecl> fields;
    std::vector<MemoDecl> memos;
    std::vector<KeyDecl> keys;
    bool createAllowed = true; // the file may be created when absent
    bool oem = false;          // text stored in the OEM character set
};

} // namespace zv::storage
