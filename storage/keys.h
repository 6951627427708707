// Keys of a table kept in the file's tree: encoding of key values so that
// bytewise comparison gives the declared order, key entries, their maintenance
// on add, change and delete (duplicates, blank optional keys, deferred
// maintenance with pending marks) and the statistics records that count them.
//
// A key entry's key is the table number (4 bytes, big-endian), the key number,
// the encoded components and, for keys with duplicates, the record number
// (big-endian); its payload is the record number (big-endian).
#pragma once

#include "storage/declaration.h"
#include "storage/native_file.h"

#include <cstdint>
#include <string>

namespace zv::storage {

// Encodes one key component from a record image. REQUIRES: the field lies within
// the image. `noCase` upper-cases text by the Windows-1250 table, or by the
// OEM table when `oem` (the image holds the text as an OEM table stores it).
// `czech` encodes text by its Czech sort key instead (letters, accents and,
// without `noCase`, case: two or three times the field's width).
std::string encodeComponent(const FieldDecl& field, const std::uint8_t* record, bool noCase,
                            bool descending, bool oem = false, bool czech = false);

// True when the component counts as blank for an optional key.
bool isBlankComponent(const FieldDecl& field, const std::uint8_t* record);

// The key part of a table's keys: table number and key number.
std::string keyPrefix(std::uint32_t table, int keyNumber);
// Big-endian bytes of a number, as stored in keys.
std::string be32(std::uint32_t n);
std::uint32_t fromBe32(const std::string& s, std::size_t at = 0);

// Builds key `keyNumber`'s entry for `record` numbered `recordNumber`; false when
// the key is optional and every component is blank (no entry).
bool buildEntry(const TableDecl& decl, int keyNumber, std::uint32_t table,
                const std::uint8_t* record, std::uint32_t recordNumber, std::string* key);

// The encoded value of the first `components` components (all when -1), after
// the key prefix: what a position by value looks up.
std::string encodeValue(const TableDecl& decl, int keyNumber, std::uint32_t table,
                        const std::uint8_t* record, int components = -1);

// Statistics record of a table: `which` is kKindData for the data records or a
// key number.
struct Statistics {
    std::uint32_t count = 0;
    std::uint32_t pending = 0; // lowest record number without its entry, 0: none
};
std::string statisticsKey(std::uint32_t table, std::uint8_t which);
[[nodiscard]] int readStatistics(NativeFile& file, std::uint32_t table, std::uint8_t which,
                                 Statistics* stats);
// Adds `delta` to the count of a statistics record (created when absent); the
// addition is written when the record is next read, or at the commit.
[[nodiscard]] int addToCount(NativeFile& file, std::uint32_t table, std::uint8_t which, int delta);
[[nodiscard]] int writeStatistics(NativeFile& file, std::uint32_t table, std::uint8_t which,
                                  const Statistics& stats);

// Maintains every key of the table kept in the file for a record that is
// added (oldImage null), changed (both) or deleted (newImage null). Returns 0
// or 40 (a duplicate in a key without duplicates: the entries already made for
// this record are taken back), or an error of the file.
[[nodiscard]] int maintainKeys(NativeFile& file, const TableDecl& decl, std::uint32_t table,
                               const std::uint8_t* oldImage, const std::uint8_t* newImage,
                               std::uint32_t recordNumber, bool withoutKeys);

// The first or last entry of a key; `found` false when the key has none.
[[nodiscard]] int firstEntry(NativeFile& file, std::uint32_t table, int keyNumber,
                             PageRecord* entry, bool* found);
[[nodiscard]] int lastEntry(NativeFile& file, std::uint32_t table, int keyNumber, PageRecord* entry,
                            bool* found);

// The data record's key: table, 0xF3, record number.
std::string dataKey(std::uint32_t table, std::uint32_t recordNumber);

} // namespace zv::storage
