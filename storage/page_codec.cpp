#include "storage/page_codec.h"

#include "storage/coding.h"
#include "storage/qtf_format.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>

namespace zv::storage {

namespace {

std::size_t roundUnit(std::size_t n) {
    return (n + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
}

} // namespace

namespace {

std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The first position from `at` on that starts four equal bytes, or n. Such a
// position always starts a whole run: the byte before it differs, or it would
// have been found first (a run never continues across `at`, which follows a
// run or is 0). Eight positions are tested at a time.
std::size_t nextRun(const std::uint8_t* in, std::size_t at, std::size_t n) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    std::size_t i = at;
    for (; i + 11 <= n; i += 8) {
        const std::uint64_t a = load64(in + i);
        const std::uint64_t b = load64(in + i + 1);
        const std::uint64_t c = load64(in + i + 2);
        const std::uint64_t d = load64(in + i + 3);
        // Byte k is zero where in[i + k] .. in[i + k + 3] are equal; the lowest
        // flagged byte of the zero-byte test is exact.
        const std::uint64_t x = (a ^ b) | (b ^ c) | (c ^ d);
        const std::uint64_t zero = (x - kOnes) & ~x & kHighs;
        if (zero) {
            std::size_t k = 0;
            if constexpr (std::endian::native == std::endian::little)
                k = static_cast<std::size_t>(std::countr_zero(zero)) / 8;
            else
                k = static_cast<std::size_t>(std::countl_zero(zero)) / 8;
            return i + k;
        }
    }
    for (; i + 4 <= n; ++i)
        if (in[i] == in[i + 1] && in[i] == in[i + 2] && in[i] == in[i + 3]) return i;
    return n;
}

// The length of the run of equal bytes that starts at `at`.
std::size_t runLength(const std::uint8_t* in, std::size_t at, std::size_t n) {
    const std::uint64_t pattern = in[at] * 0x0101010101010101ull;
    std::size_t i = at + 1;
    while (i + 8 <= n && load64(in + i) == pattern)
        i += 8;
    while (i < n && in[i] == in[at])
        ++i;
    return i - at;
}

} // namespace

bool rleEncode(const std::uint8_t* in, std::size_t n, std::string* out) {
    // Written through a pointer into room sized for the worst case: a pair of
    // counts (at most 4 bytes below 2^14) per run of at least 4 bytes, and the
    // final literal count.
    // The room is kept from call to call and never cleared: every byte the
    // result takes is written first.
    thread_local std::unique_ptr<std::uint8_t[]> room;
    thread_local std::size_t roomSize = 0;
    if (roomSize < n + n / 4 + 16) {
        roomSize = n + n / 4 + 16;
        room.reset(new std::uint8_t[roomSize]);
    }
    std::uint8_t* const begin = room.get();
    std::uint8_t* o = begin;
    bool anyRun = false;
    std::size_t litStart = 0;
    while (true) {
        const std::size_t i = nextRun(in, litStart, n);
        if (i >= n) break;
        const std::size_t run = runLength(in, i, n);
        anyRun = true;
        const std::size_t lit = i + 1 - litStart;
        o = putVarint(o, lit);
        std::memcpy(o, in + litStart, lit);
        o = putVarint(o + lit, run - 1);
        litStart = i + run;
    }
    if (!anyRun) {
        out->clear();
        return false;
    }
    o = putVarint(o, n - litStart);
    std::memcpy(o, in + litStart, n - litStart);
    o += n - litStart;
    out->assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(o - begin));
    return true;
}

bool rleDecode(const std::uint8_t* in, std::size_t n, std::size_t expanded, std::string* out) {
    // Decoded straight into the output's bytes; `done` counts those written.
    // An output already of the right size (a buffer used again) is not cleared.
    if (out->size() != expanded) out->resize(expanded);
    auto* dst = reinterpret_cast<std::uint8_t*>(out->data());
    std::size_t done = 0;
    const std::uint8_t* p = in;
    const std::uint8_t* end = in + n;
    const auto fail = [out] {
        out->clear();
        return false;
    };
    // Most counts take one byte.
    const auto count = [&p, end](std::size_t* v) {
        if (p != end && *p < 0x80) {
            *v = *p++;
            return true;
        }
        return getVarint(p, end, v);
    };
    // Short runs are copied sixteen bytes at a time where input and output
    // have room: the bytes past the run are written over by what follows, as
    // the output is filled from the front to its end.
    constexpr std::size_t kWide = 16;
    while (true) {
        std::size_t lit = 0;
        if (!count(&lit)) return fail();
        if (lit > static_cast<std::size_t>(end - p) || lit > expanded - done) return fail();
        if (lit <= kWide && kWide <= static_cast<std::size_t>(end - p) && kWide <= expanded - done)
            std::memcpy(dst + done, p, kWide);
        else if (lit)
            std::memcpy(dst + done, p, lit);
        done += lit;
        p += lit;
        if (done == expanded) return true;
        std::size_t rep = 0;
        if (!count(&rep)) return fail();
        if (done == 0 || rep > expanded - done) return fail();
        if (rep <= kWide && kWide <= expanded - done)
            std::memset(dst + done, dst[done - 1], kWide);
        else
            std::memset(dst + done, dst[done - 1], rep);
        done += rep;
        if (done == expanded) return true;
    }
}

