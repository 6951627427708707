// Reading a page for the page cache. The cache keeps long payloads run-length
// packed; unpacking the whole page and packing each payload again took most of
// the time of reading a page. Here the page's packed bytes are read as pieces
// (bytes as they are, runs of one byte), keys and the few leading bytes a
// record shares with the next are made whole, and the rest of each long
// payload goes from the page's pieces straight into its own packed form.
#include "storage/coding.h"
#include "storage/page_codec.h"
#include "storage/qtf_format.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zv::storage {

namespace {

// Reads run-length packed bytes (as rleDecode reads them) as pieces, in order.
class PieceReader {
public:
    PieceReader(const std::uint8_t* in, std::size_t n, std::size_t expanded)
        : p_(in), end_(in + n), expanded_(expanded) {}

    // Hands the next n bytes over: bytes(pointer, k) for bytes as they lie,
    // run(byte, k) for a byte k times. False when the packed bytes are damaged
    // or unpack to fewer bytes.
    template <class Bytes, class Run> bool read(std::size_t n, Bytes&& bytes, Run&& run) {
        while (n) {
            if (!literalLeft_ && !runLeft_ && !nextPiece()) return false;
            if (literalLeft_) {
                const std::size_t k = std::min(n, literalLeft_);
                bytes(p_, k);
                last_ = p_[k - 1];
                p_ += k;
                literalLeft_ -= k;
                n -= k;
            } else {
                const std::size_t k = std::min(n, runLeft_);
                run(last_, k);
                runLeft_ -= k;
                n -= k;
            }
        }
        return true;
    }
    // Appends the next n bytes to `out`.
    bool append(std::size_t n, std::string* out) {
        return read(
            n, [out](const std::uint8_t* p, std::size_t k) { out->append(asChars(p), k); },
            [out](std::uint8_t c, std::size_t k) { out->append(k, static_cast<char>(c)); });
    }
    // Whether every byte was read.
    bool atEnd() const { return !literalLeft_ && !runLeft_ && given_ == expanded_; }

private:
    static const char* asChars(const std::uint8_t* p) { return reinterpret_cast<const char*>(p); }
    // Reads counts up to the next piece that holds bytes: a count of bytes as
    // they lie and a count of repeats of the byte before, in turn.
    bool nextPiece() {
        while (given_ < expanded_) {
            std::size_t n = 0;
            if (!getVarint(p_, end_, &n) || n > expanded_ - given_) return false;
            if (literalNext_) {
                if (n > static_cast<std::size_t>(end_ - p_)) return false;
                literalLeft_ = n;
            } else {
                if (given_ == 0) return false; // a run of no byte
                runLeft_ = n;
            }
            literalNext_ = !literalNext_;
            given_ += n;
            if (n) return true;
        }
        return false;
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::size_t expanded_;
    std::size_t given_ = 0; // bytes of the pieces read so far
    std::size_t literalLeft_ = 0;
    std::size_t runLeft_ = 0;
    std::uint8_t last_ = 0;
    bool literalNext_ = true;
};

// Packs bytes handed over as pieces the way rleEncode packs them: runs of four
// or more equal bytes become a count, shorter ones stay as they are. Holds one
// payload of a page, at most qtf::kMaxPage bytes. Bytes as they are go
// straight to their place behind a byte left for their count.
class PiecePacker {
public:
    void clear() {
        literal_ = packed_ + 1;
        end_ = literal_;
        repeats_ = 0;
        anyRun_ = false;
    }
    void bytes(const std::uint8_t* p, std::size_t n) {
        // Equal bytes that go on from the bytes before may make a run with
        // them (where two sources of bytes meet).
        if (end_ != literal_ && *p == end_[-1]) {
            std::size_t same = 1;
            while (same < n && p[same] == *p)
                ++same;
            run(*p, same);
            p += same;
            n -= same;
        }
        if (!n) return;
        if (repeats_) closePair();
        std::memcpy(end_, p, n);
        end_ += n;
    }
    // Bytes whose runs are not known: each run found is handed over as one.
    void scan(const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0, j = 0; i < n; i = j) {
            for (j = i + 1; j < n && p[j] == p[i];)
                ++j;
            bytes(p + i, 1);
            if (j - i > 1) run(p[i], j - i - 1);
        }
    }
    void run(std::uint8_t c, std::size_t n) {
        if (repeats_) {
            if (end_[-1] == c) {
                repeats_ += n;
                return;
            }
            closePair();
        }
        // With the equal bytes just before it (at most three: four would have
        // made a run), a run of four or more keeps its first byte as it is.
        std::size_t before = 0;
        while (before < 3 && end_ - before > literal_ && *(end_ - before - 1) == c)
            ++before;
        if (before + n < 4) {
            std::memset(end_, c, n);
            end_ += n;
            return;
        }
        if (before) {
            end_ -= before - 1;
        } else {
            *end_++ = c;
        }
        repeats_ = before + n - 1;
        anyRun_ = true;
    }
    // The bytes packed (true), or as they are when they hold no run.
    bool finish(std::string_view* out) {
        if (!anyRun_) {
            *out = {reinterpret_cast<const char*>(literal_),
                    static_cast<std::size_t>(end_ - literal_)};
            return false;
        }
        // Ending in a run, as rleEncode ends: a count of no bytes after it.
        if (repeats_) closePair();
        closeLiteral();
        *out = {reinterpret_cast<const char*>(packed_), static_cast<std::size_t>(end_ - packed_)};
        return true;
    }

private:
    // Writes the count of the bytes as they are before them.
    void closeLiteral() {
        const std::size_t n = static_cast<std::size_t>(end_ - literal_);
        std::uint8_t count[4];
        const std::size_t width = static_cast<std::size_t>(putVarint(count, n) - count);
        if (width > 1) {
            std::memmove(literal_ + width - 1, literal_, n);
            end_ += width - 1;
        }
        std::memcpy(literal_ - 1, count, width);
    }
    void closePair() {
        closeLiteral();
        end_ = putVarint(end_, repeats_);
        literal_ = end_ + 1;
        end_ = literal_;
        repeats_ = 0;
    }

