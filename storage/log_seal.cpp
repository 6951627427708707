#include "storage/log_seal.h"

#include "storage/coding.h"
#include "storage/qtf_format.h"

#include <cstring>

namespace zv::storage {

namespace {

constexpr std::uint64_t kMul1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMul2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t rotate(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
    h ^= rotate(word * kMul2, 31) * kMul1;
    return rotate(h, 27) * 5 + 0x52DCE729;
}

std::uint64_t finish(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

} // namespace

LogSeal::LogSeal(std::uint64_t logStart, std::uint32_t changeCounter)
    : hash_(mix(mix(0x51AB5EA1u, logStart), changeCounter)) {}

void LogSeal::add(const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, data + i, 8);
        hash_ = mix(hash_, w);
    }
    length_ += n;
}

void LogSeal::addHeader(const std::uint8_t* header) {
    std::uint8_t copy[qtf::kHeaderSize];
    std::memcpy(copy, header, sizeof copy);
    putLe32(copy + qtf::hdr::kCommittedEnd, 0);
    putLe32(copy + qtf::hdr::kLogEnd, 0);
    add(copy, sizeof copy);
}

void LogSeal::value(std::uint32_t* low, std::uint32_t* high) const {
    const std::uint64_t v = finish(mix(hash_, length_));
    *low = static_cast<std::uint32_t>(v);
    *high = static_cast<std::uint32_t>(v >> 32);
    if (*low == *high) *high ^= 1;
}

bool isSealed(const std::uint8_t* header) {
    return getLe32(header + qtf::hdr::kCommittedEnd) != getLe32(header + qtf::hdr::kLogEnd);
}

} // namespace zv::storage
