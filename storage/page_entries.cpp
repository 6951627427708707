#include "storage/page_entries.h"

#include "storage/page_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

namespace zv::storage {

namespace {

// Keys are packed from this length up to the most a slot notes (255 bytes).
constexpr std::size_t kPackKeyFrom = 24;
constexpr std::size_t kPackKeyTo = 255;

// Heap bytes of a block of `n` bytes, with the allocator's overhead.
std::size_t heapBlock(std::size_t n) {
    return n ? n + 16 : 0;
}

// The eight bytes of `key` from `from` as a big-endian number, zeros past the
// key's end: numbers order as the keys' bytes do, where they differ.
std::uint64_t headOf(std::string_view key, std::size_t from) {
    unsigned char b[8] = {};
    if (key.size() > from)
        std::memcpy(b, key.data() + from, std::min<std::size_t>(8, key.size() - from));
    std::uint64_t v = 0;
    std::memcpy(&v, b, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

// Packs a key into `out` when that saves at least an eighth of it.
bool packKey(std::string_view key, std::string* out) {
    return key.size() >= kPackKeyFrom && key.size() <= kPackKeyTo &&
           rleEncode(reinterpret_cast<const std::uint8_t*>(key.data()), key.size(), out) &&
           out->size() + key.size() / 8 <= key.size();
}

// Reads a count of a packed key; false past its end.
bool readCount(const unsigned char*& p, const unsigned char* end, std::size_t* v) {
    std::size_t value = 0;
    for (int shift = 0; p != end && shift < 28; shift += 7) {
        const unsigned char b = *p++;
        value |= std::size_t{b & 0x7Fu} << shift;
        if (!(b & 0x80)) {
            *v = value;
            return true;
        }
    }
    return false;
}

// Hands the pieces of a key packed as rleEncode packs (`full` bytes unpacked)
// to `visit(bytes, n, run)` in order: n bytes from `bytes`, or when `run` the
// byte *bytes n times. Stops where visit says false or the bytes end.
template <class Visit> void forEachPiece(std::string_view packed, std::size_t full, Visit visit) {
    const auto* p = reinterpret_cast<const unsigned char*>(packed.data());
    const auto* end = p + packed.size();
    const unsigned char* last = nullptr;
    std::size_t done = 0;
    while (done < full) {
        std::size_t n = 0;
        if (!readCount(p, end, &n) || n > static_cast<std::size_t>(end - p) || n > full - done)
            return;
        if (n) {
            if (!visit(p, n, false)) return;
            last = p + n - 1;
            p += n;
            done += n;
        }
        if (done == full) return;
        if (!readCount(p, end, &n) || !last || n > full - done) return;
        if (n && !visit(last, n, true)) return;
        done += n;
    }
}

// Orders the bytes of a packed key from `from` on against `other`.
int comparePacked(std::string_view packed, std::size_t full, std::size_t from,
                  std::string_view other) {
    const auto* o = reinterpret_cast<const unsigned char*>(other.data());
    std::size_t at = 0, j = 0;
    int order = 0;
    bool decided = false;
    forEachPiece(packed, full, [&](const unsigned char* bytes, std::size_t n, bool run) {
        const std::size_t skip = at < from ? std::min(from - at, n) : 0;
        at += n;
        const std::size_t own = n - skip;
        const std::size_t m = std::min(own, other.size() - j);
        if (run) {
            // Eight bytes at a time against the run's byte.
            const std::uint64_t pattern = *bytes * 0x0101010101010101ull;
            std::size_t k = 0;
            for (std::uint64_t v = 0; k + 8 <= m; k += 8) {
                std::memcpy(&v, o + j + k, 8);
                if (v != pattern) break;
            }
            for (; k < m; ++k)
                if (o[j + k] != *bytes) {
                    order = *bytes < o[j + k] ? -1 : 1;
                    decided = true;
                    return false;
                }
        } else if (m) {
            if (const int c = std::memcmp(bytes + skip, o + j, m)) {
                order = c < 0 ? -1 : 1;
                decided = true;
                return false;
            }
        }
        j += m;
        if (m < own) {
            order = 1; // the other key ended first
            decided = true;
            return false;
        }
        return true;
    });
    if (decided) return order;
    return j < other.size() ? -1 : 0;
}

// Copies up to `n` bytes of a packed key from `from` on into `out`; returns
// how many there were.
std::size_t copyPacked(std::string_view packed, std::size_t full, std::size_t from, std::size_t n,
                       unsigned char* out) {
    std::size_t at = 0, got = 0;
    forEachPiece(packed, full, [&](const unsigned char* bytes, std::size_t len, bool run) {
        const std::size_t skip = at < from ? std::min(from - at, len) : 0;
        at += len;
        const std::size_t m = std::min(len - skip, n - got);
        if (run)
            std::memset(out + got, *bytes, m);
        else
            std::memcpy(out + got, bytes + skip, m);
        got += m;
        return got < n;
    });
    return got;
}

} // namespace

// Pages stay small: growing by an eighth keeps little room unused at the cost
// of a few more copies of a few kilobytes.
// The arena is moved into a block of its own: reserve() on a string that holds
// bytes may double its room, which the cache would count against its budget.
void PageEntries::grow(std::size_t bytes) {
    if (arena_.size() + bytes <= arena_.capacity()) return;
    std::string bigger;
    bigger.reserve(arena_.size() + bytes + arena_.size() / 8 + 32);
    bigger.append(arena_);
    arena_.swap(bigger);
}

void PageEntries::growSlots() {
    if (slots_.size() == slots_.capacity()) slots_.reserve(slots_.size() + slots_.size() / 8 + 4);
    if (heads_.capacity() < slots_.capacity()) heads_.reserve(slots_.capacity());
}

void PageEntries::clear() {
    arena_.clear();
    slots_.clear();
    heads_.clear();
    garbage_ = 0;
    shared_.clear();
    headsStale_ = false;
}

void PageEntries::release() {
    std::string().swap(arena_);
    std::vector<Slot>().swap(slots_);
    std::vector<std::uint64_t>().swap(heads_);
    std::string().swap(shared_);
    garbage_ = 0;
    headsStale_ = false;
}

// Room kept from page to page: a page is read into it and copied out at
// its size (see shrink), one allocation a page.
std::string& PageEntries::readRoom() {
    thread_local std::string room;
    return room;
}

void PageEntries::reserve(std::size_t records, std::size_t bytes) {
    slots_.reserve(records);
    heads_.reserve(records);
    if (arena_.empty()) {
        std::string& room = readRoom();
        room.clear();
        room.reserve(bytes);
        arena_.swap(room);
    } else {
        arena_.reserve(bytes);
    }
}

bool PageEntries::headFor(std::string_view key, std::uint64_t* head) {
    if (headsStale_) return false;
    // The shared bytes are known from another key of the page; a page of one
    // key learns them from its next.
    if (slots_.size() < 2 || !key.starts_with(shared_)) {
        headsStale_ = true;
        return false;
    }
    *head = headOf(key, shared_.size());
    return true;
}

void PageEntries::refreshHeads() const {
    headsStale_ = false;
    heads_.resize(slots_.size());
    if (slots_.empty()) {
        shared_.clear();
        return;
    }
    std::string firstRoom, lastRoom;
    const std::string_view first = key(0, &firstRoom), last = key(slots_.size() - 1, &lastRoom);
    const std::size_t most = std::min(first.size(), last.size());
    std::size_t n = 0;
    while (n < most && first[n] == last[n])
        ++n;
    shared_.assign(first.data(), n);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        heads_[i] = headOfSlot(slots_[i], n);
}

std::uint64_t PageEntries::headOfSlot(const Slot& s, std::size_t from) const {
    if (!s.keyFull) return headOf(keptKey(s), from);
    unsigned char b[8] = {};
    copyPacked(keptKey(s), s.keyFull, from, 8, b);
    return headOf(std::string_view(reinterpret_cast<const char*>(b), 8), 0);
}

std::string_view PageEntries::key(std::size_t i, std::string* scratch) const {
    const Slot& s = slots_[i];
    if (!s.keyFull) return keptKey(s);
    const std::string_view kept = keptKey(s);
    // Never fails for bytes we packed; damaged ones read as zeros.
    if (!rleDecode(reinterpret_cast<const std::uint8_t*>(kept.data()), kept.size(), s.keyFull,
                   scratch))
        scratch->assign(s.keyFull, '\0');
    return *scratch;
}

bool PageEntries::keyIs(std::size_t i, const PageEntries& other, std::size_t j) const {
    // A key is kept the same way wherever it lies: equal keys are equal bytes.
    const Slot& a = slots_[i];
    const Slot& b = other.slots_[j];
    return a.keyFull == b.keyFull && keptKey(a) == other.keptKey(b);
}

int PageEntries::compareKey(std::size_t i, std::string_view key) const {
    const Slot& s = slots_[i];
    if (!s.keyFull) return compareKeys(keptKey(s), key);
    return comparePacked(keptKey(s), s.keyFull, 0, key);
}

int PageEntries::placeAmong(std::string_view key, std::uint64_t* head) const {
    if (headsStale_) refreshHeads();
    if (!shared_.empty()) {
        const std::size_t n = std::min(key.size(), shared_.size());
        const int c = std::memcmp(key.data(), shared_.data(), n);
        if (c != 0) return c < 0 ? -1 : 1;
        if (key.size() < shared_.size()) return -1; // it begins every key of the page
    }
    *head = headOf(key, shared_.size());
    return 0;
}

void PageEntries::shrink() {
    if (headsStale_) refreshHeads();
    if (heads_.capacity() > heads_.size() + heads_.size() / 16 + 4) heads_.shrink_to_fit();
    if (garbage_) {
        compact();
    } else if (arena_.capacity() > arena_.size() + arena_.size() / 16 + 32) {
        std::string fit;
        fit.reserve(arena_.size());
        fit.append(arena_);
        arena_.swap(fit);
        // The larger room is kept for the next page read.
        if (fit.capacity() > readRoom().capacity()) readRoom().swap(fit);
    }
    if (slots_.capacity() > slots_.size() + slots_.size() / 16 + 4) slots_.shrink_to_fit();
}

bool PageEntries::payload(std::size_t i, std::string* out) const {
    const Slot& s = slots_[i];
    if (!s.packed) {
        out->assign(data(s));
        return true;
    }
    const std::string_view d = data(s);
    return rleDecode(reinterpret_cast<const std::uint8_t*>(d.data()), d.size(), s.size, out);
}

std::string_view PageEntries::payloadView(std::size_t i, std::string* scratch) const {
    const Slot& s = slots_[i];
    if (!s.packed) return data(s);
    if (!payload(i, scratch)) scratch->assign(s.size, '\0'); // never for bytes we packed
    return *scratch;
}

std::string_view PageEntries::keptForm(std::string_view key, std::uint8_t* keyFull) {
    thread_local std::string packedKey;
    if (packKey(key, &packedKey)) {
        *keyFull = static_cast<std::uint8_t>(key.size());
        return packedKey;
    }
    *keyFull = 0;
    return key;
}

void PageEntries::store(std::string_view key, std::string_view payload, Slot* slot) {
    std::uint8_t keyFull = 0;
    const std::string_view kept = keptForm(key, &keyFull);
    storeKept(kept, keyFull, payload, slot);
}

void PageEntries::storeKept(std::string_view key, std::uint8_t keyFull, std::string_view payload,
                            Slot* slot) {
    thread_local std::string packed;
    if (payload.size() >= kPackFrom &&
        rleEncode(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(), &packed) &&
        packed.size() + payload.size() / 8 <= payload.size()) {
        place(key, keyFull, packed, true, payload.size(), slot);
        return;
    }
    place(key, keyFull, payload, false, payload.size(), slot);
}

void PageEntries::place(std::string_view key, std::uint8_t keyFull, std::string_view stored,
                        bool packed, std::size_t size, Slot* slot) {
    // Key or payload may be views of this very arena, which moves as it grows:
    // such bytes are copied before the arena grows.
    const std::less<const char*> below;
    const char* begin = arena_.data();
    const char* end = begin + arena_.size();
    const auto within = [&](const char* p) { return !below(p, begin) && below(p, end); };
    std::string copy;
    if (within(key.data()) || within(stored.data())) {
        copy.reserve(key.size() + stored.size());
        copy.append(key);
        copy.append(stored);
        key = std::string_view(copy).substr(0, key.size());
        stored = std::string_view(copy).substr(key.size());
    }
    grow(key.size() + stored.size());
    slot->at = static_cast<std::uint32_t>(arena_.size());
    arena_.append(key);
    arena_.append(stored);
    slot->keyLen = static_cast<std::uint16_t>(key.size());
    slot->keyFull = keyFull;
    slot->dataLen = static_cast<std::uint16_t>(stored.size());
    slot->size = static_cast<std::uint16_t>(size);
    slot->packed = packed;
}

void PageEntries::setPayload(std::size_t i, std::string_view payload) {
    // Stored anew even where the new bytes would fit the old ones' place:
    // changed in place, a large commit left the process holding more memory.
    Slot& s = slots_[i];
    const std::string kept(keptKey(s));
    garbage_ += s.keyLen + s.dataLen;
    storeKept(kept, s.keyFull, payload, &s);
    collect();
}

void PageEntries::setKey(std::size_t i, std::string_view key) {
    thread_local std::string record, packedKey;
    Slot& s = slots_[i];
    std::uint64_t head = 0;
    if (headFor(key, &head)) heads_[i] = head;
    std::string_view kept = key;
    std::uint8_t full = 0;
    if (packKey(key, &packedKey)) {
        kept = packedKey;
        full = static_cast<std::uint8_t>(key.size());
    }
    if (kept.size() == s.keyLen) {
        // Keys of one kind mostly keep one length: the new key takes the old
        // one's bytes.
        std::memmove(arena_.data() + s.at, kept.data(), kept.size());
        s.keyFull = full;
        return;
    }
    record.assign(kept);
    record.append(data(s));
    garbage_ += s.keyLen + s.dataLen;
    grow(record.size());
    s.at = static_cast<std::uint32_t>(arena_.size());
    arena_.append(record);
    s.keyLen = static_cast<std::uint16_t>(kept.size());
    s.keyFull = full;
    collect();
}

int PageEntries::compareRest(const Slot& s, std::string_view rest) const {
    // Both past the shared bytes within their heads, which are equal: the
    // bytes are the same up to the shorter one's end and zero beyond, so the
    // shorter key is the lower one. Its bytes need not be read.
    const std::size_t own = keySize(s) - shared_.size();
    if (own <= 8 && rest.size() <= 8) return own < rest.size() ? -1 : (own > rest.size() ? 1 : 0);
    if (s.keyFull) return comparePacked(keptKey(s), s.keyFull, shared_.size(), rest);
    return compareKeys(keptKey(s).substr(shared_.size()), rest);
}

std::size_t PageEntries::lowerBound(std::string_view key) const {
    if (slots_.empty()) return 0;
    std::uint64_t head = 0;
    if (const int where = placeAmong(key, &head)) return where < 0 ? 0 : slots_.size();
    const std::string_view rest = key.substr(shared_.size());
    std::size_t lo = 0, hi = slots_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const std::uint64_t h = heads_[mid];
        const bool below = h != head ? h < head : compareRest(slots_[mid], rest) < 0;
        if (below)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t PageEntries::upperBound(std::string_view key) const {
    if (slots_.empty()) return 0;
    std::uint64_t head = 0;
    if (const int where = placeAmong(key, &head)) return where < 0 ? 0 : slots_.size();
    const std::string_view rest = key.substr(shared_.size());
    std::size_t lo = 0, hi = slots_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const std::uint64_t h = heads_[mid];
        const bool above = h != head ? h > head : compareRest(slots_[mid], rest) > 0;
        if (above)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

std::size_t PageEntries::find(std::string_view key) const {
    const std::size_t i = lowerBound(key);
    return i < slots_.size() && keyIs(i, key) ? i : slots_.size();
}

std::pair<std::size_t, bool> PageEntries::emplace(std::string_view key, std::string_view payload,
                                                  std::int64_t child) {
    const std::size_t i = lowerBound(key);
    if (i < slots_.size() && keyIs(i, key)) return {i, false};
    // Taken before the arena may move under a key that is a view of it.
    std::uint64_t head = 0;
    const bool haveHead = headFor(key, &head);
    Slot s;
    s.child = static_cast<std::int32_t>(child);
    store(key, payload, &s);
    growSlots();
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(i), s);
    if (haveHead) heads_.insert(heads_.begin() + static_cast<std::ptrdiff_t>(i), head);
    return {i, true};
}

void PageEntries::append(std::string_view key, std::string_view payload, std::int64_t child) {
    if (!slots_.empty() && compareKey(slots_.size() - 1, key) >= 0) {
        emplace(key, payload, child);
        return;
    }
    std::uint64_t head = 0;
    const bool haveHead = headFor(key, &head);
    Slot s;
    s.child = static_cast<std::int32_t>(child);
    store(key, payload, &s);
    growSlots();
    slots_.push_back(s);
    if (haveHead) heads_.push_back(head);
}

void PageEntries::appendRead(std::string_view key, std::string_view payload, bool packed,
                             std::size_t size, std::int64_t child) {
    std::uint64_t head = 0;
    const bool haveHead = headFor(key, &head);
    Slot s;
    s.child = static_cast<std::int32_t>(child);
    std::uint8_t keyFull = 0;
    const std::string_view kept = keptForm(key, &keyFull);
    if (!packed) {
        storeKept(kept, keyFull, payload, &s);
    } else if (payload.size() + size / 8 <= size) {
        place(kept, keyFull, payload, true, size, &s);
    } else {
        // Packing saves too little: kept as it is.
        thread_local std::string plain;
        if (!rleDecode(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(), size,
                       &plain))
            plain.assign(size, '\0'); // never for bytes packed as rleEncode packs
        place(kept, keyFull, plain, false, size, &s);
    }
    growSlots();
    slots_.push_back(s);
    if (haveHead) heads_.push_back(head);
}

void PageEntries::erase(std::size_t i) {
    garbage_ += slots_[i].keyLen + slots_[i].dataLen;
    slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(i));
    if (!headsStale_) heads_.erase(heads_.begin() + static_cast<std::ptrdiff_t>(i));
    if (slots_.empty()) {
        clear();
        return;
    }
    collect();
}

void PageEntries::moveTail(std::size_t from, PageEntries* to) {
    // Room for the whole tail at once, not record by record.
    std::size_t bytes = 0;
    for (std::size_t i = from; i < slots_.size(); ++i)
        bytes += std::size_t{slots_[i].keyLen} + slots_[i].dataLen;
    to->grow(bytes);
    to->slots_.reserve(to->slots_.size() + slots_.size() - from);
    for (std::size_t i = from; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        Slot t = s;
        to->grow(std::size_t{s.keyLen} + s.dataLen);
        t.at = static_cast<std::uint32_t>(to->arena_.size());
        to->arena_.append(arena_, s.at, std::size_t{s.keyLen} + s.dataLen);
        to->growSlots();
        to->slots_.push_back(t);
        garbage_ += s.keyLen + s.dataLen;
    }
    slots_.resize(from);
    // Both pages may now share more bytes than before.
    headsStale_ = true;
    to->headsStale_ = true;
    if (slots_.empty()) {
        clear();
        return;
    }
    collect();
}

void PageEntries::collect() {
    if (garbage_ < 256 || garbage_ * 2 < arena_.size()) return;
    compact();
}

void PageEntries::compact() {
    std::string arena;
    arena.reserve(arena_.size() - garbage_);
    for (Slot& s : slots_) {
        const std::size_t at = arena.size();
        arena.append(arena_, s.at, std::size_t{s.keyLen} + s.dataLen);
        s.at = static_cast<std::uint32_t>(at);
    }
    arena_ = std::move(arena);
    garbage_ = 0;
}

std::size_t PageEntries::memory() const {
    const std::size_t arena = arena_.capacity() > 15 ? arena_.capacity() + 1 : 0;
    return heapBlock(arena) + heapBlock(slots_.capacity() * sizeof(Slot)) +
           heapBlock(heads_.capacity() * sizeof(std::uint64_t)) +
           (shared_.capacity() > 15 ? heapBlock(shared_.capacity() + 1) : 0);
}

} // namespace zv::storage
