// The single-key dBase index (.NDX) on disk, as bytes: a 512-byte header, then
// 512-byte node pages. All integers are little-endian.
//
// Header: root page (4 bytes at 0), pages in the file (4 at 4), key length (2 at
// 12), keys per page (2 at 14), key type (2 at 16: 0 character, 1 numeric or
// date), item length (2 at 18), unique flag (1 at 23), key expression from 24,
// zero-terminated.
// A node page: key count (4 bytes), then items of the item length: the left
// child's page (4 bytes, 0 in a leaf), the record number (4 bytes, 0 in an inner
// node) and the key. An inner node with n keys has n + 1 children: the item after
// the last key holds only the rightmost child; each key is the last of its child.
// Numeric and date keys are 8-byte IEEE doubles (dates as Julian days).
//
// decodeNdx() checks every count, page number and length before use.
#pragma once

#include "storage/dbase/mdx_format.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zv::dbase {

namespace ndx {
inline constexpr std::size_t kPage = 512;
inline constexpr std::size_t kRootPage = 0;
inline constexpr std::size_t kPages = 4;
inline constexpr std::size_t kKeyLength = 12;
inline constexpr std::size_t kMaxKeys = 14;
inline constexpr std::size_t kKeyType = 16;
inline constexpr std::size_t kItemLength = 18;
inline constexpr std::size_t kUnique = 23;
inline constexpr std::size_t kExpression = 24;
inline constexpr std::size_t kMaxKeyLength = 100;
} // namespace ndx

std::size_t ndxItemLength(std::size_t keyLength);
std::size_t ndxMaxKeys(std::size_t keyLength);

// The file for one tag (its name, filter and descending flag are not stored).
// Numeric keys of the tag are given in the MDX form and stored as doubles.
// REQUIRES: key length 1..100, every entry's key exactly keyLength bytes.
std::vector<std::uint8_t> encodeNdx(const MdxTag& tag);

// Reads a whole file into a tag: keyType 'C' or 'N' (numeric and date keys both
// read as 'N' with their double converted to the MDX numeric form when
// dateKeys is false, kept as the 8-byte date form when it is true).
[[nodiscard]] Xbase decodeNdx(std::span<const std::uint8_t> bytes, bool dateKeys, MdxTag& tag);

} // namespace zv::dbase
