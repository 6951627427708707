#include "storage/block_cipher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace zv::storage::cipher {

namespace {

constexpr std::uint32_t rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

void compress(std::uint32_t h[8], const std::uint8_t* p) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 |
               std::uint32_t{p[4 * i + 2]} << 8 | p[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t t1 =
            k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += k;
}

constexpr std::uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// The round function: HMAC-SHA256 under the file key of the block number,
// the round and one half of the block, from the states after the key's pads.
void roundFunction(const Key& key, std::uint64_t blockNumber, int round,
                   const std::uint8_t half[kHalf], std::uint8_t out[kHalf]) {
    std::uint8_t m[64] = {};
    for (int i = 0; i < 8; ++i)
        m[i] = static_cast<std::uint8_t>(blockNumber >> (8 * i));
    m[8] = static_cast<std::uint8_t>(round);
    std::memcpy(m + 9, half, kHalf);
    m[9 + kHalf] = 0x80;
    const std::uint64_t innerBits = (64 + 9 + kHalf) * 8;
    for (int i = 0; i < 8; ++i)
        m[63 - i] = static_cast<std::uint8_t>(innerBits >> (8 * i));
    std::uint32_t h[8];
    std::memcpy(h, key.inner.data(), sizeof h);
    compress(h, m);
    std::uint8_t o[64] = {};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            o[4 * i + j] = static_cast<std::uint8_t>(h[i] >> (24 - 8 * j));
    o[32] = 0x80;
    const std::uint64_t outerBits = (64 + 32) * 8;
    for (int i = 0; i < 8; ++i)
        o[63 - i] = static_cast<std::uint8_t>(outerBits >> (8 * i));
    std::memcpy(h, key.outer.data(), sizeof h);
    compress(h, o);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            out[4 * i + j] = static_cast<std::uint8_t>(h[i] >> (24 - 8 * j));
}

void xorInto(std::uint8_t* to, const std::uint8_t* from) {
    for (std::size_t i = 0; i < kHalf; ++i)
        to[i] ^= from[i];
}

class CipherFile : public platform::File {
public:
    CipherFile(std::unique_ptr<platform::File> inner, const Key& key)
        : inner_(std::move(inner)), key_(key) {}
    int read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override {
        if (offset % kBlock || n % kBlock) return EINVAL;
        int rc = inner_->read(offset, buf, n, got);
        // A cut last block (a damaged file) stays as stored.
        if (rc == 0)
            decipherBlocks(key_, offset, static_cast<std::uint8_t*>(buf), *got / kBlock * kBlock);
        return rc;
    }
    int write(std::uint64_t offset, const void* buf, std::size_t n) override {
        if (offset % kBlock || n % kBlock) return EINVAL;
        std::vector<std::uint8_t> out(static_cast<const std::uint8_t*>(buf),
                                      static_cast<const std::uint8_t*>(buf) + n);
        encipherBlocks(key_, offset, out.data(), n);
        return inner_->write(offset, out.data(), n);
    }
    int flush() override { return inner_->flush(); }
    int size(std::uint64_t* bytes) override { return inner_->size(bytes); }
    int truncate(std::uint64_t bytes) override { return inner_->truncate(bytes); }
    int descriptor() const override { return inner_->descriptor(); }

private:
    std::unique_ptr<platform::File> inner_;
    Key key_;
};

class CipherFileSystem : public platform::FileSystem {
public:
    CipherFileSystem(platform::FileSystem& inner, const Key& key) : inner_(inner), key_(key) {}
    int open(const std::string& path, unsigned flags,
             std::unique_ptr<platform::File>* file) override {
        std::unique_ptr<platform::File> raw;
        if (int rc = inner_.open(path, flags, &raw)) return rc;
        *file = std::make_unique<CipherFile>(std::move(raw), key_);
        return 0;
    }
    int remove(const std::string& path) override { return inner_.remove(path); }
    int rename(const std::string& from, const std::string& to) override {
        return inner_.rename(from, to);
    }
    bool exists(const std::string& path) override { return inner_.exists(path); }

private:
    platform::FileSystem& inner_;
    Key key_;
};

} // namespace

