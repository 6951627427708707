// A file read and written at explicit offsets. Owns its handle; not copyable.
// Every call reports failure by its result; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zv::dbase {

class BinaryFile {
public:
    enum class Mode { Read, ReadWrite, Create }; // Create truncates or makes the file

    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    // Opens the file; on failure returns false and lastErrno() tells why.
    [[nodiscard]] bool open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Reads exactly n bytes at offset; false on a short read or an error.
    [[nodiscard]] bool readAt(std::uint64_t offset, void* data, std::size_t n);
    // Reads up to n bytes at offset; the count read, or -1 on an error.
    [[nodiscard]] long long readSome(std::uint64_t offset, void* data, std::size_t n);
    [[nodiscard]] bool writeAt(std::uint64_t offset, const void* data, std::size_t n);
    [[nodiscard]] bool truncate(std::uint64_t size);
    [[nodiscard]] bool sync();
    // Size in bytes, or -1 on an error.
    long long size() const;
    int lastErrno() const { return errno_; }

private:
    int fd_ = -1;   // POSIX handle, -1 when closed
    int errno_ = 0; // errno of the last failed call
};

} // namespace zv::dbase
