// One dBase table file with its memo file, at the level of the format: columns,
// rows as bytes, deletion marks, memos by block. Knows nothing of declarations.
//
// Invariants while open:
//  1. rows_ is the number of rows the header will claim; the file holds at least
//     that many whole rows after the header block.
//  2. In batch mode the header on disk may claim fewer rows than rows_; it is
//     brought up to date by endBatch() and close(). Outside batch mode every
//     append rewrites the header's count before it returns.
//  3. A 0x1A follows the last row after every append.
// One thread at a time; the record access services serialise calls.
#pragma once

#include "storage/dbase/binary_file.h"
#include "storage/dbase/dbf_format.h"
#include "storage/dbase/memo_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::dbase {

// The memo file's name for a table file: the extension .DBF becomes .DBT in the
// same letter case; a name without an extension gets ".DBT".
std::string memoPathFor(const std::string& tablePath);

class DbfFile {
public:
    DbfFile() = default;
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;
    ~DbfFile();

    // Makes an empty table with these columns (replacing a file of that name) and
    // its memo file when a column is a memo; leaves it open for writing. With
    // productionIndex the header says that a production .MDX belongs to it.
    [[nodiscard]] Xbase create(const std::string& path, std::vector<Column> columns,
                               bool productionIndex = false);
    // Opens a table. A record count that disagrees with the file's length is
    // refused with FileCorrupted (recover() repairs it); mismatch() then tells
    // what the header claimed and what the length holds.
    [[nodiscard]] Xbase open(const std::string& path, bool readOnly);
    // Writes the header when rows were added or changed, flushes and closes.
    [[nodiscard]] Xbase close();
    bool isOpen() const { return file_.isOpen(); }

    // Recounts the rows of a table file from its length and rewrites the header's
    // count and the end mark when they disagree. The table must not be open here.
    [[nodiscard]] static Xbase recover(const std::string& path);

    const std::vector<Column>& columns() const { return columns_; }
    const DbfHeader& header() const { return header_; }
    std::uint32_t rowCount() const { return rows_; }
    std::size_t rowLength() const { return header_.rowLength; }
    bool readOnly() const { return readOnly_; }
    const std::string& path() const { return path_; }

    struct Mismatch {
        std::uint32_t claimed = 0;
        std::uint64_t held = 0;
    };
    const Mismatch& mismatch() const { return mismatch_; }
    // True when the last open failed because the memo file is absent.
    bool memoMissing() const { return memoMissing_; }

    // Rows are numbered from 1; a row's bytes start with its deletion flag.
    [[nodiscard]] Xbase readRow(std::uint32_t number, std::vector<std::uint8_t>& row);
    [[nodiscard]] Xbase writeRow(std::uint32_t number, const std::vector<std::uint8_t>& row);
    [[nodiscard]] Xbase appendRow(const std::vector<std::uint8_t>& row, std::uint32_t& number);
    [[nodiscard]] Xbase setDeleted(std::uint32_t number, bool deleted);
    // Removes every row (memos already written stay in the memo file unused).
    [[nodiscard]] Xbase empty();

    // Memos; present when a column is a memo.
    bool hasMemo() const { return memo_.isOpen(); }
    [[nodiscard]] Xbase readMemo(std::uint32_t block, std::string& text);
    [[nodiscard]] Xbase writeMemo(const std::string& text, std::uint32_t oldBlock,
                                  std::uint32_t& block);

    // Batch writing: the header's count is written when the batch ends.
    void beginBatch() { batch_ = true; }
    [[nodiscard]] Xbase endBatch();
    bool inBatch() const { return batch_; }

private:
    [[nodiscard]] Xbase writeHeader();
    std::uint64_t rowOffset(std::uint32_t number) const {
        return header_.headerLength + static_cast<std::uint64_t>(number - 1) * header_.rowLength;
    }

    BinaryFile file_;
    MemoFile memo_;
    std::string path_;
    DbfHeader header_;
    std::vector<Column> columns_;
    std::uint32_t rows_ = 0; // rows in the table (invariant 1)
    bool readOnly_ = false;
    bool batch_ = false;
    bool dirty_ = false; // header must be rewritten (date, count)
    Mismatch mismatch_;
    bool memoMissing_ = false;
};

} // namespace zv::dbase
