// File I/O behind a small interface: positioned reads and writes, flush, size
// and truncation. The storage engine does all its file access through a
// FileSystem, so tests swap in MemFileSystem, which keeps files in memory and
// can fail the n-th write or flush, tear a write, or cut the power (drop
// everything written since the last flush).
//
// Errors are system error numbers (errno values); 0 is success. A File is used
// from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::platform {

class File {
public:
    virtual ~File() = default;
    // Reads up to `n` bytes at `offset`; `*got` receives the bytes read (fewer
    // only at the end of the file).
    [[nodiscard]] virtual int read(std::uint64_t offset, void* buf, std::size_t n,
                                   std::size_t* got) = 0;
    // Writes all `n` bytes at `offset`, growing the file as needed.
    [[nodiscard]] virtual int write(std::uint64_t offset, const void* buf, std::size_t n) = 0;
    // Makes everything written so far durable.
    [[nodiscard]] virtual int flush() = 0;
    [[nodiscard]] virtual int size(std::uint64_t* bytes) = 0;
    [[nodiscard]] virtual int truncate(std::uint64_t bytes) = 0;
    // The descriptor for byte-range locks, or -1 when the file has none.
    virtual int descriptor() const { return -1; }
};

enum class OpenFlags : unsigned {
    Read = 0x1,      // read-only
    ReadWrite = 0x2, // read and write
    Create = 0x4,    // create when absent
};
constexpr unsigned operator|(OpenFlags a, OpenFlags b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens `path` with OpenFlags bits; ENOENT when absent and not created.
    [[nodiscard]] virtual int open(const std::string& path, unsigned flags,
                                   std::unique_ptr<File>* file) = 0;
    [[nodiscard]] virtual int remove(const std::string& path) = 0;
    [[nodiscard]] virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual bool exists(const std::string& path) = 0;
};

// The operating system's files.
FileSystem& posixFileSystem();

// A new empty file of the operating system's that has no name and goes when
// closed (bytes kept aside for a while, never made durable).
[[nodiscard]] int openScratchFile(std::unique_ptr<File>* file);

// Test hook: called before every write (false) and flush (true) of the
// operating system's files. Crash tests end the process there.
extern void (*testHookBeforeWrite)(bool flush);

// Files in memory with fault injection, for tests. Every file keeps its current
// bytes and its durable bytes (as of the last flush). Counters run over all
// files of the file system.
class MemFileSystem : public FileSystem {
public:
    struct Faults {
        int failWriteAt = 0;     // the n-th write (1-based) fails with EIO; 0: never
        int failFlushAt = 0;     // the n-th flush fails with EIO; 0: never
        int powerCutAtWrite = 0; // at the n-th write the power goes (see tearBytes)
        // With a power cut: 0 drops the cut write and everything since the last
        // flush; otherwise the unflushed writes reach the disk and the cut write
        // only for its first `tearBytes` bytes (torn at that point).
        std::size_t tearBytes = 0;
        // With a power cut and tearBytes > 0: nonzero lets each write since the
        // last flush of its file reach the disk or not, at random from this seed,
        // as a disk cache that reorders writes would.
        unsigned reorderSeed = 0;
    };

    int open(const std::string& path, unsigned flags, std::unique_ptr<File>* file) override;
    int remove(const std::string& path) override;
    int rename(const std::string& from, const std::string& to) override;
    bool exists(const std::string& path) override;

    void setFaults(const Faults& f) {
        faults_ = f;
        writes_ = flushes_ = 0;
    }
    int writes() const { return writes_; }   // writes since setFaults
    int flushes() const { return flushes_; } // flushes since setFaults
    bool powerCut() const { return dead_; }
    // Turns the power back on: files hold their durable bytes, faults are off.
    void restore();
    // Cuts the power now: every file falls back to its durable bytes.
    void cutPower();

    // Direct access for tests: the current bytes (an absent file is created).
    std::vector<std::uint8_t>& bytes(const std::string& path);
    // Puts a file whose bytes are all durable.
    void put(const std::string& path, const std::vector<std::uint8_t>& bytes);

private:
    struct Pending {          // a write or truncation not yet flushed
        std::uint64_t offset; // truncation: the new size
        std::vector<std::uint8_t> bytes;
        bool truncate = false;
    };
    struct Data {
        std::vector<std::uint8_t> current;
        std::vector<std::uint8_t> durable;
        std::vector<Pending> pending; // kept only with reorderSeed
    };
    // The power goes at a write: what reaches the disk (see Faults).
    void cutAtWrite();
    class MemFile;

    std::map<std::string, std::shared_ptr<Data>> files_;
    Faults faults_;
    int writes_ = 0;
    int flushes_ = 0;
    bool dead_ = false; // the power is off: every call fails with EIO
};

} // namespace zv::platform