namespace {

std::vector<RecordView> viewsOf(const std::vector<PageRecord>& records) {
    std::vector<RecordView> views;
    views.reserve(records.size());
    for (const auto& r : records)
        views.push_back({r.key, r.payload});
    return views;
}

// The prefix-compressed records into `into` (its room kept).
void encodeRecordsInto(const std::vector<RecordView>& records, std::string* into);

// The bytes of a record's key followed by its payload, from byte `i` to the
// end of the part that holds it.
std::string_view wholeFrom(const RecordView& r, std::size_t i) {
    return i < r.key.size() ? r.key.substr(i) : r.payload.substr(i - r.key.size());
}

// How many leading bytes two records share, each read as its key followed by
// its payload, at most `limit` (which neither record is shorter than).
std::size_t sharedBytes(const RecordView& a, const RecordView& b, std::size_t limit) {
    std::size_t shared = 0;
    while (shared < limit) {
        const std::string_view x = wholeFrom(a, shared), y = wholeFrom(b, shared);
        const std::size_t n = std::min({x.size(), y.size(), limit - shared});
        const std::size_t equal = equalBytes(x.data(), y.data(), n);
        shared += equal;
        if (equal < n) break;
    }
    return shared;
}

} // namespace

std::string encodeRecords(const std::vector<PageRecord>& records) {
    return encodeRecords(viewsOf(records));
}

std::string encodeRecords(const std::vector<RecordView>& records) {
    std::string out;
    encodeRecordsInto(records, &out);
    return out;
}

namespace {

void encodeRecordsInto(const std::vector<RecordView>& records, std::string* into) {
    std::string& out = *into;
    out.clear();
    std::size_t most = 0;
    for (const auto& r : records)
        most += 5 + r.key.size() + r.payload.size();
    out.reserve(most);
    const RecordView* prev = nullptr;
    for (const auto& r : records) {
        const std::size_t whole = r.key.size() + r.payload.size();
        std::size_t shared = 0;
        if (prev) {
            const std::size_t prevWhole = prev->key.size() + prev->payload.size();
            shared = sharedBytes(
                *prev, r, std::min({prevWhole, whole, static_cast<std::size_t>(qtf::kMaxShared)}));
        }
        std::uint8_t flags = static_cast<std::uint8_t>(shared);
        if (!prev || whole != prev->key.size() + prev->payload.size()) flags |= qtf::kHasTotal;
        if (!prev || r.key.size() != prev->key.size()) flags |= qtf::kHasKeyLength;
        out.push_back(static_cast<char>(flags));
        if (flags & qtf::kHasTotal) appendLe16(out, static_cast<std::uint16_t>(whole));
        if (flags & qtf::kHasKeyLength) appendLe16(out, static_cast<std::uint16_t>(r.key.size()));
        if (shared < r.key.size()) {
            out.append(r.key.substr(shared));
            out.append(r.payload);
        } else {
            out.append(r.payload.substr(shared - r.key.size()));
        }
        prev = &r;
    }
}

} // namespace

bool forEachRecord(const std::uint8_t* in, std::size_t n, std::size_t count,
                   const RecordVisitor& visit) {
    const std::uint8_t* p = in;
    const std::uint8_t* end = in + n;
    // The record before and the one being read, whole (key then payload).
    std::string prev, whole;
    std::size_t total = 0, keyLen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (p == end) return false;
        std::uint8_t flags = *p++;
        if (flags & qtf::kHasTotal) {
            if (end - p < 2) return false;
            total = getLe16(p);
            p += 2;
        } else if (i == 0) {
            return false;
        }
        if (flags & qtf::kHasKeyLength) {
            if (end - p < 2) return false;
            keyLen = getLe16(p);
            p += 2;
        } else if (i == 0) {
            return false;
        }
        std::size_t shared = flags & qtf::kSharedMask;
        if (shared > prev.size() || shared > total || keyLen > total) return false;
        if (total >= static_cast<std::size_t>(qtf::kMaxBound)) return false;
        std::size_t rest = total - shared;
        if (static_cast<std::size_t>(end - p) < rest) return false;
        whole.assign(prev, 0, shared);
        whole.append(reinterpret_cast<const char*>(p), rest);
        p += rest;
        const std::string_view w = whole;
        if (!visit(w.substr(0, keyLen), w.substr(keyLen))) return false;
        prev.swap(whole);
    }
    return p == end;
}

bool decodeRecords(const std::uint8_t* in, std::size_t n, std::size_t count,
                   std::vector<PageRecord>* records) {
    records->clear();
    records->reserve(count);
    return forEachRecord(in, n, count, [records](std::string_view key, std::string_view payload) {
        records->push_back({std::string(key), std::string(payload)});
        return true;
    });
}

