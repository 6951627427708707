#include "platform/file_io.h"

#include "platform/byte_lock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zv::platform {
namespace {

std::vector<std::uint8_t> block(std::uint8_t v) {
    return std::vector<std::uint8_t>(4, v);
}

// Three writes of 4 bytes at 0, 4 and 8; the first is flushed, the power goes
// at the third with the given faults. The durable bytes afterwards.
std::vector<std::uint8_t> cutAtThirdWrite(const MemFileSystem::Faults& faults) {
    MemFileSystem fs;
    std::unique_ptr<File> f;
    EXPECT_EQ(fs.open("a", OpenFlags::ReadWrite | OpenFlags::Create, &f), 0);
    fs.setFaults(faults);
    EXPECT_EQ(f->write(0, block(1).data(), 4), 0);
    EXPECT_EQ(f->flush(), 0);
    EXPECT_EQ(f->write(4, block(2).data(), 4), 0);
    EXPECT_EQ(f->write(8, block(3).data(), 4), EIO);
    EXPECT_TRUE(fs.powerCut());
    EXPECT_EQ(f->write(12, block(4).data(), 4), EIO); // the power stays off
    fs.restore();
    return fs.bytes("a");
}

TEST(MemFileSystemTest, PowerCutKeepsFlushedWritesAndTheUnflushedOnesAsTold) {
    MemFileSystem::Faults faults;
    faults.powerCutAtWrite = 3;
    // Nothing since the flush reaches the disk.
    EXPECT_EQ(cutAtThirdWrite(faults), block(1));
    // Everything since the flush reaches it, the cut write torn after 2 bytes.
    faults.tearBytes = 2;
    std::vector<std::uint8_t> torn = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3};
    EXPECT_EQ(cutAtThirdWrite(faults), torn);
    // A reordering cache: any subset of the unflushed writes, the flushed one always.
    bool secondKept = false, secondLost = false, thirdKept = false, thirdLost = false;
    for (unsigned seed = 1; seed <= 64; ++seed) {
        faults.tearBytes = 4;
        faults.reorderSeed = seed;
        std::vector<std::uint8_t> b = cutAtThirdWrite(faults);
        ASSERT_GE(b.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 4), block(1));
        bool second = b.size() >= 8 && b[4] == 2;
        bool third = b.size() == 12 && b[8] == 3;
        EXPECT_TRUE(b.size() == 4 || b.size() == 8 || b.size() == 12);
        secondKept |= second;
        secondLost |= !second;
        thirdKept |= third;
        thirdLost |= !third;
    }
    EXPECT_TRUE(secondKept && secondLost && thirdKept && thirdLost);
}

// Reads without a lock are allowed on local disks only; a file system that
// cannot be asked counts as a network one.
TEST(ByteLock, LocalFilesAreNotOnANetworkFileSystem) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(onNetworkFileSystem(fileno(f)));
    std::fclose(f);
    EXPECT_TRUE(onNetworkFileSystem(-1));
}

// A scratch file holds what was written and leaves no name behind; where the
// place for temporary files is missing, opening one fails with its error.
TEST(ScratchFileTest, ReadsBackWithoutANameAndFailsWithoutAPlace) {
    char dir[] = "/tmp/zevlon-scratch-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir, 1);
    {
        std::unique_ptr<File> f;
        ASSERT_EQ(openScratchFile(&f), 0);
        const std::string bytes(70000, 'x');
        ASSERT_EQ(f->write(123, bytes.data(), bytes.size()), 0);
        std::string back(bytes.size(), '\0');
        std::size_t got = 0;
        ASSERT_EQ(f->read(123, back.data(), back.size(), &got), 0);
        EXPECT_EQ(got, bytes.size());
        EXPECT_EQ(back, bytes);
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }
    ::setenv("TMPDIR", (std::string(dir) + "/missing").c_str(), 1);
    std::unique_ptr<File> none;
    EXPECT_NE(openScratchFile(&none), 0);
    EXPECT_FALSE(none);
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zv::platform