Digest sha256(std::string_view data) {
    std::uint32_t h[8];
    std::memcpy(h, kInitial, sizeof h);
    std::size_t full = data.size() / 64 * 64;
    for (std::size_t at = 0; at < full; at += 64)
        compress(h, reinterpret_cast<const std::uint8_t*>(data.data()) + at);
    std::uint8_t tail[128] = {};
    std::size_t rest = data.size() - full;
    std::memcpy(tail, data.data() + full, rest);
    tail[rest] = 0x80;
    std::size_t blocks = rest + 9 > 64 ? 2 : 1;
    std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[blocks * 64 - 1 - static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t b = 0; b < blocks; ++b)
        compress(h, tail + 64 * b);
    Digest out{};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            out[static_cast<std::size_t>(4 * i + j)] =
                static_cast<std::uint8_t>(h[i] >> (24 - 8 * j));
    return out;
}

Digest hmacSha256(std::string_view key, std::string_view data) {
    std::string k(key);
    if (k.size() > 64) {
        Digest d = sha256(k);
        k.assign(d.begin(), d.end());
    }
    k.resize(64, '\0');
    std::string inner(64, '\0'), outer(64, '\0');
    for (std::size_t i = 0; i < 64; ++i) {
        inner[i] = static_cast<char>(k[i] ^ 0x36);
        outer[i] = static_cast<char>(k[i] ^ 0x5c);
    }
    inner.append(data);
    Digest d = sha256(inner);
    outer.append(d.begin(), d.end());
    return sha256(outer);
}

std::string pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations,
                   std::size_t length) {
    std::string out;
    for (std::uint32_t block = 1; out.size() < length; ++block) {
        std::string s(salt);
        for (int i = 3; i >= 0; --i)
            s.push_back(static_cast<char>(block >> (8 * i)));
        Digest u = hmacSha256(password, s);
        Digest t = u;
        for (std::uint32_t i = 1; i < iterations; ++i) {
            u = hmacSha256(password,
                           std::string_view(reinterpret_cast<const char*>(u.data()), u.size()));
            for (std::size_t j = 0; j < t.size(); ++j)
                t[j] ^= u[j];
        }
        out.append(t.begin(), t.end());
    }
    out.resize(length);
    return out;
}

Key keyFromBytes(std::string_view bytes) {
    std::uint8_t inner[64] = {}, outer[64] = {};
    for (std::size_t i = 0; i < 64; ++i) {
        std::uint8_t k = i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0;
        inner[i] = k ^ 0x36;
        outer[i] = k ^ 0x5c;
    }
    Key key;
    std::memcpy(key.inner.data(), kInitial, sizeof kInitial);
    std::memcpy(key.outer.data(), kInitial, sizeof kInitial);
    compress(key.inner.data(), inner);
    compress(key.outer.data(), outer);
    return key;
}

Key keyFromPassword(std::string_view password) {
    return keyFromBytes(pbkdf2(password, "ZEVLON QTF owner password", 20000, 32));
}

void roundOutput(const Key& key, std::uint64_t blockNumber, int round,
                 const std::uint8_t half[kHalf], std::uint8_t out[kHalf]) {
    roundFunction(key, blockNumber, round, half, out);
}

// Four Feistel rounds over the two halves of each block: (L, R) becomes
// (R, L ^ F(R)); deciphering runs the rounds backwards.
void encipherBlocks(const Key& key, std::uint64_t offset, std::uint8_t* data, std::size_t n) {
    std::uint8_t f[kHalf], left[kHalf];
    for (std::size_t at = 0; at + kBlock <= n; at += kBlock) {
        std::uint8_t* l = data + at;
        std::uint8_t* r = l + kHalf;
        const std::uint64_t number = (offset + at) / kBlock;
        for (int round = 0; round < kRounds; ++round) {
            roundFunction(key, number, round, r, f);
            xorInto(l, f);
            std::memcpy(left, l, kHalf);
            std::memcpy(l, r, kHalf);
            std::memcpy(r, left, kHalf);
        }
    }
}

void decipherBlocks(const Key& key, std::uint64_t offset, std::uint8_t* data, std::size_t n) {
    std::uint8_t f[kHalf], left[kHalf];
    for (std::size_t at = 0; at + kBlock <= n; at += kBlock) {
        std::uint8_t* l = data + at;
        std::uint8_t* r = l + kHalf;
        const std::uint64_t number = (offset + at) / kBlock;
        for (int round = kRounds - 1; round >= 0; --round) {
            std::memcpy(left, l, kHalf);
            std::memcpy(l, r, kHalf);
            std::memcpy(r, left, kHalf);
            roundFunction(key, number, round, r, f);
            xorInto(l, f);
        }
    }
}

std::unique_ptr<platform::FileSystem> cipherFileSystem(platform::FileSystem& inner,
                                                       const Key& key) {
    return std::make_unique<CipherFileSystem>(inner, key);
}

} // namespace zv::storage::cipher
