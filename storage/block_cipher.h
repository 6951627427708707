// The block cipher of files with an owner password. Every byte of such a file
// (header, pages and redo log) is enciphered with a ChaCha20 keystream: the
// 64-byte block at file offset o uses block o / 64, so each block can be read
// and written on its own, as the file is (always whole 64-byte blocks at
// 64-byte boundaries). The key comes from the password through
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

using Key = std::array<std::uint32_t, 8>;
// The key of a file's cipher, derived from its owner password.
Key keyFromPassword(std::string_view password);

// One ChaCha20 block (RFC 8439): 64 bytes of keystream.
void chachaBlock(const Key& key, std::uint32_t counter, const std::array<std::uint32_t, 3>& nonce,
                 std::uint8_t out[kBlock]);

// Enciphers (or deciphers: the same operation) `n` bytes that lie at file
// offset `offset`.
void cryptAt(const Key& key, std::uint64_t offset, std::uint8_t* data, std::size_t n);

// A file system whose files are enciphered with `key` on the way to and from
// `inner` (which must outlive it).
std::unique_ptr<platform::FileSystem> cipherFileSystem(platform::FileSystem& inner, const Key& key);

} // namespace zv::storage::cipher
