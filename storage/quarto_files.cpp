#include "storage/quarto_internal.h"

#include "platform/byte_lock.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "storage/block_cipher.h"
#include "storage/coding.h"
#include "storage/definition.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/runtime_error.h"
#include "storage/table_records.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>

namespace zv::storage::quarto {

Globals& globals() {
    static Globals g;
    return g;
}

std::string upper(const std::string& s) {
    return cp1250::upper(s);
}

int mapOsError(int e, ControlBlock& cb) {
    if (e == ENOENT) return kFileNotFound;
    if (e == EACCES || e == EPERM || e == EAGAIN) return kAccessDenied;
    if (e == ENOMEM) return kNoMemory;
    if (e == kInvalidData || e == kDuplicateKey) return e;
    cb.errorText = std::strerror(e);
    return kFileSystem;
}

std::string directoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool transactionRegistered(std::uint32_t number, const std::string& controlFile,
                           const std::string& dataPath) {
    std::string path = controlFile;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty()) return false;
    if (path[0] != '/') path = directoryOf(dataPath) + "/" + path;
    std::unique_ptr<NativeFile> tcf;
    NativeFile::Options o;
    o.readOnly = true;
    o.shared = true;
    if (NativeFile::open(platform::posixFileSystem(), path, false, o, &tcf) != 0) return false;
    // Read while no station commits to the control file. The wait is bounded:
    // this process may hold the control file itself (a commit across files
    // meeting a log left by a failed write), and then it reads on without.
    int fd = tcf->file().descriptor();
    bool locked = false;
    for (int tries = 0; tries < 500 && !locked; ++tries) {
        locked = platform::tryLockRange(fd, kLockBase, kLockSlots, platform::LockKind::Shared) == 0;
        if (!locked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string payload;
    bool found = false;
    int rc = tcf->get(be32(number), &payload, &found);
    if (locked) (void)platform::unlockRange(fd, kLockBase, kLockSlots);
    return rc == 0 && found;
}

} // namespace zv::storage::quarto

namespace zv::storage {

int holdAgainstCommits(NativeFile& file) {
    return platform::lockRange(file.file().descriptor(), quarto::kLockBase, quarto::kLockSlots,
                               platform::LockKind::Shared);
}

} // namespace zv::storage

namespace zv::storage::quarto {

// ---------------------------------------------------------------------------
// Call protocol

void dropChanges(PhysicalFile& pf) {
    pf.file->discardChanges();
    ++pf.writes;
}

int releaseCallLock(PhysicalFile& pf) {
    int rc = 0;
    if (pf.lock == PhysicalFile::Lock::Exclusive)
        rc = platform::unlockRange(pf.fd(), kLockBase, kLockSlots);
    else if (pf.lock == PhysicalFile::Lock::Shared)
        rc = platform::unlockRange(pf.fd(), kLockBase + pf.slot, 1);
    pf.lock = PhysicalFile::Lock::None;
    pf.holdsElsewhereKnown = false;
    if (rc) internalError(__LINE__); // a lock release that fails
    return rc;
}

int endState(PhysicalFile& pf) {
    int rc = 0;
    if (pf.file->hasChanges()) {
        rc = pf.file->commit();
        if (rc) dropChanges(pf);
    }
    releaseCallLock(pf);
    pf.file->endAccess();
    return rc;
}

int beginCall(Table& t, bool writing) {
    PhysicalFile& pf = *t.pf;
    if (!pf.inTransaction) {
        if ((writing && pf.lock == PhysicalFile::Lock::Shared) ||
            (!writing && pf.lock == PhysicalFile::Lock::Exclusive))
            if (int rc = endState(pf)) return rc;
    }
    if (pf.shared && pf.lock == PhysicalFile::Lock::None) {
        if (writing) {
            if (int rc = platform::lockRange(pf.fd(), kLockBase, kLockSlots,
                                             platform::LockKind::Exclusive))
                return rc;
            pf.lock = PhysicalFile::Lock::Exclusive;
        } else {
            if (int rc = platform::lockRange(pf.fd(), kLockBase + pf.slot, 1,
                                             platform::LockKind::Shared))
                return rc;
            pf.lock = PhysicalFile::Lock::Shared;
        }
    }
    pf.file->setExclusive(pf.lock == PhysicalFile::Lock::Exclusive);
    int rc = pf.file->beginAccess();
    if (rc == kErrLogInForce && pf.lock == PhysicalFile::Lock::Shared) {
        // Another station's commit was interrupted: it is rolled forward with
        // every other station kept out, then this call goes on under that lock.
        releaseCallLock(pf);
        rc = platform::lockRange(pf.fd(), kLockBase, kLockSlots, platform::LockKind::Exclusive);
        if (rc) return rc;
        pf.lock = PhysicalFile::Lock::Exclusive;
        pf.file->setExclusive(true);
        rc = pf.file->beginAccess();
    }
    return rc == kErrLogInForce ? kErrNotNative : rc;
}

bool beginCachedCall(Table& t) {
    PhysicalFile& pf = *t.pf;
    if (!pf.shared || !pf.cachedReads || pf.inTransaction || pf.lock != PhysicalFile::Lock::None ||
        t.holdRequested)
        return false;
    return pf.file->beginCachedRead();
}

int endCall(Table& t, std::uint32_t runFlags, int rc) {
    PhysicalFile& pf = *t.pf;
    if (rc == kInvalidData) dropChanges(pf);
    if (pf.inTransaction || (runFlags & (kRunTransaction | kRunBatch))) {
        // While this process holds the exclusive lock nobody else commits, so
        // the header read at the start of the transaction stays current.
        if (pf.lock != PhysicalFile::Lock::Exclusive)
            pf.file->endAccess();
        else
            pf.file->betweenOperations();
        return rc;
    }
    int c = endState(pf);
    return rc ? rc : c;
}

// ---------------------------------------------------------------------------
// Physical files and tables

// Closed, a file names no log: the window of this process's last commits ends
// with every other process kept out (they may have committed since).
static void endLogWindow(PhysicalFile& pf) {
    if (!pf.file->hasLogWindow()) return;
    const bool lock = pf.shared && pf.lock != PhysicalFile::Lock::Exclusive;
    if (lock &&
        platform::lockRange(pf.fd(), kLockBase, kLockSlots, platform::LockKind::Exclusive) != 0)
        return;
    pf.file->setExclusive(true);
    pf.file->endAccess();
    if (pf.file->beginAccess() == 0) (void)pf.file->endLogWindow();
    pf.file->endAccess();
    if (lock) (void)platform::unlockRange(pf.fd(), kLockBase, kLockSlots);
}

void closePhysical(PhysicalFile* pf) {
    if (--pf->refs > 0) return;
    endLogWindow(*pf);
    auto& g = globals();
    g.transaction.erase(std::remove(g.transaction.begin(), g.transaction.end(), pf),
                        g.transaction.end());
    g.files.erase(pf->name);
}

// Sharing modes between handles, as share bytes far above every other lock:
// each handle holds a shared lock on the byte of each access it has and of each
// access it denies; a new handle is refused when its access is denied by a
// holder, or when it would deny an access a holder has.
constexpr std::uint64_t kShareBase = 0x200000000ull;
enum : std::uint64_t { kHasRead = 0, kHasWrite = 1, kDeniesRead = 2, kDeniesWrite = 3 };

int claimSharing(int fd, std::uint16_t mode) {
    unsigned access = mode & kAccessMask;
    unsigned share = mode & kShareMask;
    bool reads = access != kAccessWrite;
    bool writes = access != kAccessRead;
    bool denyRead = share == kShareDenyAll || share == kShareDenyRead;
    bool denyWrite = share == kShareDenyAll || share == kShareDenyWrite;
    auto held = [fd](std::uint64_t b) {
        return platform::rangeLockedByOther(fd, kShareBase + b, 1, platform::LockKind::Exclusive);
    };
    if ((reads && held(kDeniesRead)) || (writes && held(kDeniesWrite)) ||
        (denyRead && held(kHasRead)) || (denyWrite && held(kHasWrite)))
        return EACCES;
    const std::pair<bool, std::uint64_t> bytes[] = {
        {reads, kHasRead}, {writes, kHasWrite}, {denyRead, kDeniesRead}, {denyWrite, kDeniesWrite}};
    for (const auto& [take, b] : bytes)
        if (take)
            if (int rc = platform::tryLockRange(fd, kShareBase + b, 1, platform::LockKind::Shared))
                return rc == EAGAIN ? EACCES : rc;
    return 0;
}

int openPhysical(const std::string& fileName, std::uint16_t mode, bool create, ControlBlock& cb,
                 PhysicalFile** out) {
    auto& g = globals();
    auto it = g.files.find(fileName);
    if (it != g.files.end()) {
        // The file is open already: only with its own password.
        if (it->second->password != cb.ownerPassword) return kInvalidData;
        it->second->refs++;
        *out = it->second.get();
        return 0;
    }
    NativeFile::Options o;
    o.readOnly = (mode & kAccessMask) == kAccessRead && !create;
    unsigned sharing = mode & 0x30;
    o.shared = sharing == 0;
    o.lockOnApply = (mode & kShareMask) == kShareDenyWrite;
    o.transactionCheck = transactionRegistered;
    auto pf = std::make_unique<PhysicalFile>();
    pf->name = fileName;
    pf->shared = o.shared;
    pf->password = cb.ownerPassword;
    std::unique_ptr<platform::FileSystem> enciphered;
    if (!cb.ownerPassword.empty())
        enciphered = cipher::cipherFileSystem(platform::posixFileSystem(),
                                              cipher::keyFromPassword(cb.ownerPassword));
    int rc = NativeFile::open(enciphered ? *enciphered : platform::posixFileSystem(), fileName,
                              create, o, &pf->file);
    if (rc) return mapOsError(rc, cb);
    PhysicalFile* raw = pf.get();
    if (int share = claimSharing(
            raw->fd(), create ? static_cast<std::uint16_t>(mode | kAccessReadWrite) : mode))
        return mapOsError(share, cb);
    if (o.lockOnApply)
        raw->file->setApplyLock([raw](bool take) {
            return take ? platform::lockRange(raw->fd(), kLockBase, kLockSlots,
                                              platform::LockKind::Exclusive)
                        : platform::unlockRange(raw->fd(), kLockBase, kLockSlots);
        });
    // On a network file system only the call lock makes its client reread
    // the file: every read takes it there.
    raw->cachedReads = !platform::onNetworkFileSystem(raw->fd());
    // Spread readers of one file over the shared-lock slots.
    raw->slot = static_cast<std::uint64_t>(::getpid()) % kLockSlots;
    raw->refs = 1;
    g.files[fileName] = std::move(pf);
    *out = raw;
    return 0;
}

int groupDepth(const TableDecl& d) {
    // A group holds the fields declared after it that lie within its bytes; the
    // record itself is the outermost group and is not counted.
    struct Open {
        std::uint32_t from, to;
    };
    std::vector<Open> open;
    int deepest = 0;
    for (const auto& f : d.fields) {
        std::uint32_t from = f.offset, to = std::uint32_t{f.offset} + f.size;
        while (!open.empty() &&
               !(from >= open.back().from && to <= open.back().to && from < open.back().to))
            open.pop_back();
        if (f.type == FieldType::Group) {
            open.push_back({from, to});
            deepest = std::max(deepest, static_cast<int>(open.size()));
        }
    }
    return deepest;
}

int checkLimits(const TableDecl& d) {
    if (d.recordLength > 15000 || d.keys.size() > 240 || d.memos.size() >= 256)
        return kBadDeclaration;
    if (groupDepth(d) > kMaxGroupDepth) return kBadTypeDescriptor;
    for (const auto& f : d.fields) {
        switch (f.type) {
        case FieldType::Byte:
        case FieldType::Short:
        case FieldType::UShort:
        case FieldType::Long:
        case FieldType::ULong:
        case FieldType::SReal:
        case FieldType::Real:
        case FieldType::Decimal:
        case FieldType::PDecimal:
        case FieldType::String:
        case FieldType::CString:
        case FieldType::PString:
        case FieldType::Group:
            break;
        default:
            if (!f.overlay) return kBadType;
        }
        if (f.offset + f.size > d.recordLength) return kBadDeclaration;
    }
    for (const auto& k : d.keys)
        for (const auto& c : k.components)
            if (c.field >= d.fields.size()) return kBadDeclaration;
    return 0;
}

} // namespace zv::storage::quarto
