// The dBase IV production index (.MDX) on disk, as bytes: the file header with
// its tag table, one tag header block per tag and the B-tree node blocks of each
// tag. Pages are 512 bytes and numbered from the start of the file; a block is
// two pages (1024 bytes). All integers are little-endian.
//
// Layout written here:
//  - pages 0-3: file header (44 bytes used) and the tag table at byte 544,
//    32 bytes per entry, room for 47 tags;
//  - per tag, one block: the tag header, then its node blocks;
//  - a node block: key count (4 bytes), 4 reserved bytes, then key items of the
//    tag's item length: a 4-byte pointer and the key. In a leaf the pointer is
//    the record number and the pointer after the last key is 0; in an inner node
//    every pointer is a child's page, the pointer after the last key included,
//    and each key is the last key of its child.
// Keys: character keys padded with blanks; numeric keys in 12-byte decimal form
// (exponent byte 0x34 + digits before the point, then digit count << 2 with the
// sign in bit 7, then ten bytes of packed digits); date keys as the Julian day in
// an 8-byte IEEE double.
//
// decodeMdx() trusts nothing it reads: each count, page number and length is
// checked before use and a damaged or foreign file gives its xBase error.
#pragma once

#include "storage/dbase/xbase_error.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zv::dbase {

namespace mdx {
inline constexpr std::size_t kPage = 512;
inline constexpr std::size_t kBlockPages = 2;
inline constexpr std::size_t kBlock = kPage * kBlockPages;
inline constexpr std::size_t kHeaderPages = 4;
inline constexpr std::size_t kTagTable = 544;
inline constexpr std::size_t kTagEntry = 32;
inline constexpr std::size_t kTagTableEntries = 48;
inline constexpr std::size_t kMaxTags = 47;
inline constexpr std::size_t kTagNameSize = 11; // 10 characters and a zero
inline constexpr std::size_t kMaxKeyLength = 100;
inline constexpr std::size_t kMaxExpression = 254;
inline constexpr std::size_t kNodeHeader = 8;
inline constexpr std::uint8_t kVersion = 2;

// File header byte offsets.
inline constexpr std::size_t kVersionAt = 0;
inline constexpr std::size_t kCreatedAt = 1;  // YY MM DD
inline constexpr std::size_t kDataNameAt = 4; // 16 bytes
inline constexpr std::size_t kBlockPagesAt = 20;
inline constexpr std::size_t kBlockBytesAt = 22;
inline constexpr std::size_t kProductionAt = 24;
inline constexpr std::size_t kEntriesAt = 25;
inline constexpr std::size_t kEntryLengthAt = 26;
inline constexpr std::size_t kTagsInUseAt = 28;
inline constexpr std::size_t kPagesAt = 32;
inline constexpr std::size_t kFreePageAt = 36;
inline constexpr std::size_t kBlocksFreeAt = 40;
inline constexpr std::size_t kUpdatedAt = 44; // YY MM DD

// Tag table entry offsets.
inline constexpr std::size_t kEntryHeaderPage = 0;
inline constexpr std::size_t kEntryName = 4;
inline constexpr std::size_t kEntryFormat = 15;
inline constexpr std::size_t kEntryLess = 16;
inline constexpr std::size_t kEntryGreater = 17;
inline constexpr std::size_t kEntryBack = 18;
inline constexpr std::size_t kEntryReserved = 19;
inline constexpr std::size_t kEntryKeyType = 20;

// Tag header offsets.
inline constexpr std::size_t kRootPage = 0;
inline constexpr std::size_t kTagPages = 4;
inline constexpr std::size_t kKeyFormat = 8;
inline constexpr std::size_t kKeyType = 9;
inline constexpr std::size_t kKeyLength = 12;
inline constexpr std::size_t kMaxKeysAt = 14;
inline constexpr std::size_t kItemLength = 18;
inline constexpr std::size_t kUniqueAt = 23;
inline constexpr std::size_t kExpression = 24;
inline constexpr std::size_t kFilterFlag = 502;
inline constexpr std::size_t kFilter = 512;

// Key format bits.
inline constexpr std::uint8_t kFormatDescending = 0x08;
inline constexpr std::uint8_t kFormatField = 0x10;
inline constexpr std::uint8_t kFormatUnique = 0x40;
} // namespace mdx

// One key of a tag as stored: the key bytes and the record number.
struct MdxEntry {
    std::string key;
    std::uint32_t recno = 0;
};

struct MdxTag {
    std::string name;   // up to 10 characters
    char keyType = 'C'; // C, N or D
    std::uint16_t keyLength = 0;
    bool descending = false;
    bool unique = false;
    std::string expression;
    std::string filter;            // empty: no FOR condition
    std::vector<MdxEntry> entries; // in the tag's order
};

struct MdxImage {
    std::string dataName; // the table's name without directory and extension
    int year = 0, month = 0, day = 0;
    std::vector<MdxTag> tags;
};

// Item length and keys per node for a key length.
std::size_t mdxItemLength(std::size_t keyLength);
std::size_t mdxMaxKeys(std::size_t keyLength);

// The whole file for the image. REQUIRES: at most 47 tags, key lengths 1..100,
// every entry's key exactly keyLength bytes, expressions at most 254 characters.
std::vector<std::uint8_t> encodeMdx(const MdxImage& image);

// Reads a whole file, walking each tag's B-tree from its root.
[[nodiscard]] Xbase decodeMdx(std::span<const std::uint8_t> bytes, MdxImage& image);

// Key value encodings.
std::string encodeNumberKey(double value);
double decodeNumberKey(std::span<const std::uint8_t> key12);
std::string encodeDateKey(double julian);
double decodeDateKey(std::span<const std::uint8_t> key8);

} // namespace zv::dbase
