// The dBase IV table file (.DBF) on disk: its 32-byte header, the 32-byte field
// descriptors ended by 0x0D, then the rows, each a deletion flag (' ' or '*')
// followed by the columns as text, and 0x1A after the last row. All integers are
// little-endian. This header holds the layout; the parser here never trusts a
// count or length the bytes give without checking it against the others.
#pragma once

#include "storage/dbase/xbase_error.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zv::dbase {

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::uint8_t kHeaderEnd = 0x0D;
inline constexpr std::uint8_t kFileEnd = 0x1A;
inline constexpr std::uint8_t kLive = ' ';
inline constexpr std::uint8_t kDeleted = '*';
inline constexpr std::uint8_t kVersionPlain = 0x03;   // dBase table without memo file
inline constexpr std::uint8_t kVersionMemo = 0x8B;    // dBase IV table with a .DBT memo file
inline constexpr std::uint8_t kLanguageCp1250 = 0xC8; // language driver: Windows-1250
inline constexpr std::size_t kMaxColumns = 255;
inline constexpr std::size_t kMaxRowLength = 65535;
inline constexpr std::size_t kMaxCharWidth = 254;
inline constexpr std::size_t kMaxNumberWidth = 20;
inline constexpr std::size_t kMemoWidth = 10;
inline constexpr std::size_t kDateWidth = 8;

// Header byte offsets.
namespace hdr {
inline constexpr std::size_t kVersion = 0;
inline constexpr std::size_t kYear = 1; // year - 1900
inline constexpr std::size_t kMonth = 2;
inline constexpr std::size_t kDay = 3;
inline constexpr std::size_t kRecordCount = 4;  // uint32
inline constexpr std::size_t kHeaderLength = 8; // uint16
inline constexpr std::size_t kRowLength = 10;   // uint16
inline constexpr std::size_t kIncomplete = 14;
inline constexpr std::size_t kEncrypted = 15;
inline constexpr std::size_t kMdxFlag = 28;
inline constexpr std::size_t kLanguage = 29;
} // namespace hdr

// Field descriptor byte offsets.
namespace desc {
inline constexpr std::size_t kName = 0; // 11 bytes, zero padded
inline constexpr std::size_t kNameSize = 11;
inline constexpr std::size_t kType = 11;
inline constexpr std::size_t kLength = 16;
inline constexpr std::size_t kDecimals = 17;
} // namespace desc

struct DbfHeader {
    std::uint8_t version = kVersionPlain;
    int year = 0; // full year of the last change
    int month = 0;
    int day = 0;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t rowLength = 0;
    std::uint8_t mdxFlag = 0;
    std::uint8_t language = kLanguageCp1250;
};

struct Column {
    std::string name; // up to 10 characters, ASCII upper case as written
    char type = 'C';  // C, N, F, D, L or M
    std::uint8_t width = 0;
    std::uint8_t decimals = 0;
    std::uint16_t offset = 0; // position in the row (the deletion flag is at 0)
};

// Byte order helpers (little-endian).
std::uint16_t getU16(const std::uint8_t* p);
std::uint32_t getU32(const std::uint8_t* p);
void putU16(std::uint8_t* p, std::uint16_t v);
void putU32(std::uint8_t* p, std::uint32_t v);

// The header block (header, descriptors and terminator) for these columns.
// REQUIRES: the columns passed validColumns().
std::vector<std::uint8_t> encodeHeaderBlock(const DbfHeader& header,
                                            const std::vector<Column>& columns);

// Rewrites the 32 fixed bytes of a header in place.
void encodeHeader(const DbfHeader& header, std::uint8_t* out32);

// Checks names, types and widths of columns to be written; sets offsets.
[[nodiscard]] Xbase layoutColumns(std::vector<Column>& columns);

struct ParsedHeader {
    DbfHeader header;
    std::vector<Column> columns;
    Xbase error = Xbase::None;
    // Rows the file's length holds after the header; set when fileSize is known.
    std::uint64_t rowsInFile = 0;
};

// Parses the header block at the start of a file of fileSize bytes. `bytes` holds
// at least min(fileSize, headerLength) leading bytes of the file (or all of them).
// Checks: version, header length against the descriptors and the terminator, row
// length against the column widths, column types and widths; rowsInFile from the
// file size. The record count of the header is returned as stored, not checked
// here (the caller decides what to do when it disagrees with rowsInFile).
ParsedHeader parseHeaderBlock(std::span<const std::uint8_t> bytes, std::uint64_t fileSize);

} // namespace zv::dbase
