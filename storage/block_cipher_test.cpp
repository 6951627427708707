#include "storage/block_cipher.h"

#include "storage/native_file.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace zv::storage::cipher {
namespace {

std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

std::string hex(const Digest& d) {
    return hex(d.data(), d.size());
}

std::string hex(const std::string& s) {
    return hex(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(BlockCipher, HashesAndKeyDerivationMatchPublishedValues) {
    EXPECT_EQ(hex(sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex(sha256("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Padding that spills into a second block, and a message of whole blocks.
    EXPECT_EQ(hex(sha256(std::string(56, 'a'))),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(hex(sha256(std::string(64, 'a'))),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    EXPECT_EQ(hex(sha256(std::string(1000, 'a'))),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
    EXPECT_EQ(hex(pbkdf2("passwd", "salt", 1, 64)),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    EXPECT_NE(keyFromPassword("tajne"), keyFromPassword("Tajne"));
}

std::string text(const std::uint8_t* p, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

// The round function is HMAC-SHA256 of the block number, the round and a half
// (checked against the HMAC above), and the rounds undo each other.
TEST(BlockCipher, BlocksAreFeistelRoundsOfHmac) {
    const std::string keyBytes = pbkdf2("tajne", "ZEVLON QTF owner password", 20000, 32);
    const Key key = keyFromBytes(keyBytes);
    EXPECT_EQ(key, keyFromPassword("tajne"));
    std::uint8_t half[kHalf], out[kHalf];
    for (std::size_t i = 0; i < kHalf; ++i)
        half[i] = static_cast<std::uint8_t>(i * 7 + 1);
    roundOutput(key, 0x0102030405060708ull, 3, half, out);
    const std::string message =
        std::string("\x08\x07\x06\x05\x04\x03\x02\x01\x03", 9) + text(half, kHalf);
    Digest expected = hmacSha256(keyBytes, message);
    EXPECT_EQ(hex(out, kHalf), hex(expected));

    // Random blocks at random places come back; a cut last block stays.
    std::mt19937 rng(5);
    for (int trial = 0; trial < 200; ++trial) {
        std::string plain(kBlock * (1 + rng() % 4) + (trial % 5 == 0 ? 17 : 0), '\0');
        for (char& c : plain)
            c = static_cast<char>(rng());
        std::uint64_t offset = kBlock * (rng() % 100000);
        std::string data = plain;
        auto* p = reinterpret_cast<std::uint8_t*>(data.data());
        encipherBlocks(key, offset, p, data.size());
        EXPECT_NE(data.substr(0, kBlock), plain.substr(0, kBlock));
        EXPECT_EQ(data.substr(data.size() / kBlock * kBlock),
                  plain.substr(plain.size() / kBlock * kBlock));
        decipherBlocks(key, offset, p, data.size());
        ASSERT_EQ(data, plain);
    }
}

// Two versions of one block at one place: with a keystream their difference
// was the difference of the texts; here one changed byte changes the whole
// block, and one text gives other blocks at other places.
TEST(BlockCipher, VersionsOfABlockShowNothingOfTheirDifference) {
    const Key key = keyFromPassword("heslo");
    std::string a(kBlock, 'x'), b = a;
    b[10] = 'y';
    std::string ea = a, eb = b, elsewhere = a;
    encipherBlocks(key, 640, reinterpret_cast<std::uint8_t*>(ea.data()), kBlock);
    encipherBlocks(key, 640, reinterpret_cast<std::uint8_t*>(eb.data()), kBlock);
    encipherBlocks(key, 704, reinterpret_cast<std::uint8_t*>(elsewhere.data()), kBlock);
    int differing = 0;
    for (std::size_t i = 0; i < kBlock; ++i)
        differing += ea[i] != eb[i];
    EXPECT_GT(differing, 48);
    EXPECT_NE(ea, elsewhere);
    std::string again = a;
    encipherBlocks(key, 640, reinterpret_cast<std::uint8_t*>(again.data()), kBlock);
    EXPECT_EQ(again, ea);
}

TEST(BlockCipher, FilesOfTheCipherFileSystemHoldNoPlainText) {
    platform::MemFileSystem mem;
    auto fs = cipherFileSystem(mem, keyFromPassword("heslo"));
    std::unique_ptr<platform::File> f;
    ASSERT_EQ(fs->open("x", platform::OpenFlags::ReadWrite | platform::OpenFlags::Create, &f), 0);
    std::string text;
    while (text.size() < 2 * kBlock)
        text += "Novak Jan, Praha. ";
    text.resize(2 * kBlock);
    ASSERT_EQ(text.size(), 2 * kBlock);
    ASSERT_EQ(f->write(128, text.data(), text.size()), 0);
    std::string back(text.size(), '\0');
    std::size_t got = 0;
    ASSERT_EQ(f->read(128, back.data(), back.size(), &got), 0);
    EXPECT_EQ(got, text.size());
    EXPECT_EQ(back, text);
    const auto& raw = mem.bytes("x");
    std::string onDisk(raw.begin(), raw.end());
    EXPECT_EQ(onDisk.find("Novak"), std::string::npos);
    EXPECT_EQ(onDisk.find("Praha"), std::string::npos);
    EXPECT_EQ(f->write(100, text.data(), text.size()), EINVAL) << "only whole blocks";
}

// Records every read and write that does not cover whole 64-byte blocks.
class BlockCheckingFileSystem : public platform::FileSystem {
public:
    explicit BlockCheckingFileSystem(platform::FileSystem& inner) : inner_(inner) {}
    int open(const std::string& path, unsigned flags,
             std::unique_ptr<platform::File>* file) override {
        std::unique_ptr<platform::File> raw;
        if (int rc = inner_.open(path, flags, &raw)) return rc;
        *file = std::make_unique<Checked>(std::move(raw), this);
        return 0;
    }
    int remove(const std::string& path) override { return inner_.remove(path); }
    int rename(const std::string& a, const std::string& b) override { return inner_.rename(a, b); }
    bool exists(const std::string& path) override { return inner_.exists(path); }
    int misaligned = 0;
    int calls = 0;

private:
    struct Checked : platform::File {
        Checked(std::unique_ptr<platform::File> f, BlockCheckingFileSystem* o)
            : inner(std::move(f)), owner(o) {}
        void note(std::uint64_t at, std::size_t n) {
            ++owner->calls;
            if (at % kBlock || n % kBlock) ++owner->misaligned;
        }
        int read(std::uint64_t at, void* buf, std::size_t n, std::size_t* got) override {
            note(at, n);
            int rc = inner->read(at, buf, n, got);
            if (rc == 0 && *got % kBlock) ++owner->misaligned;
            return rc;
        }
        int write(std::uint64_t at, const void* buf, std::size_t n) override {
            note(at, n);
            return inner->write(at, buf, n);
        }
        int flush() override { return inner->flush(); }
        int size(std::uint64_t* b) override { return inner->size(b); }
        int truncate(std::uint64_t b) override {
            if (b % kBlock) ++owner->misaligned;
            return inner->truncate(b);
        }
        std::unique_ptr<platform::File> inner;
        BlockCheckingFileSystem* owner;
    };
    platform::FileSystem& inner_;
};

// The native file reads and writes whole blocks only, through commits, a
// recovery of a log left in force, and a truncation; and it works the same
// through the cipher.
TEST(BlockCipher, NativeFileIoIsInWholeBlocks) {
    platform::MemFileSystem mem;
    BlockCheckingFileSystem checked(mem);
    auto fs = cipherFileSystem(checked, keyFromPassword("heslo"));
    test::Model model;
    {
        std::unique_ptr<NativeFile> f;
        ASSERT_EQ(NativeFile::open(*fs, "b.qtf", true, {}, &f), 0);
        for (std::uint32_t i = 0; i < 3000; ++i) {
            ASSERT_EQ(f->insert(test::makeKey(i, 12), test::makePayload(i, i % 300)), 0);
            if (i % 500 == 499) {
                ASSERT_EQ(f->commit(), 0);
            }
        }
        for (std::uint32_t i = 0; i < 3000; i += 3) {
            bool found = false;
            ASSERT_EQ(f->remove(test::makeKey(i, 12), &found), 0);
        }
        // Prepared but not applied: the next open rolls the log forward.
        ASSERT_EQ(f->prepare(), 0);
    }
    {
        std::unique_ptr<NativeFile> f;
        ASSERT_EQ(NativeFile::open(*fs, "b.qtf", false, {}, &f), 0);
        ASSERT_EQ(f->beginAccess(), 0);
        ASSERT_EQ(test::readAll(*f, &model), 0);
        EXPECT_EQ(model.size(), 2000u);
        f->endAccess();
        ASSERT_EQ(f->truncateToStore(), 0);
        EXPECT_EQ(f->check(), "");
    }
    EXPECT_GT(checked.calls, 20);
    EXPECT_EQ(checked.misaligned, 0);
    // Without the key the file is not a native file.
    std::unique_ptr<NativeFile> plain;
    EXPECT_EQ(NativeFile::open(mem, "b.qtf", false, {}, &plain), kErrNotNative);
}

} // namespace
} // namespace zv::storage::cipher
