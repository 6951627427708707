// Encoding and decoding of one page of the native file: the fixed part, the
// prefix-compressed records and the run-length compression of the record part.
// Pure functions over bytes; the page cache and the tree live in native_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::storage {

// One record of a page: its key and its payload (empty in index pages).
struct PageRecord {
    std::string key;
    std::string payload;
};

// A page as the tree sees it.
struct PageImage {
    std::uint8_t level = 0;              // 0 leaf, >0 index
    std::uint16_t sizeBound = 0;         // running upper bound of the expanded size
    std::vector<PageRecord> records;     // ascending key order
    std::vector<std::uint32_t> children; // index pages: child of each record
};

// A page's records seen in place, so that a page kept in another shape is
// encoded without copying its records first.
struct RecordView {
    std::string_view key;
    std::string_view payload;
};
struct PageView {
    std::uint8_t level = 0;
    std::uint16_t sizeBound = 0;
    std::vector<RecordView> records;     // ascending key order
    std::vector<std::uint32_t> children; // index pages: child of each record
};

// Run-length compression of a record part. rleEncode returns false (and leaves
// `out` empty) when the data holds no run of 4 equal bytes.
bool rleEncode(const std::uint8_t* in, std::size_t n, std::string* out);
// Expands `in` to exactly `expanded` bytes; false when the stream is malformed.
bool rleDecode(const std::uint8_t* in, std::size_t n, std::size_t expanded, std::string* out);

// Prefix-compressed record sequence.
std::string encodeRecords(const std::vector<PageRecord>& records);
std::string encodeRecords(const std::vector<RecordView>& records);
// Called for each record decoded, in order; false stops the decoding as failed.
// The views last until the next call.
using RecordVisitor = std::function<bool(std::string_view key, std::string_view payload)>;
// False when the bytes do not hold exactly `count` well-formed records (or a
// call of `visit` said false).
bool forEachRecord(const std::uint8_t* in, std::size_t n, std::size_t count,
                   const RecordVisitor& visit);
// False when the bytes do not hold exactly `count` well-formed records.
bool decodeRecords(const std::uint8_t* in, std::size_t n, std::size_t count,
                   std::vector<PageRecord>* records);

// The expanded size of a page before compression: fixed part, child table and
// records.
std::size_t expandedSize(const PageImage& page);

// Serialises a page for the slot at file offset `ownOffset`: fixed part, records
// compressed when that saves a 256-byte unit, padding with 0xB0 to the unit.
// The result's size is the page's class times 256. Returns false when the
// expanded size exceeds the size bound or the page would exceed 15104 bytes.
bool encodePage(const PageImage& page, std::uint32_t ownOffset, std::string* out);
bool encodePage(const PageView& page, std::uint32_t ownOffset, std::string* out);

enum class PageDecode { Ok, BadSizes, BadRecords };
// Decodes a page of `n` bytes (n is at least its stored size). The own offset is
// returned for the caller to check.
PageDecode decodePage(const std::uint8_t* in, std::size_t n, PageImage* page,
                      std::uint32_t* ownOffset);
// The same, handing each record to `visit` instead of `page->records`.
PageDecode decodePage(const std::uint8_t* in, std::size_t n, PageImage* page,
                      std::uint32_t* ownOffset, const RecordVisitor& visit);

// Where a page's records lie: bytes fixed..stored of the page, run-length
// packed when stored < expanded (the size they unpack to, with the fixed part).
struct PageBody {
    std::size_t stored = 0;
    std::size_t expanded = 0;
    std::size_t count = 0;
    std::size_t fixed = 0;
};
// Decodes a page's fixed part and child table and checks its sizes.
PageDecode decodePageFixed(const std::uint8_t* in, std::size_t n, PageImage* page,
                           std::uint32_t* ownOffset, PageBody* body);

// A record as the page cache keeps it: the key, and the payload either as it
// is or, when `packed`, run-length packed as rleDecode reads it (`size` bytes
// unpacked).
struct KeptRecord {
    std::string_view key;
    std::string_view payload;
    bool packed = false;
    std::size_t size = 0;
};
using KeptRecordVisitor = std::function<bool(const KeptRecord& record)>;
// Decodes a page as decodePage does, for the page cache: a payload of at least
// `packFrom` bytes that holds runs comes packed, taken from the page's packed
// bytes without unpacking it. Packed or not, the bytes are those decodePage
// hands over.
PageDecode decodePageKept(const std::uint8_t* in, std::size_t n, PageImage* page,
                          std::uint32_t* ownOffset, std::size_t packFrom,
                          const KeptRecordVisitor& visit);

// Stored size of a page in bytes, from its fixed part.
inline std::size_t storedSizeOf(const std::uint8_t* page) {
    return static_cast<std::size_t>(page[4] | (page[5] << 8));
}

// Size a record adds to its page's size bound.
inline int boundSize(std::size_t keyLen, std::size_t payloadLen, bool indexPage) {
    return static_cast<int>(5 + keyLen + payloadLen + (indexPage ? 4 : 0));
}

} // namespace zv::storage
