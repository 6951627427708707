// The block cipher of files with an owner password. Every 64-byte block of
// such a file (header, pages and redo log) is enciphered on its own, as the
// file is read and written (whole blocks at 64-byte boundaries): four Feistel
// rounds over its two 32-byte halves, the round function HMAC-SHA256 under the
// file key of the block's number, the round and one half. Every bit of a block
// depends on every bit of its text and on its place in the file, so versions
// of a page written over one another show nothing of how they differ beyond
// which blocks changed. The key comes from the password through
// PBKDF2-HMAC-SHA256. A file without a password is stored as it is.
#pragma once

#include "platform/file_io.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zv::storage::cipher {

constexpr std::size_t kBlock = 64;

using Digest = std::array<std::uint8_t, 32>;
Digest sha256(std::string_view data);
Digest hmacSha256(std::string_view key, std::string_view data);
// PBKDF2 with HMAC-SHA256; `out` receives `length` bytes.
std::string pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations,
                   std::size_t length);

constexpr std::size_t kHalf = kBlock / 2;
constexpr int kRounds = 4;

// A file key, kept as the SHA-256 states after its HMAC inner and outer pads.
struct Key {
    std::array<std::uint32_t, 8> inner{}, outer{};
    bool operator==(const Key&) const = default;
};
// The key of 32 key bytes, and the key of a file's cipher derived from its
// owner password.
Key keyFromBytes(std::string_view bytes);
Key keyFromPassword(std::string_view password);

// The round function (for tests): HMAC-SHA256 under the key of the block
// number (8 bytes, least significant first), the round (1 byte) and `half`.
void roundOutput(const Key& key, std::uint64_t blockNumber, int round,
                 const std::uint8_t half[kHalf], std::uint8_t out[kHalf]);

// Enciphers or deciphers the whole blocks of `n` bytes that lie at file
// offset `offset` (a multiple of kBlock); a cut last block stays as it is.
void encipherBlocks(const Key& key, std::uint64_t offset, std::uint8_t* data, std::size_t n);
void decipherBlocks(const Key& key, std::uint64_t offset, std::uint8_t* data, std::size_t n);

// A file system whose files are enciphered with `key` on the way to and from
// `inner` (which must outlive it).
std::unique_ptr<platform::FileSystem> cipherFileSystem(platform::FileSystem& inner, const Key& key);

} // namespace zv::storage::cipher
