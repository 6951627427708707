#include "storage/table_records.h"

#include "platform/codepage.h"
#include "storage/coding.h"
#include "storage/definition.h"
#include "storage/keys.h"

#include <set>

namespace zv::storage {

std::string tableNameKey(const std::string& table) {
    return std::string(1, static_cast<char>(qtf::kTableName)) + cp1250::upper(table);
}

std::string definitionKey(std::uint32_t table, std::uint16_t block) {
    std::string k = be32(table);
    k.push_back(static_cast<char>(qtf::kKindDefinition));
    appendLe16(k, block);
    return k;
}

std::string tableMemoPrefix(std::uint32_t table) {
    std::string k = be32(table);
    k.push_back(static_cast<char>(qtf::kKindMemo));
    return k;
}

std::string memoPrefix(std::uint32_t table, std::uint32_t record) {
    std::string k = tableMemoPrefix(table);
    appendBe32(k, record);
    return k;
}

int listTables(NativeFile& file, std::vector<TableEntry>* tables) {
    tables->clear();
    PageRecord r;
    bool found = false;
    std::string at(1, static_cast<char>(qtf::kTableName));
    if (int rc = file.ceiling(at, &r, &found)) return rc;
    while (found && !r.key.empty() && static_cast<std::uint8_t>(r.key[0]) == qtf::kTableName) {
        tables->push_back({r.key.substr(1), fromBe32(r.payload)});
        std::string key = r.key;
        if (int rc = file.successor(key, &r, &found)) return rc;
    }
    return 0;
}

int findTable(NativeFile& file, const std::string& name, std::uint32_t* number, bool* found) {
    std::string payload;
    if (int rc = file.get(tableNameKey(name), &payload, found)) return rc;
    *number = *found ? fromBe32(payload) : 0;
    return 0;
}

int readDefinition(NativeFile& file, std::uint32_t table, TableDecl* decl) {
    std::string stream;
    for (std::uint16_t block = 0;; ++block) {
        std::string part;
        bool found = false;
        if (int rc = file.get(definitionKey(table, block), &part, &found)) return rc;
        if (!found) break;
        stream += part;
        if (part.size() < kDefinitionBlock || block == 0xFFFF) break;
    }
    return decodeDefinition(stream, decl) ? 0 : kErrNotNative;
}

namespace {

int writeDefinitionBlocks(NativeFile& file, std::uint32_t table, const TableDecl& decl) {
    std::string stream = encodeDefinition(decl);
    for (std::size_t at = 0, block = 0;; at += kDefinitionBlock, ++block) {
        if (int rc = file.insert(definitionKey(table, static_cast<std::uint16_t>(block)),
                                 stream.substr(at, kDefinitionBlock)))
            return rc;
        if (at + kDefinitionBlock >= stream.size()) break;
    }
    return 0;
}

} // namespace

int rewriteDefinition(NativeFile& file, std::uint32_t table, const TableDecl& decl) {
    for (std::uint32_t block = 0; block <= 0xFFFF; ++block) {
        bool removed = false;
        if (int rc = file.remove(definitionKey(table, static_cast<std::uint16_t>(block)), &removed))
            return rc;
        if (!removed) break;
    }
    return writeDefinitionBlocks(file, table, decl);
}

int writeTableRecords(NativeFile& file, std::uint32_t table, const TableDecl& decl) {
    if (int rc = writeDefinitionBlocks(file, table, decl)) return rc;
    if (int rc = writeStatistics(file, table, qtf::kKindData, {})) return rc;
    for (std::size_t k = 0; k < decl.keys.size(); ++k)
        if (int rc = writeStatistics(file, table, static_cast<std::uint8_t>(k), {})) return rc;
    return 0;
}

int readMemoText(NativeFile& file, std::uint32_t table, const TableDecl& decl, std::uint32_t record,
                 std::size_t memo, std::string* text, std::uint32_t* blobLength) {
    text->clear();
    const bool blob = memo < decl.memos.size() && decl.memos[memo].blob;
    if (blobLength) *blobLength = 0;
    std::string prefix = memoPrefix(table, record);
    prefix.push_back(static_cast<char>(memo));
    for (std::uint32_t chunk = 0; chunk < 65536; ++chunk) {
        std::string key = prefix;
        key.push_back(static_cast<char>(chunk >> 8));
        key.push_back(static_cast<char>(chunk & 0xFF));
        std::string part;
        bool found = false;
        if (int rc = file.get(key, &part, &found)) return rc;
        if (!found) break;
        if (blob && chunk == 0) {
            // A blob's first chunk starts with its length.
            if (part.size() < 4) return kErrNotNative;
            if (blobLength) *blobLength = getLe32(bytes(part));
            part.erase(0, 4);
        }
        *text += part;
    }
    return 0;
}

namespace {

std::string checkTableAs(NativeFile& file, const TableEntry& table, bool oem) {
    std::string at = "table " + table.name + ": ";
    TableDecl decl;
    if (readDefinition(file, table.number, &decl) != 0) return at + "definition does not decode";
    decl.oem = oem;
    std::string dataPrefix = dataKey(table.number, 0).substr(0, 5);
    std::vector<std::set<std::string>> expected(decl.keys.size());
    std::vector<Statistics> stats(decl.keys.size());
    for (std::size_t k = 0; k < decl.keys.size(); ++k)
        if (readStatistics(file, table.number, static_cast<std::uint8_t>(k), &stats[k]) != 0)
            return at + "statistics cannot be read";
    std::uint32_t records = 0;
    PageRecord r;
    bool found = false;
    if (file.ceiling(dataPrefix, &r, &found) != 0) return at + "data records cannot be read";
    while (found && r.key.compare(0, 5, dataPrefix) == 0) {
        ++records;
        std::uint32_t number = fromBe32(r.key, 5);
        if (r.payload.size() != decl.recordLength)
            return at + "record " + std::to_string(number) + " has the wrong length";
        for (std::size_t k = 0; k < decl.keys.size(); ++k) {
            std::string entry;
            if (buildEntry(decl, static_cast<int>(k), table.number, bytes(r.payload), number,
                           &entry))
                expected[k].insert(entry);
        }
        std::string key = r.key;
        if (file.successor(key, &r, &found) != 0) return at + "data records cannot be read";
    }
    Statistics data;
    if (readStatistics(file, table.number, qtf::kKindData, &data) != 0 || data.count != records)
        return at + "record count " + std::to_string(data.count) + " but " +
               std::to_string(records) + " data records";
    for (std::size_t k = 0; k < decl.keys.size(); ++k) {
        const KeyDecl& key = decl.keys[k];
        if (key.flags & (kKeyOutside | kKeyIndex)) continue;
        std::string name = at + "key " + (key.name.empty() ? std::to_string(k) : key.name) + ": ";
        std::string prefix = keyPrefix(table.number, static_cast<int>(k));
        std::uint32_t entries = 0;
        if (file.ceiling(prefix, &r, &found) != 0) return name + "entries cannot be read";
        std::set<std::string> seen;
        while (found && r.key.compare(0, prefix.size(), prefix) == 0) {
            ++entries;
            std::uint32_t number = fromBe32(r.payload);
            bool exempt = stats[k].pending != 0 && number >= stats[k].pending;
            if (!exempt && !expected[k].count(r.key))
                return name + "entry for record " + std::to_string(number) + " matches no record";
            seen.insert(r.key);
            std::string keyBytes = r.key;
            if (file.successor(keyBytes, &r, &found) != 0) return name + "entries cannot be read";
        }
        if (stats[k].pending == 0)
            for (const auto& e : expected[k])
                if (!seen.count(e)) return name + "a record has no entry";
        if (stats[k].count != entries)
            return name + "count " + std::to_string(stats[k].count) + " but " +
                   std::to_string(entries) + " entries";
    }
    return {};
}

} // namespace

std::string checkTable(NativeFile& file, const TableEntry& table) {
    std::string plain = checkTableAs(file, table, false);
    // The definition does not say whether the table keeps its text in the OEM
    // character set; a table whose keys agree with that form is sound as well.
    if (!plain.empty() && checkTableAs(file, table, true).empty()) return {};
    return plain;
}

} // namespace zv::storage
