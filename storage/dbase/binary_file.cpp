#include "storage/dbase/binary_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zv::dbase {

BinaryFile::~BinaryFile() {
    close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), errno_(other.errno_) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        errno_ = other.errno_;
    }
    return *this;
}

bool BinaryFile::open(const std::string& path, Mode mode) {
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::ReadWrite:
        flags |= O_RDWR;
        break;
    case Mode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) {
        errno_ = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        errno_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close();
        return false;
    }
    return true;
}

void BinaryFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

long long BinaryFile::readSome(std::uint64_t offset, void* data, std::size_t n) {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            errno_ = errno;
            return -1;
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(done);
}

bool BinaryFile::readAt(std::uint64_t offset, void* data, std::size_t n) {
    return readSome(offset, data, n) == static_cast<long long>(n);
}

bool BinaryFile::writeAt(std::uint64_t offset, const void* data, std::size_t n) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            errno_ = errno;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

bool BinaryFile::truncate(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) == 0) return true;
    errno_ = errno;
    return false;
}

bool BinaryFile::sync() {
    if (::fsync(fd_) == 0) return true;
    errno_ = errno;
    return false;
}

long long BinaryFile::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

} // namespace zv::dbase
