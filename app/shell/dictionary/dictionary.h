// The data dictionary: every file of the program with its label, prefix,
// physical name, driver, record layout, keys and memos. Layouts come from
// layouts.h; from them this unit derives the field tables that generic code and
// the evaluator use (by prefixed name, "ADR:FIRMA") and the table declarations
// that the drivers store.
#pragma once

#include "storage/declaration.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::dict {

enum class Driver { Native, DBase, ByteStream };

// The name under which a driver is registered ("QUARTO", "dBase4", "DOS").
std::string_view driverName(Driver d);

// One field of a layout.
struct FieldSpec {
    std::string_view member;     // name without prefix ("FIRMA")
    std::string_view storedName; // name kept in the file's definition; "" = prefixed name
    std::string_view picture;    // "@d6." standard date, "@t1" standard time, "" plain
    storage::FieldType type;
    std::size_t offset;
    std::size_t size;
    int digits; // DECIMAL only
    int places; // DECIMAL only
};

// One record layout: its fields in order and its size.
struct Layout {
    std::string_view name; // the record struct's name ("AdresarRecord")
    std::size_t size;
    std::vector<FieldSpec> fields;

    // Index of a field by member name (any letter case), or -1.
    int indexOf(std::string_view member) const;
};

struct KeySpec {
    std::string_view name;                    // without prefix ("BYFIRMA")
    std::string_view storedName;              // "" = prefixed name
    std::uint8_t flags;                       // storage::KeyFlags
    std::vector<std::string_view> components; // member names, in order
};

struct MemoSpec {
    std::string_view name; // without prefix ("POZNAMKA")
    std::uint16_t maxLength;
};

// Where a file's physical name comes from at start-up.
enum class NameRoot {
    DataPrefix, // DataPrefix followed by the base name ("ADRESAR")
    Fixed,      // the base name as it stands (".\VYBER")
    Label,      // the label, until the export or import names the file
};

struct FileDef {
    std::string_view label;  // "Adresar"
    std::string_view prefix; // "ADR"
    NameRoot nameRoot;
    std::string_view baseName; // see NameRoot
    Driver driver;
    const Layout* layout;
    std::vector<KeySpec> keys;
    std::vector<MemoSpec> memos;

    // "ADR:FIRMA" for a member of this file.
    std::string fieldName(std::size_t field) const;
    std::string keyName(std::size_t key) const;
    std::string memoName(std::size_t memo) const;

    // The physical name at start-up, given the data directory prefix.
    std::string defaultPhysicalName(std::string_view dataPrefix) const;

    // The declaration the driver stores and compares.
    storage::TableDecl declaration() const;
};

// Every file of the program, in dictionary order.
std::span<const FileDef> files();

// A file by label (any letter case), or nullptr.
const FileDef* fileByLabel(std::string_view label);

// A field by prefixed name ("adr:firma" too), or {nullptr, -1}.
struct FieldRef {
    const FileDef* file = nullptr;
    int field = -1;
    explicit operator bool() const { return file != nullptr; }
    const FieldSpec& layoutField() const { return file->layout->fields[static_cast<std::size_t>(field)]; }
};
FieldRef fieldByName(std::string_view prefixedName);

// Every layout.
std::span<const Layout* const> layouts();

} // namespace zv::dict
