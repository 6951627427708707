// Byte order: every multi-byte number the native file stores goes through these.
// Little-endian is the file's order; big-endian is used where a number is part of
// a sort key, so that bytewise comparison orders it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zv::storage {

// How many of the first `n` bytes at p and q are equal, eight at a time.
inline std::size_t equalBytes(const char* p, const char* q, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, p + i, 8);
        std::memcpy(&y, q + i, 8);
        if (x != y) {
            const std::uint64_t d = x ^ y;
            if constexpr (std::endian::native == std::endian::little)
                return i + static_cast<std::size_t>(std::countr_zero(d)) / 8;
            else
                return i + static_cast<std::size_t>(std::countl_zero(d)) / 8;
        }
    }
    while (i < n && p[i] == q[i])
        ++i;
    return i;
}

inline std::uint16_t getLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t getBe32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline void putLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
inline void appendBe32(std::string& s, std::uint32_t v) {
    std::uint8_t b[4];
    putBe32(b, v);
    s.append(reinterpret_cast<const char*>(b), 4);
}
inline void appendLe16(std::string& s, std::uint16_t v) {
    std::uint8_t b[2];
    putLe16(b, v);
    s.append(reinterpret_cast<const char*>(b), 2);
}
inline void appendLe32(std::string& s, std::uint32_t v) {
    std::uint8_t b[4];
    putLe32(b, v);
    s.append(reinterpret_cast<const char*>(b), 4);
}
// The counts of run-length packed bytes: seven bits a byte, low bits first, the
// high bit set on every byte but the last. getVarint advances `p` past the
// count; false when the bytes end first or the count takes more than 5 bytes.
inline bool getVarint(const std::uint8_t*& p, const std::uint8_t* end, std::size_t* v) {
    std::size_t result = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        if (p == end) return false;
        const std::uint8_t b = *p++;
        result |= static_cast<std::size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) {
            *v = result;
            return true;
        }
    }
    return false;
}
inline std::uint8_t* putVarint(std::uint8_t* o, std::size_t v) {
    while (v >= 0x80) {
        *o++ = static_cast<std::uint8_t>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    *o++ = static_cast<std::uint8_t>(v);
    return o;
}
inline void appendVarint(std::string& s, std::size_t v) {
    std::uint8_t b[10];
    s.append(reinterpret_cast<const char*>(b), static_cast<std::size_t>(putVarint(b, v) - b));
}

// Copies text bytes into a byte buffer (one block copy, not a loop per byte).
inline void copyBytes(const std::string& from, std::vector<std::uint8_t>* to) {
    to->resize(from.size());
    if (!from.empty()) std::memcpy(to->data(), from.data(), from.size());
}

inline std::string textOf(const std::vector<std::uint8_t>& from) {
    return std::string(reinterpret_cast<const char*>(from.data()), from.size());
}

inline const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

} // namespace zv::storage