    // Each count of at most 3 bytes follows at least one byte as it is and
    // goes with at least three repeats: the packed bytes never take more than
    // the payload and a fifth.
    std::uint8_t packed_[qtf::kMaxPage * 2];
    std::uint8_t* literal_ = packed_ + 1; // where the bytes as they are begin
    std::uint8_t* end_ = packed_ + 1;
    std::size_t repeats_ = 0; // repeats of the last byte as it is that follow it
    bool anyRun_ = false;
};

} // namespace

PageDecode decodePageKept(const std::uint8_t* in, std::size_t n, PageImage* page,
                          std::uint32_t* ownOffset, std::size_t packFrom,
                          const KeptRecordVisitor& visit) {
    PageBody body;
    if (const PageDecode rc = decodePageFixed(in, n, page, ownOffset, &body); rc != PageDecode::Ok)
        return rc;
    const bool index = page->level != 0;
    if (body.stored == body.expanded) {
        // Not packed: records as they lie.
        std::string prevKey;
        bool first = true;
        const bool ok = forEachRecord(in + body.fixed, body.stored - body.fixed, body.count,
                                      [&](std::string_view key, std::string_view payload) {
                                          if ((!first && !(std::string_view(prevKey) < key)) ||
                                              (index && !payload.empty()))
                                              return false;
                                          first = false;
                                          prevKey.assign(key);
                                          return visit({key, payload, false, payload.size()});
                                      });
        return ok ? PageDecode::Ok : PageDecode::BadRecords;
    }
    PieceReader reader(in + body.fixed, body.stored - body.fixed, body.expanded - body.fixed);
    // Each record is its key followed by its payload; it begins with `shared`
    // bytes of the record before. Made whole: the key, and at least the first
    // kMaxShared bytes of the record (all a record may share).
    thread_local std::string head, prevHead;
    thread_local PiecePacker packer;
    prevHead.clear();
    std::size_t total = 0, keyLen = 0, prevTotal = 0, prevKeyLen = 0;
    const auto put = [](const std::uint8_t* p, std::size_t k) { packer.bytes(p, k); };
    const auto putRun = [](std::uint8_t c, std::size_t k) { packer.run(c, k); };
    for (std::size_t i = 0; i < body.count; ++i) {
        std::uint8_t fields[4];
        // The next k (at most 4) bytes into `fields`.
        const auto take = [&](std::size_t k) {
            std::uint8_t* to = fields;
            return reader.read(
                k, [&to](const std::uint8_t* p, std::size_t m) { to = std::copy(p, p + m, to); },
                [&to](std::uint8_t c, std::size_t m) { to = std::fill_n(to, m, c); });
        };
        if (!take(1)) return PageDecode::BadRecords;
        const std::uint8_t flags = fields[0];
        if (flags & qtf::kHasTotal) {
            if (!take(2)) return PageDecode::BadRecords;
            total = getLe16(fields);
        } else if (i == 0) {
            return PageDecode::BadRecords;
        }
        if (flags & qtf::kHasKeyLength) {
            if (!take(2)) return PageDecode::BadRecords;
            keyLen = getLe16(fields);
        } else if (i == 0) {
            return PageDecode::BadRecords;
        }
        const std::size_t shared = flags & qtf::kSharedMask;
        if (shared > prevTotal || shared > total || keyLen > total ||
            total >= static_cast<std::size_t>(qtf::kMaxBound))
            return PageDecode::BadRecords;
        const std::size_t payloadSize = total - keyLen;
        const bool pack = payloadSize >= packFrom;
        // Bytes made whole: up to keyEnd without the packer, on to wholeEnd
        // with it too; the rest goes to the packer only.
        const std::size_t keyEnd = pack ? std::max(keyLen, shared) : total;
        const std::size_t wholeEnd =
            pack ? std::max(keyEnd, std::min<std::size_t>(total, qtf::kMaxShared)) : total;
        head.assign(prevHead, 0, shared);
        if (!reader.append(keyEnd - shared, &head)) return PageDecode::BadRecords;
        if (pack) {
            packer.clear();
            if (shared > keyLen)
                packer.scan(reinterpret_cast<const std::uint8_t*>(head.data()) + keyLen,
                            shared - keyLen);
            if (!reader.read(
                    wholeEnd - keyEnd,
                    [](const std::uint8_t* p, std::size_t k) {
                        head.append(reinterpret_cast<const char*>(p), k);
                        packer.bytes(p, k);
                    },
                    [](std::uint8_t c, std::size_t k) {
                        head.append(k, static_cast<char>(c));
                        packer.run(c, k);
                    }))
                return PageDecode::BadRecords;
            if (!reader.read(total - wholeEnd, put, putRun)) return PageDecode::BadRecords;
        }
        const std::string_view key = std::string_view(head).substr(0, keyLen);
        if ((i > 0 && !(std::string_view(prevHead).substr(0, prevKeyLen) < key)) ||
            (index && payloadSize))
            return PageDecode::BadRecords;
        KeptRecord record{key, std::string_view(head).substr(keyLen), false, payloadSize};
        if (pack) record.packed = packer.finish(&record.payload);
        if (!visit(record)) return PageDecode::BadRecords;
        head.swap(prevHead);
        prevTotal = total;
        prevKeyLen = keyLen;
    }
    return reader.atEnd() ? PageDecode::Ok : PageDecode::BadRecords;
}

} // namespace zv::storage
