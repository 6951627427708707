// Layout of the native record file (".QTF"): the 512-byte file header, page
// numbering, size classes and the fixed part of a page. All byte-order work
// goes through storage/coding.h; the structs here are decoded values, never
// copied to disk as they stand.
#pragma once

#include <array>
#include <cstdint>

namespace zv::storage::qtf {

constexpr std::uint32_t kHeaderSize = 512;
constexpr std::uint32_t kUnit = 256;           // page numbers count 256-byte units
constexpr int kClasses = 59;                   // size classes 1..59
constexpr std::uint32_t kMaxPage = 59 * kUnit; // 15104 bytes
constexpr int kMaxBound = 15094;               // a page whose size bound exceeds this splits
constexpr int kSplitBound = 4096; // ... or exceeds this with more than kSplitCount records
constexpr int kSplitCount = 20;
constexpr int kPageFixed = 13;     // own offset, sizes, count, level
constexpr int kRecordOverhead = 5; // flags byte and two 2-byte lengths at most
constexpr std::uint8_t kPadByte = 0xB0;
constexpr std::uint32_t kNoRoot = 0xFFFFFFFFu;
constexpr int kIoBlock = 64; // every read and write is a multiple of this

// Largest record (key plus payload) the tree takes: a leaf holding it alone stays
// within the split bound, so it never has to split a single record.
constexpr int kMaxRecord = kMaxBound - kPageFixed - kRecordOverhead; // 15076
// Largest key: an index page holding its copy alone stays within the bound.
constexpr int kMaxKey = kMaxRecord - 4;

// Header field offsets.
namespace hdr {
constexpr int kZero = 0;
constexpr int kSize = 4;
constexpr int kCommittedEnd = 6;
constexpr int kLogEnd = 10;
constexpr int kSignature = 14;  // "qUaR"
constexpr int kWindow = 18;     // 16 bits: see FileHeader::window
constexpr int kLastNumber = 20; // big-endian
constexpr int kChangeCounter = 24;
constexpr int kRoot = 28;
constexpr int kRegionStart = 32;
constexpr int kRegionEnd = 272;
} // namespace hdr

// Page fixed-part offsets.
namespace pg {
constexpr int kOwnOffset = 0;
constexpr int kStoredSize = 4;
constexpr int kExpandedSize = 6;
constexpr int kSizeBound = 8;
constexpr int kCount = 10;
constexpr int kLevel = 12;
} // namespace pg

// Record flags inside the record part.
constexpr std::uint8_t kHasTotal = 0x80;
constexpr std::uint8_t kHasKeyLength = 0x40;
constexpr std::uint8_t kSharedMask = 0x3F;
constexpr int kMaxShared = 63;

// Record kinds (the byte after a table number).
constexpr std::uint8_t kKindData = 0xF3;
constexpr std::uint8_t kKindDefinition = 0xFA;
constexpr std::uint8_t kKindStatistics = 0xF6;
constexpr std::uint8_t kKindMemo = 0xFC;
constexpr std::uint8_t kKindMaxKey = 0xEF;
constexpr std::uint8_t kTableName = 0xFE;   // first byte of a table name record
constexpr std::uint8_t kTransaction = 0xFF; // the transaction marker's key

constexpr std::uint16_t kLogWindow = 0x8000;
constexpr std::uint16_t kNewestLogMask = 0x7FFF;

struct FileHeader {
    std::uint32_t committedEnd = kHeaderSize;
    std::uint32_t logEnd = kHeaderSize;
    // With a log in force: 0 for the log of a commit that ends with a header
    // naming no log (a transaction's among them). kLogWindow: the logs of
    // commits that took one flush (never a transaction's), one after the
    // other from committedEnd to logEnd, their pages not yet at their places;
    // the low bits tell where the newest starts (units after committedEnd);
    // the other fields describe the state the first starts from.
    std::uint16_t window = 0;
    std::array<std::uint8_t, 4> lastNumber{}; // big-endian as stored
    std::uint32_t changeCounter = 0;
    std::uint32_t root = kNoRoot;
    std::array<std::uint32_t, 60> regionStart{};
    std::array<std::uint32_t, 60> regionEnd{};
};

// Serialises `h` into 512 bytes.
void encodeHeader(const FileHeader& h, std::uint8_t* out);
// False when the bytes carry no native header (size field or signature wrong).
bool decodeHeader(const std::uint8_t* in, FileHeader* h);

inline std::uint64_t pageOffset(std::uint32_t page) {
    return kHeaderSize + static_cast<std::uint64_t>(page) * kUnit;
}

} // namespace zv::storage::qtf
