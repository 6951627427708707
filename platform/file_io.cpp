#include "platform/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::platform {

void (*testHookBeforeWrite)(bool flush) = nullptr;

namespace {

class PosixFile : public File {
public:
    // `hooked`: the test hook sees its writes and flushes.
    explicit PosixFile(int fd, bool hooked = true) : fd_(fd), hooked_(hooked) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    int read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override {
        *got = 0;
        auto* p = static_cast<char*>(buf);
        while (*got < n) {
            ssize_t r = ::pread(fd_, p + *got, n - *got, static_cast<off_t>(offset + *got));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (r == 0) break;
            *got += static_cast<std::size_t>(r);
        }
        return 0;
    }
    int write(std::uint64_t offset, const void* buf, std::size_t n) override {
        if (hooked_ && testHookBeforeWrite) testHookBeforeWrite(false);
        const auto* p = static_cast<const char*>(buf);
        std::size_t done = 0;
        while (done < n) {
            ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (r == 0) return EIO;
            done += static_cast<std::size_t>(r);
        }
        return 0;
    }
    int flush() override {
        if (hooked_ && testHookBeforeWrite) testHookBeforeWrite(true);
        return ::fdatasync(fd_) == 0 ? 0 : errno;
    }
    int size(std::uint64_t* bytes) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return errno;
        *bytes = static_cast<std::uint64_t>(st.st_size);
        return 0;
    }
    int truncate(std::uint64_t bytes) override {
        return ::ftruncate(fd_, static_cast<off_t>(bytes)) == 0 ? 0 : errno;
    }
    int descriptor() const override { return fd_; }

private:
    int fd_; // owned
    bool hooked_;
};

class PosixFileSystem : public FileSystem {
public:
    int open(const std::string& path, unsigned flags, std::unique_ptr<File>* file) override {
        int mode = (flags & static_cast<unsigned>(OpenFlags::ReadWrite)) ? O_RDWR : O_RDONLY;
        if (flags & static_cast<unsigned>(OpenFlags::Create)) mode |= O_CREAT;
        int fd = ::open(path.c_str(), mode | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        *file = std::make_unique<PosixFile>(fd);
        return 0;
    }
    int remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    bool exists(const std::string& path) override { return ::access(path.c_str(), F_OK) == 0; }
};

} // namespace

FileSystem& posixFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

int openScratchFile(std::unique_ptr<File>* file) {
    const char* dir = std::getenv("TMPDIR");
    std::string place = dir && *dir ? dir : "/tmp";
    int fd = ::open(place.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without nameless files: a named one, gone at once.
        std::string name = place + "/zevlon-scratch-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return errno;
        ::unlink(name.c_str());
    }
    *file = std::make_unique<PosixFile>(fd, false);
    return 0;
}

class MemFileSystem::MemFile : public File {
public:
    MemFile(MemFileSystem* fs, std::shared_ptr<Data> data, bool writable)
        : fs_(fs), data_(std::move(data)), writable_(writable) {}