std::size_t expandedSize(const PageImage& page) {
    return qtf::kPageFixed + (page.level ? 4 * page.records.size() : 0) +
           encodeRecords(page.records).size();
}

bool encodePage(const PageImage& page, std::uint32_t ownOffset, std::string* out) {
    PageView view{page.level, page.sizeBound, viewsOf(page.records), page.children};
    return encodePage(view, ownOffset, out);
}

bool encodePage(const PageView& page, std::uint32_t ownOffset, std::string* out) {
    std::size_t fixed = qtf::kPageFixed + (page.level ? 4 * page.records.size() : 0);
    // Kept from call to call: their room is used again.
    thread_local std::string recs, packed;
    encodeRecordsInto(page.records, &recs);
    std::size_t expanded = fixed + recs.size();
    if (expanded > page.sizeBound || expanded > qtf::kMaxPage) return false;
    bool compress = rleEncode(bytes(recs), recs.size(), &packed) &&
                    roundUnit(fixed + packed.size()) < roundUnit(expanded);
    std::size_t stored = compress ? fixed + packed.size() : expanded;
    out->assign(roundUnit(stored), static_cast<char>(qtf::kPadByte));
    auto* o = reinterpret_cast<std::uint8_t*>(out->data());
    putLe32(o + qtf::pg::kOwnOffset, ownOffset);
    putLe16(o + qtf::pg::kStoredSize, static_cast<std::uint16_t>(stored));
    putLe16(o + qtf::pg::kExpandedSize, static_cast<std::uint16_t>(expanded));
    putLe16(o + qtf::pg::kSizeBound, page.sizeBound);
    putLe16(o + qtf::pg::kCount, static_cast<std::uint16_t>(page.records.size()));
    o[qtf::pg::kLevel] = page.level;
    if (page.level)
        for (std::size_t i = 0; i < page.children.size(); ++i)
            putLe32(o + qtf::kPageFixed + 4 * i, page.children[i]);
    const std::string& body = compress ? packed : recs;
    std::memcpy(o + fixed, body.data(), body.size());
    return true;
}

PageDecode decodePage(const std::uint8_t* in, std::size_t n, PageImage* page,
                      std::uint32_t* ownOffset) {
    page->records.clear();
    return decodePage(in, n, page, ownOffset,
                      [page](std::string_view key, std::string_view payload) {
                          page->records.push_back({std::string(key), std::string(payload)});
                          return true;
                      });
}

PageDecode decodePageFixed(const std::uint8_t* in, std::size_t n, PageImage* page,
                           std::uint32_t* ownOffset, PageBody* body) {
    if (n < static_cast<std::size_t>(qtf::kPageFixed)) return PageDecode::BadSizes;
    *ownOffset = getLe32(in + qtf::pg::kOwnOffset);
    body->stored = getLe16(in + qtf::pg::kStoredSize);
    body->expanded = getLe16(in + qtf::pg::kExpandedSize);
    body->count = getLe16(in + qtf::pg::kCount);
    page->sizeBound = getLe16(in + qtf::pg::kSizeBound);
    page->level = in[qtf::pg::kLevel];
    body->fixed = qtf::kPageFixed + (page->level ? 4 * body->count : 0);
    if (body->stored > n || body->stored > qtf::kMaxPage || body->stored < body->fixed ||
        body->expanded < body->stored || body->expanded > qtf::kMaxPage)
        return PageDecode::BadSizes;
    page->children.clear();
    if (page->level) {
        page->children.reserve(body->count);
        for (std::size_t i = 0; i < body->count; ++i)
            page->children.push_back(getLe32(in + qtf::kPageFixed + 4 * i));
    }
    return PageDecode::Ok;
}

PageDecode decodePage(const std::uint8_t* in, std::size_t n, PageImage* page,
                      std::uint32_t* ownOffset, const RecordVisitor& visit) {
    PageBody body;
    if (const PageDecode rc = decodePageFixed(in, n, page, ownOffset, &body); rc != PageDecode::Ok)
        return rc;
    const auto [stored, expanded, count, fixed] = body;
    // Keys strictly ascending; index pages carry no payloads.
    std::string prevKey;
    bool first = true;
    const bool index = page->level != 0;
    const auto check = [&](std::string_view key, std::string_view payload) {
        if ((!first && !(std::string_view(prevKey) < key)) || (index && !payload.empty()))
            return false;
        first = false;
        prevKey.assign(key);
        return visit(key, payload);
    };
    bool ok;
    if (stored < expanded) {
        thread_local std::string recs;
        if (!rleDecode(in + fixed, stored - fixed, expanded - fixed, &recs))
            return PageDecode::BadRecords;
        ok = forEachRecord(bytes(recs), recs.size(), count, check);
    } else {
        ok = forEachRecord(in + fixed, stored - fixed, count, check);
    }
    return ok ? PageDecode::Ok : PageDecode::BadRecords;
}

} // namespace zv::storage
