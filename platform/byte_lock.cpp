#include "platform/byte_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/vfs.h>

namespace zv::platform {

namespace {

int setLock(int fd, std::uint64_t offset, std::uint64_t length, short type, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0; // required for open-file-description locks
    while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
        if (errno == EINTR) continue;
        return errno == EACCES ? EAGAIN : errno;
    }
    return 0;
}

} // namespace

int tryLockRange(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind) {
    return setLock(fd, offset, length, kind == LockKind::Shared ? F_RDLCK : F_WRLCK, false);
}

int lockRange(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind) {
    return setLock(fd, offset, length, kind == LockKind::Shared ? F_RDLCK : F_WRLCK, true);
}

int unlockRange(int fd, std::uint64_t offset, std::uint64_t length) {
    return setLock(fd, offset, length, F_UNLCK, false);
}

bool rangeLockedByOther(int fd, std::uint64_t offset, std::uint64_t length, LockKind kind) {
    struct flock fl {};
    fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

bool onNetworkFileSystem(int fd) {
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0) return true; // unknown: take the safe way
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE (sshfs and the like)
    case 0x564C:     // NCP
    case 0x73757245: // Coda
    case 0x6B414653: // AFS
    case 0x01161970: // GFS2
    case 0x7461636F: // OCFS2
    case 0x00C36400: // Ceph
        return true;
    default:
        return false;
    }
}

} // namespace zv::platform
