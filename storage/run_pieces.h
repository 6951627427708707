// Run-length packed bytes (as rleEncode packs them) seen as pieces: bytes as
// they are and runs of one byte. Pages and cached payloads are packed the same
// way, so that bytes go from one packed form into another without being
// unpacked between.
#pragma once

#include "storage/coding.h"
#include "storage/qtf_format.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zv::storage {

// Copies n bytes, short ones (most pieces are short) without a call.
inline void copyShort(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
    if (n >= 8 && n <= 16) {
        std::uint64_t a, b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to, &a, 8);
        std::memcpy(to + n - 8, &b, 8);
    } else if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    } else {
        std::memcpy(to, from, n);
    }
}

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
// or more equal bytes become a count, shorter ones stay as they are. Holds at
// most qtf::kMaxPage bytes (a payload, or the records of a page). Bytes as
// they are go straight to their place behind a byte left for their count.
class PiecePacker {
public:
    void clear() {
        literal_ = packed_ + 1;
        end_ = literal_;
        repeats_ = 0;
        anyRun_ = false;
    }
    void bytes(const std::uint8_t* p, std::size_t n) {
        if (!n) return;
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
        copyShort(end_, p, n);
        end_ += n;
    }
    // Bytes whose runs are not known: stretches without two equal bytes in a
    // row go as they are, each run found is handed over as one.
    void scan(const std::uint8_t* p, std::size_t n) {
        std::size_t i = 0;
        while (i < n) {
            std::size_t j = i;
            while (j + 1 < n && p[j] != p[j + 1])
                ++j;
            if (j + 1 >= n) {
                bytes(p + i, n - i);
                return;
            }
            std::size_t end = j + 2;
            while (end < n && p[end] == p[j])
                ++end;
            bytes(p + i, j + 1 - i);
            run(p[j], end - j - 1);
            i = end;
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
    // the bytes handed over and a fifth.
    std::uint8_t packed_[qtf::kMaxPage * 2];
    std::uint8_t* literal_ = packed_ + 1; // where the bytes as they are begin
    std::uint8_t* end_ = packed_ + 1;
    std::size_t repeats_ = 0; // repeats of the last byte as it is that follow it
    bool anyRun_ = false;
};

} // namespace zv::storage
