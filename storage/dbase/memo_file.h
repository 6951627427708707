// The memo file (.DBT) of a dBase table. Block 0 is the header: the number of
// the next free block (uint32 at 0), the table's name (8 bytes at 8) and the
// block size (uint16 at 20). A dBase IV memo starts at a block boundary with
// FF FF 08 00 and its length including those 8 bytes (uint32), then the text
// and an end mark 0x1F (outside the length); it occupies whole blocks and new
// memos are appended after the last one. Texts never hold control characters
// other than tab, CR and LF (the table layer replaces them).
// Memos of dBase III files (version 0x83) are read too: text up to 0x1A.
#pragma once

#include "storage/dbase/binary_file.h"
#include "storage/dbase/xbase_error.h"

#include <cstdint>
#include <string>

namespace zv::dbase {

class MemoFile {
public:
    static constexpr std::uint32_t kDefaultBlockSize = 512;

    // Makes an empty memo file (only the header block) for the table tableName.
    [[nodiscard]] Xbase create(const std::string& path, const std::string& tableName);
    // dBase3 selects the dBase III memo layout (read-only).
    [[nodiscard]] Xbase open(const std::string& path, bool readOnly, bool dBase3);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }

    // Reads the memo at block; block 0 is the empty memo.
    [[nodiscard]] Xbase read(std::uint32_t block, std::string& text);
    // Writes text as a memo and sets block to where it went. A memo at the old
    // block (0 for none) is overwritten in place when the text fits its blocks.
    [[nodiscard]] Xbase write(const std::string& text, std::uint32_t oldBlock,
                              std::uint32_t& block);
    [[nodiscard]] Xbase flush();

private:
    // Blocks a memo of n text bytes occupies.
    std::uint32_t blocksFor(std::uint64_t n) const;

    BinaryFile file_;
    std::uint32_t blockSize_ = kDefaultBlockSize;
    std::uint32_t nextBlock_ = 1; // first free block, as in the header
    bool dBase3_ = false;
    bool readOnly_ = false;
};

} // namespace zv::dbase
