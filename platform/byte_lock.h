// Byte-range locks on an open file, owned by the open file description (Linux
// F_OFD_SETLK / F_OFD_SETLKW): they belong to the handle as on Windows, closing
// one handle never drops another handle's locks, and two handles of one process
// exclude each other like two processes do. Offsets may lie beyond the end of
// the file. Errors are errno values; EAGAIN means another handle holds the range.
#pragma once

#include <cstdint>

namespace zv::platform {

enum class LockKind { Shared, Exclusive };

// Tries once to lock [offset, offset + length).
[[nodiscard]] int tryLockRange(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind);
// Waits until the range can be locked.
[[nodiscard]] int lockRange(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind);
[[nodiscard]] int unlockRange(int fd, std::uint64_t offset, std::uint64_t length);
// True when another handle holds a lock that would conflict with `kind` on the range.
bool rangeLockedByOther(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind);

// True when the file lies on a network (or user-space) file system, whose
// clients may serve cached file data until they take a lock: there, only what
// is read under a lock is known to be current.
bool onNetworkFileSystem(int fd);

} // namespace zv::platform