    int read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override {
        *got = 0;
        if (fs_->dead_) return EIO;
        const auto& d = data_->current;
        if (offset >= d.size()) return 0;
        *got = std::min<std::size_t>(n, d.size() - offset);
        std::memcpy(buf, d.data() + offset, *got);
        return 0;
    }
    int write(std::uint64_t offset, const void* buf, std::size_t n) override {
        if (fs_->dead_) return EIO;
        if (!writable_) return EBADF;
        int index = ++fs_->writes_;
        const Faults& f = fs_->faults_;
        if (f.failWriteAt == index) return EIO;
        std::size_t keep = n;
        bool cut = f.powerCutAtWrite == index;
        if (cut) {
            if (f.tearBytes == 0) {
                fs_->cutPower();
                return EIO;
            }
            keep = std::min(n, f.tearBytes);
        }
        auto& d = data_->current;
        if (d.size() < offset + keep) d.resize(offset + keep);
        std::memcpy(d.data() + offset, buf, keep);
        if (f.reorderSeed) {
            const auto* p = static_cast<const std::uint8_t*>(buf);
            data_->pending.push_back({offset, std::vector<std::uint8_t>(p, p + keep)});
        }
        if (cut) {
            fs_->cutAtWrite();
            return EIO;
        }
        return 0;
    }
    int flush() override {
        if (fs_->dead_) return EIO;
        int index = ++fs_->flushes_;
        if (fs_->faults_.failFlushAt == index) return EIO;
        data_->durable = data_->current;
        data_->pending.clear();
        return 0;
    }
    int size(std::uint64_t* bytes) override {
        if (fs_->dead_) return EIO;
        *bytes = data_->current.size();
        return 0;
    }
    int truncate(std::uint64_t bytes) override {
        if (fs_->dead_) return EIO;
        if (!writable_) return EBADF;
        data_->current.resize(bytes);
        if (fs_->faults_.reorderSeed) data_->pending.push_back({bytes, {}, true});
        return 0;
    }

private:
    MemFileSystem* fs_;
    std::shared_ptr<Data> data_;
    bool writable_;
};

int MemFileSystem::open(const std::string& path, unsigned flags, std::unique_ptr<File>* file) {
    if (dead_) return EIO;
    auto it = files_.find(path);
    if (it == files_.end()) {
        if (!(flags & static_cast<unsigned>(OpenFlags::Create))) return ENOENT;
        it = files_.emplace(path, std::make_shared<Data>()).first;
    }
    bool writable = flags & static_cast<unsigned>(OpenFlags::ReadWrite);
    *file = std::make_unique<MemFile>(this, it->second, writable);
    return 0;
}

int MemFileSystem::remove(const std::string& path) {
    if (dead_) return EIO;
    return files_.erase(path) ? 0 : ENOENT;
}

int MemFileSystem::rename(const std::string& from, const std::string& to) {
    if (dead_) return EIO;
    auto it = files_.find(from);
    if (it == files_.end()) return ENOENT;
    auto data = it->second;
    files_.erase(it);
    files_[to] = data;
    return 0;
}

bool MemFileSystem::exists(const std::string& path) {
    return files_.count(path) != 0;
}

std::vector<std::uint8_t>& MemFileSystem::bytes(const std::string& path) {
    auto& data = files_[path];
    if (!data) data = std::make_shared<Data>();
    return data->current;
}

void MemFileSystem::put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    auto data = std::make_shared<Data>();
    data->current = data->durable = bytes;
    files_[path] = data;
}

void MemFileSystem::cutAtWrite() {
    // The unflushed writes and the torn part reach the disk, or with a
    // reordering cache each of them may or may not.
    std::minstd_rand coin(faults_.reorderSeed);
    for (auto& [name, file] : files_) {
        if (!faults_.reorderSeed) {
            file->durable = file->current;
            continue;
        }
        for (const Pending& p : file->pending) {
            if (coin() % 2) continue;
            auto& d = file->durable;
            if (p.truncate) {
                d.resize(p.offset);
                continue;
            }
            if (d.size() < p.offset + p.bytes.size()) d.resize(p.offset + p.bytes.size());
            std::copy(p.bytes.begin(), p.bytes.end(),
                      d.begin() + static_cast<std::ptrdiff_t>(p.offset));
        }
        file->pending.clear();
        file->current = file->durable;
    }
    dead_ = true;
}

void MemFileSystem::cutPower() {
    for (auto& [name, file] : files_) {
        file->current = file->durable;
        file->pending.clear();
    }
    dead_ = true;
}

void MemFileSystem::restore() {
    for (auto& [name, file] : files_) {
        file->current = file->durable;
        file->pending.clear();
    }
    dead_ = false;
    faults_ = Faults{};
    writes_ = flushes_ = 0;
}

} // namespace zv::platform
