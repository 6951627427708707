#include "storage/block_cipher.h"

#include "storage/native_file.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

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
    Key k = keyFromPassword("tajne");
    std::uint8_t first[4];
    for (int i = 0; i < 4; ++i)
        first[i] = static_cast<std::uint8_t>(k[0] >> (8 * i));
    EXPECT_EQ(hex(first, 4), "729bc9f5");
    EXPECT_NE(keyFromPassword("tajne"), keyFromPassword("Tajne"));
}

TEST(BlockCipher, KeystreamBlocksFollowTheFileOffset) {
    Key key{};
    for (std::size_t i = 0; i < 8; ++i)
        key[i] = static_cast<std::uint32_t>(4 * i) | static_cast<std::uint32_t>(4 * i + 1) << 8 |
                 static_cast<std::uint32_t>(4 * i + 2) << 16 |
                 static_cast<std::uint32_t>(4 * i + 3) << 24;
    std::uint8_t block[kBlock];
    chachaBlock(key, 1, {0x09000000, 0x4a000000, 0}, block);
    EXPECT_EQ(hex(block, 16), "10f1e7e4d13b5915500fdd1fa32071c4");
    // Offset 5 x 64 + 3 uses block 5 from its fourth byte on.
    std::uint8_t data[16] = {};
    cryptAt(key, 5 * 64 + 3, data, 13);
    EXPECT_EQ(hex(data, 13), std::string("0be7ffa5fa90293ceda7b19d2a9741d1").substr(6));
    // Enciphering twice restores; a write across a block boundary equals two writes.
    std::string text(200, 'x'), a = text, b = text;
    cryptAt(key, 100, reinterpret_cast<std::uint8_t*>(a.data()), a.size());
    cryptAt(key, 100, reinterpret_cast<std::uint8_t*>(b.data()), 50);
    cryptAt(key, 150, reinterpret_cast<std::uint8_t*>(b.data()) + 50, 150);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, text);
    cryptAt(key, 100, reinterpret_cast<std::uint8_t*>(a.data()), a.size());
    EXPECT_EQ(a, text);
}

TEST(BlockCipher, FilesOfTheCipherFileSystemHoldNoPlainText) {
    platform::MemFileSystem mem;
    auto fs = cipherFileSystem(mem, keyFromPassword("heslo"));
    std::unique_ptr<platform::File> f;
    ASSERT_EQ(fs->open("x", platform::OpenFlags::ReadWrite | platform::OpenFlags::Create, &f), 0);
    const std::string text = "Novak Jan, Praha, Novak Jan, Praha, Novak Jan, Praha.............";
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
