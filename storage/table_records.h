// The records that describe the tables of a native file: table name records,
// definition blocks and memo chunks, and reading a table back by its stored
// definition alone (zevlon-tool reads any native file this way).
#pragma once

#include "storage/declaration.h"
#include "storage/native_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::storage {

// Key of the table name record: 0xFE and the name in upper case.
std::string tableNameKey(const std::string& table);
// Key of definition block `block` of a table.
std::string definitionKey(std::uint32_t table, std::uint16_t block);
// Prefix of every memo chunk of one record.
std::string memoPrefix(std::uint32_t table, std::uint32_t record);
// The leading bytes of every memo key of the table.
std::string tableMemoPrefix(std::uint32_t table);

struct TableEntry {
    std::string name;     // upper case
    std::uint32_t number; // table number
};
// Every table of the file, in name order.
[[nodiscard]] int listTables(NativeFile& file, std::vector<TableEntry>* tables);
// The table's number; `found` false when the file has no table of that name.
[[nodiscard]] int findTable(NativeFile& file, const std::string& name, std::uint32_t* number,
                            bool* found);
// Reads and decodes the stored definition (36 when it does not decode).
[[nodiscard]] int readDefinition(NativeFile& file, std::uint32_t table, TableDecl* decl);
// Writes the definition blocks and fresh statistics of a table.
[[nodiscard]] int writeTableRecords(NativeFile& file, std::uint32_t table, const TableDecl& decl);
// Replaces the definition blocks of a table, leaving its records and statistics.
[[nodiscard]] int rewriteDefinition(NativeFile& file, std::uint32_t table, const TableDecl& decl);
// The text of memo `memo` of a record: its chunks joined (a blob's bytes as
// stored, the length its first chunk starts with into `blobLength`).
[[nodiscard]] int readMemoText(NativeFile& file, std::uint32_t table, const TableDecl& decl,
                               std::uint32_t record, std::size_t memo, std::string* text,
                               std::uint32_t* blobLength = nullptr);

// Verifies a table's keys and statistics against its data records: every
// entry a key should have exists and names its record, no other entry exists
// (records from a key's pending mark on are exempt), and the counts agree.
// The first violation as text, empty when the table is sound.
std::string checkTable(NativeFile& file, const TableEntry& table);

} // namespace zv::storage
