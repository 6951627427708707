// The records of a cached page in a compact form: keys and payloads lie back to
// back in one byte arena, and a table of slots in key order points into it.
// Payloads made mostly of runs (record images padded with blanks) are kept
// run-length packed and unpacked when read; so are keys padded with blanks (a
// name and a town each filling their width), which are compared in their
// packed form. A cached page so takes about its size on disk instead of
// several times it, which lets a small cache hold a large part of a file.
//
// Positions are indexes into the key order (size() is the end). Views of keys
// and payloads stay good only until the next change of the same entries (or
// of the scratch string they were unpacked into).
//
// Searches: every key of a page starts with the bytes the page's first and last
// keys share. Past them, each key's next eight bytes are kept as a number in a
// dense table (its head), so that a search mostly compares numbers lying side by
// side and reads a key's bytes only where two heads are equal.
#pragma once

#include "storage/coding.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zv::storage {

// Orders keys as the tree does: bytewise as unsigned bytes, a key that is a
// prefix of another first. Negative, zero or positive as a is below, equal to or
// above b. Eight bytes are compared at a time.
inline int compareKeys(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const std::size_t i = equalBytes(a.data(), b.data(), n);
    if (i < n) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

class PageEntries {
public:
    // Payloads shorter than this are kept as given; longer ones are packed
    // when packing saves at least an eighth of them.
    static constexpr std::size_t kPackFrom = 64;

    std::size_t size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    void clear();
    // Room for `records` records of `bytes` bytes in all, for a page being read.
    void reserve(std::size_t records, std::size_t bytes);
    // Gives back the room kept beyond the records (and the bytes of records
    // removed).
    void shrink();
    // Drops every record and gives back all room.
    void release();

    // The key of record i, in place or unpacked into `scratch`.
    std::string_view key(std::size_t i, std::string* scratch) const;
    std::size_t keySize(std::size_t i) const { return keySize(slots_[i]); }
    // Orders the key of record i against `key`: negative, zero or positive as
    // it is below, equal to or above it (as compareKeys does).
    int compareKey(std::size_t i, std::string_view key) const;
    bool keyIs(std::size_t i, std::string_view key) const {
        return keySize(i) == key.size() && compareKey(i, key) == 0;
    }
    // Whether record i has the key of record j of `other`, unpacking neither.
    bool keyIs(std::size_t i, const PageEntries& other, std::size_t j) const;
    std::int64_t child(std::size_t i) const { return slots_[i].child; }
    // Page numbers, placed or temporary, fit 32 bits: a file holds at most
    // 2^24 slots of 256 bytes.
    void setChild(std::size_t i, std::int64_t child) {
        slots_[i].child = static_cast<std::int32_t>(child);
    }
    std::size_t payloadSize(std::size_t i) const { return slots_[i].size; }
    // Replaces `out` with the payload; false only for bytes damaged in memory.
    bool payload(std::size_t i, std::string* out) const;
    // The payload in place, or unpacked into `scratch`.
    std::string_view payloadView(std::size_t i, std::string* scratch) const;
    // The payload as kept: run-length packed (as rleDecode reads it) when
    // `*packed`.
    std::string_view keptPayload(std::size_t i, bool* packed) const {
        *packed = slots_[i].packed;
        return data(slots_[i]);
    }
    void setPayload(std::size_t i, std::string_view payload);
    // Gives record i another key. REQUIRES: the record keeps its place in the
    // key order.
    void setKey(std::size_t i, std::string_view key);

    // True when `key` surely lies outside the page's keys: it lacks the bytes
    // they all share. Reads none of the keys.
    bool lacksSharedBytes(std::string_view key) const {
        return !headsStale_ && !key.starts_with(shared_);
    }
    // The first position whose key is >= key (lowerBound) or > key (upperBound).
    std::size_t lowerBound(std::string_view key) const;
    std::size_t upperBound(std::string_view key) const;
    // The position of `key`, or size() when it is absent.
    std::size_t find(std::string_view key) const;
    // Inserts unless the key is present; the position names the key's record.
    std::pair<std::size_t, bool> emplace(std::string_view key, std::string_view payload,
                                         std::int64_t child);
    // Adds a record read from a page, which lists its records in order.
    void append(std::string_view key, std::string_view payload, std::int64_t child);
    // The same for a record whose payload comes, when `packed`, run-length
    // packed as rleDecode reads it (`size` bytes unpacked). REQUIRES: the key
    // lies above every key held (the page's decoder checked the order).
    void appendRead(std::string_view key, std::string_view payload, bool packed, std::size_t size,
                    std::int64_t child);
    void erase(std::size_t i);
    // Moves the records from position `from` to the end over to the end of `to`.
    void moveTail(std::size_t from, PageEntries* to);

    // Heap bytes held, with the allocator's overhead.
    std::size_t memory() const;

private:
    struct Slot {
        std::int32_t child = 0; // index pages: the child's page number
        std::uint32_t at = 0;   // key, then the stored payload, in the arena
        std::uint16_t keyLen = 0;
        std::uint16_t dataLen = 0; // stored payload bytes
        std::uint16_t size = 0;    // payload bytes unpacked
        bool packed = false;
        std::uint8_t keyFull = 0; // a packed key's length unpacked; 0: kept as given
    };
    // The key's bytes as kept (packed or not); keyLen counts them.
    std::string_view keptKey(const Slot& s) const { return {arena_.data() + s.at, s.keyLen}; }
    static std::size_t keySize(const Slot& s) { return s.keyFull ? s.keyFull : s.keyLen; }
    // Eight bytes of the key from `from`, as headOf takes them.
    std::uint64_t headOfSlot(const Slot& s, std::size_t from) const;
    // Orders the key of `s` against a key past the shared bytes (`rest`)
    // whose head equals the key's.
    int compareRest(const Slot& s, std::string_view rest) const;
    // The head of a key just placed; false, with every head marked stale, when
    // the key lacks the shared bytes (or is the page's only key).
    bool headFor(std::string_view key, std::uint64_t* head);
    // Makes the shared bytes those of the first and last key and every head
    // current.
    void refreshHeads() const;
    // Where `key` goes among the keys: below all (-1), above all (+1) or among
    // them (0, with its head in `head`).
    int placeAmong(std::string_view key, std::uint64_t* head) const;
    // The form a key is kept in: packed (with its length in `keyFull`) or as
    // it is (keyFull 0). A packed form lasts until the next call.
    static std::string_view keptForm(std::string_view key, std::uint8_t* keyFull);
    // Appends key and payload to the arena and describes them in `slot`.
    void store(std::string_view key, std::string_view payload, Slot* slot);
    // The same with the key as kept already (`keyFull` as in Slot).
    void storeKept(std::string_view kept, std::uint8_t keyFull, std::string_view payload,
                   Slot* slot);
    // The same with the payload as stored (packed or not, `size` unpacked).
    void place(std::string_view kept, std::uint8_t keyFull, std::string_view stored, bool packed,
               std::size_t size, Slot* slot);
    std::string_view data(const Slot& s) const {
        return {arena_.data() + s.at + s.keyLen, s.dataLen};
    }
    static std::string& readRoom();
    // Makes room for one more record of `bytes` bytes.
    void grow(std::size_t bytes);
    // Makes room for one more slot (which moves the slots).
    void growSlots();
    // Drops the bytes no slot names once they are most of the arena.
    void collect();
    // Copies the named bytes into an arena of their size.
    void compact();

    std::string arena_;
    std::vector<Slot> slots_;
    std::size_t garbage_ = 0; // arena bytes no slot names
    // Heads of the keys, in key order (valid unless headsStale_), and the
    // leading bytes every key shares.
    mutable std::vector<std::uint64_t> heads_;
    mutable std::string shared_;
    mutable bool headsStale_ = false;
};

// Encodes a cached leaf as encodePage encodes its records, taking packed
// payloads from their packed form without unpacking them. Unpacked: the page
// is stored as it is (packing saves no unit), which encodePage does from the
// records; TooLarge: encodePage would refuse the page too.
enum class KeptEncode { Done, Unpacked, TooLarge };
KeptEncode encodeKeptLeaf(const PageEntries& entries, std::uint16_t sizeBound,
                          std::uint32_t ownOffset, std::string* out);

} // namespace zv::storage
