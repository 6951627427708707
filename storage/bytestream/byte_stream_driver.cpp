#include "byte_stream_driver.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::storage {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// 300 + the system error number, as the record access services report it.
int systemError(int e) {
    switch (e) {
    case ENOENT:
        return 2;
    case ENOTDIR:
        return 3;
    case EACCES:
    case EPERM:
    case EROFS:
        return 5;
    case EMFILE:
    case ENFILE:
        return 4;
    default:
        return 90;
    }
}

struct StreamState : DriverTableState {
    int fd = -1;
    std::size_t length = 0; // record length
    std::uint32_t next = 1; // record read by the next Next
    bool readOnly = false;
    std::vector<std::uint8_t> buffer; // read-ahead
    off_t bufferStart = 0;            // file offset of buffer[0]

    ~StreamState() override {
        if (fd >= 0) ::close(fd);
    }

    std::uint32_t records() const {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || length == 0) return 0;
        return static_cast<std::uint32_t>(static_cast<std::size_t>(st.st_size) / length);
    }

    // Reads record n into out; false past the end.
    bool read(std::uint32_t n, std::uint8_t* out, int& error) {
        const off_t at = static_cast<off_t>(n - 1) * static_cast<off_t>(length);
        if (at < bufferStart ||
            at + static_cast<off_t>(length) > bufferStart + static_cast<off_t>(buffer.size())) {
            buffer.resize(std::max(kBufferSize, length));
            const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), at);
            if (got < 0) {
                error = systemError(errno);
                buffer.clear();
                return false;
            }
            buffer.resize(static_cast<std::size_t>(got));
            bufferStart = at;
            if (buffer.size() < length) return false;
        }
        std::memcpy(out, buffer.data() + (at - bufferStart), length);
        return true;
    }
};

} // namespace

bool ByteStreamDriver::supports(DriverOp op) const {
    switch (op) {
    case DriverOp::Open:
    case DriverOp::OpenShared:
    case DriverOp::Create:
    case DriverOp::Close:
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
    case DriverOp::Change:
    case DriverOp::Next:
    case DriverOp::Previous:
    case DriverOp::TestNext:
    case DriverOp::SetRecordStart:
    case DriverOp::SetRecordNumber:
    case DriverOp::Records:
    case DriverOp::Command:
    case DriverOp::Flush:
    case DriverOp::Empty:
    case DriverOp::SetFlags:
    case DriverOp::SetFlagsSecond:
        return true;
    default:
        return false;
    }
}

int ByteStreamDriver::dispatch(DriverOp op, ControlBlock& cb) {
    auto done = [&cb](int code) { return cb.error = code; };
    if (op == DriverOp::Command) {
        if (cb.text == "REGISTER") cb.answerText = name();
        return done(0);
    }
    if (op == DriverOp::Open || op == DriverOp::OpenShared || op == DriverOp::Create) {
        if (cb.physicalName.empty()) return done(45);
        if (!cb.decl || cb.decl->recordLength == 0 || !cb.record) return done(47);
        auto st = std::make_unique<StreamState>();
        st->length = cb.decl->recordLength;
        st->readOnly = op != DriverOp::Create && (cb.accessMode & kAccessMask) == kAccessRead;
        const std::string path = paths::native(cb.physicalName);
        const int flags = op == DriverOp::Create ? (O_RDWR | O_CREAT | O_TRUNC)
                          : st->readOnly         ? O_RDONLY
                                                 : O_RDWR;
        st->fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (st->fd < 0) return done(systemError(errno));
        cb.driverState = std::move(st);
        cb.currentRecord = 0;
        return done(0);
    }
    auto* st = dynamic_cast<StreamState*>(cb.driverState.get());
    if (!st) return done(37);
    int error = 0;
    switch (op) {
    case DriverOp::Close:
        cb.driverState.reset();
        return done(0);
    case DriverOp::Records:
        cb.answer = st->records();
        return done(0);
    case DriverOp::SetRecordStart:
        st->next = 1;
        return done(0);
    case DriverOp::SetRecordNumber:
        st->next = cb.recordNumber == 0 ? 1 : cb.recordNumber;
        return done(0);
    case DriverOp::TestNext: {
        cb.answer = st->next <= st->records() ? 1 : 0;
        return done(0);
    }
    case DriverOp::Next:
    case DriverOp::Previous: {
        std::uint32_t n = st->next;
        if (op == DriverOp::Previous) {
            n = cb.currentRecord > 1 ? cb.currentRecord - 1 : 0;
            if (n == 0) return done(33);
        }
        if (!st->read(n, cb.record->data(), error)) return done(error ? error : 33);
        cb.currentRecord = n;
        st->next = n + 1;
        return done(0);
    }
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
    case DriverOp::Change: {
        if (st->readOnly) return done(5);
        std::uint32_t n = op == DriverOp::Change ? cb.currentRecord : st->records() + 1;
        if (n == 0) return done(33);
        const off_t at = static_cast<off_t>(n - 1) * static_cast<off_t>(st->length);
        if (::pwrite(st->fd, cb.record->data(), st->length, at) != static_cast<ssize_t>(st->length))
            return done(systemError(errno));
        st->buffer.clear();
        cb.currentRecord = n;
        return done(0);
    }
    case DriverOp::Empty:
        if (st->readOnly) return done(5);
        if (::ftruncate(st->fd, 0) != 0) return done(systemError(errno));
        st->buffer.clear();
        return done(0);
    case DriverOp::Flush:
        if (!st->readOnly && ::fsync(st->fd) != 0) return done(systemError(errno));
        return done(0);
    default:
        return done(0);
    }
}

} // namespace zv::storage
