#include "storage/quarto_driver.h"

#include "platform/byte_lock.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
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

namespace zv::storage {

namespace {

// Error codes of the record access services.
enum : int {
    kFileNotFound = 2,
    kAccessDenied = 5,
    kNoMemory = 8,
    kFileLocked = 32,
    kNotAvailable = 33,
    kInvalidData = 36,
    kDuplicateKey = 40,
    kRecordHeld = 43,
    kInvalidName = 45,
    kBadDeclaration = 47,
    kNoCreate = 54,
    kBadType = 79,
    kUnsupported = 80,
    kFileSystem = 90,
    kChanged = 89,
};

constexpr std::uint64_t kLockBase = 0x80000000ull;
constexpr std::uint64_t kLockSlots = 1024;

std::uint64_t byteLockOffset(std::uint32_t number) {
    std::uint8_t b[4];
    putBe32(b, number);
    return kLockBase + static_cast<std::uint32_t>(0x400u + getLe32(b));
}

struct PhysicalFile {
    std::string name;
    std::unique_ptr<NativeFile> file;
    int refs = 0;
    bool shared = false;
    enum class Lock { None, Shared, Exclusive } lock = Lock::None;
    std::uint64_t slot = 0;
    bool inTransaction = false;

    int fd() { return file->file().descriptor(); }
};

struct Globals {
    std::map<std::string, std::unique_ptr<PhysicalFile>> files;
    std::string tcf; // set by "TCF="; empty: beside the data files
    std::vector<PhysicalFile*> transaction;
};

Globals& globals() {
    static Globals g;
    return g;
}

struct Table : DriverTableState {
    PhysicalFile* pf = nullptr;
    std::string tableName;
    std::uint32_t number = 0;
    TableDecl def;
    std::uint32_t current = 0;
    // Position: the entry key reading continues from; `exclusive` moves past it.
    int posKey = -1; // key number, -1 record-number order
    std::string posEntry;
    bool posExclusive = false;
    bool holdRequested = false;
    int holdSeconds = 0;
    bool held = false;
    std::uint32_t heldRecord = 0;
    bool tableLocked = false;
    bool fullBuild = false;
    bool watchNext = false;
    bool watched = false;
    std::uint32_t watchRecord = 0;
    std::vector<std::uint8_t> watchImage;
    std::uint32_t flags = 0;
};

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

// Is transaction `number` still registered in its control file? A relative
// name is taken from the directory of the data file carrying the marker.
bool transactionRegistered(std::uint32_t number, const std::string& controlFile,
                           const std::string& dataPath) {
    std::string path = controlFile;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty()) return false;
    if (path[0] != '/') path = directoryOf(dataPath) + "/" + path;
    std::unique_ptr<NativeFile> tcf;
    NativeFile::Options o;
    o.readOnly = true;
    if (NativeFile::open(platform::posixFileSystem(), path, false, o, &tcf) != 0) return false;
    std::string payload;
    bool found = false;
    if (tcf->get(be32(number), &payload, &found) != 0) return false;
    return found;
}

// ---------------------------------------------------------------------------
// Call protocol

int releaseCallLock(PhysicalFile& pf) {
    int rc = 0;
    if (pf.lock == PhysicalFile::Lock::Exclusive)
        rc = platform::unlockRange(pf.fd(), kLockBase, kLockSlots);
    else if (pf.lock == PhysicalFile::Lock::Shared)
        rc = platform::unlockRange(pf.fd(), kLockBase + pf.slot, 1);
    pf.lock = PhysicalFile::Lock::None;
    if (rc) internalError(__LINE__); // a lock release that fails
    return rc;
}

// Ends the reading or writing state: commits pending changes, releases the lock.
int endState(PhysicalFile& pf) {
    int rc = 0;
    if (pf.file->hasChanges()) {
        rc = pf.file->commit();
        if (rc) pf.file->discardChanges();
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
    return pf.file->beginAccess();
}

int endCall(Table& t, std::uint32_t runFlags, int rc) {
    PhysicalFile& pf = *t.pf;
    if (rc == kInvalidData) pf.file->discardChanges();
    if (pf.inTransaction || (runFlags & (kRunTransaction | kRunBatch))) {
        pf.file->endAccess();
        return rc;
    }
    int c = endState(pf);
    return rc ? rc : c;
}

// ---------------------------------------------------------------------------
// Physical files and tables

void closePhysical(PhysicalFile* pf) {
    if (--pf->refs > 0) return;
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
    int rc = NativeFile::open(platform::posixFileSystem(), fileName, create, o, &pf->file);
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
    // Spread readers of one file over the shared-lock slots.
    raw->slot = static_cast<std::uint64_t>(::getpid()) % kLockSlots;
    raw->refs = 1;
    g.files[fileName] = std::move(pf);
    *out = raw;
    return 0;
}

int checkLimits(const TableDecl& d) {
    if (d.recordLength > 15000 || d.keys.size() > 240 || d.memos.size() >= 256)
        return kBadDeclaration;
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

// ---------------------------------------------------------------------------
// Memos

int writeMemos(Table& t, const ControlBlock& cb, std::uint32_t record) {
    NativeFile& f = *t.pf->file;
    std::string prefix = memoPrefix(t.number, record);
    if (int rc = f.removePrefix(prefix)) return rc;
    if (!cb.memos) return 0;
    for (std::size_t i = 0; i < t.def.memos.size() && i < cb.memos->size(); ++i) {
        const MemoDecl& m = t.def.memos[i];
        const auto& buf = (*cb.memos)[i];
        std::string data(buf.begin(), buf.end());
        if (m.blob) {
            std::string withLength;
            appendLe32(withLength, static_cast<std::uint32_t>(data.size()));
            data = withLength + data;
        } else {
            if (data.size() > m.maxLength) data.resize(m.maxLength);
            while (!data.empty() && data.back() == ' ')
                data.pop_back();
        }
        std::size_t first = m.blob ? 260 : 256;
        for (std::size_t at = 0, chunk = 0; at < data.size(); ++chunk) {
            std::size_t n = chunk == 0 ? first : 256;
            std::string key = prefix;
            key.push_back(static_cast<char>(i));
            key.push_back(static_cast<char>(chunk >> 8));
            key.push_back(static_cast<char>(chunk & 0xFF));
            if (int rc = f.insert(key, data.substr(at, n))) return rc;
            at += n;
        }
    }
    return 0;
}

int readMemos(Table& t, ControlBlock& cb, std::uint32_t record) {
    if (!cb.memos) return 0;
    NativeFile& f = *t.pf->file;
    cb.memos->resize(t.def.memos.size());
    for (std::size_t i = 0; i < t.def.memos.size(); ++i) {
        const MemoDecl& m = t.def.memos[i];
        std::string prefix = memoPrefix(t.number, record);
        prefix.push_back(static_cast<char>(i));
        std::string data;
        std::size_t limit = m.maxLength;
        for (std::uint32_t chunk = 0; chunk < 65536; ++chunk) {
            std::string key = prefix;
            key.push_back(static_cast<char>(chunk >> 8));
            key.push_back(static_cast<char>(chunk & 0xFF));
            std::string part;
            bool found = false;
            if (int rc = f.get(key, &part, &found)) return rc;
            if (!found) break;
            if (m.blob && chunk == 0) {
                if (part.size() < 4) return kInvalidData;
                limit = getLe32(bytes(part));
                part.erase(0, 4);
            }
            if (data.size() + part.size() > limit) {
                assertionFailed("done+len <= limit", "qtfl3");
                return kInvalidData;
            }
            data += part;
        }
        auto& buf = (*cb.memos)[i];
        buf.assign(data.begin(), data.end());
        if (!m.blob) buf.resize(m.maxLength, ' ');
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Holds and locks

int tryHold(Table& t, std::uint32_t record) {
    if (t.held && t.heldRecord == record) return 0;
    if (t.held) (void)platform::unlockRange(t.pf->fd(), byteLockOffset(t.heldRecord), 1);
    t.held = false;
    int rc = platform::tryLockRange(t.pf->fd(), byteLockOffset(record), 1,
                                    platform::LockKind::Exclusive);
    if (rc) return rc;
    t.held = true;
    t.heldRecord = record;
    return 0;
}

void releaseHold(Table& t) {
    if (!t.held) return;
    (void)platform::unlockRange(t.pf->fd(), byteLockOffset(t.heldRecord), 1);
    t.held = false;
}

// ---------------------------------------------------------------------------
// Reading

std::string rangePrefix(const Table& t) {
    if (t.posKey < 0) {
        std::string p = be32(t.number);
        p.push_back(static_cast<char>(qtf::kKindData));
        return p;
    }
    return keyPrefix(t.number, t.posKey);
}

std::string rangeEnd(const Table& t) {
    if (t.posKey < 0) {
        std::string p = be32(t.number);
        p.push_back(static_cast<char>(qtf::kKindData + 1));
        return p;
    }
    return t.posKey >= 255 ? be32(t.number + 1) : keyPrefix(t.number, t.posKey + 1);
}

// Finds the entry a read in `forward` direction would take; `record` its record.
int locate(Table& t, bool forward, PageRecord* entry, std::uint32_t* record, bool* found) {
    NativeFile& f = *t.pf->file;
    int rc = forward ? (t.posExclusive ? f.successor(t.posEntry, entry, found)
                                       : f.ceiling(t.posEntry, entry, found))
                     : (t.posExclusive ? f.predecessor(t.posEntry, entry, found)
                                       : f.floor(t.posEntry, entry, found));
    if (rc) return rc;
    std::string prefix = rangePrefix(t);
    if (*found && entry->key.compare(0, prefix.size(), prefix) != 0) *found = false;
    if (*found) *record = t.posKey < 0 ? fromBe32(entry->key, 5) : fromBe32(entry->payload);
    return 0;
}

void savePosition(const Table& t, ControlBlock& cb) {
    cb.position.clear();
    cb.position.push_back(t.posKey < 0 ? 1 : 0);
    cb.position.push_back(static_cast<std::uint8_t>(t.posKey < 0 ? 0 : t.posKey));
    cb.position.insert(cb.position.end(), t.posEntry.begin(), t.posEntry.end());
}

int readRecord(Table& t, ControlBlock& cb, const PageRecord& entry, std::uint32_t record) {
    NativeFile& f = *t.pf->file;
    if (t.holdRequested) {
        auto start = std::chrono::steady_clock::now();
        while (true) {
            int rc = tryHold(t, record);
            if (rc == 0) break;
            if (rc != EAGAIN) return mapOsError(rc, cb);
            auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count() /
                          10;
            if (t.holdSeconds >= 0 && waited >= t.holdSeconds * 100) {
                t.holdRequested = false;
                return kRecordHeld;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        t.holdRequested = false;
    }
    std::string image;
    bool found = false;
    if (int rc = f.get(dataKey(t.number, record), &image, &found)) return rc;
    if (!found || image.size() != t.def.recordLength) return kNotAvailable;
    if (cb.record) cb.record->assign(image.begin(), image.end());
    if (int rc = readMemos(t, cb, record)) return rc;
    t.posEntry = entry.key;
    t.posExclusive = true;
    t.current = record;
    cb.currentRecord = record;
    if (t.watchNext) {
        t.watchNext = false;
        t.watched = true;
        t.watchRecord = record;
        t.watchImage.assign(image.begin(), image.end());
    }
    savePosition(t, cb);
    return 0;
}

int readNext(Table& t, ControlBlock& cb, bool forward) {
    PageRecord entry;
    std::uint32_t record = 0;
    bool found = false;
    if (int rc = locate(t, forward, &entry, &record, &found)) return rc;
    if (!found) return kNotAvailable;
    return readRecord(t, cb, entry, record);
}

// ---------------------------------------------------------------------------
// Operations

Table* tableOf(ControlBlock& cb) {
    return dynamic_cast<Table*>(cb.driverState.get());
}

int doOpen(ControlBlock& cb) {
    if (cb.physicalName.empty()) return kInvalidName;
    if (!cb.decl) return kBadDeclaration;
    if (int rc = checkLimits(*cb.decl)) return rc;
    std::string fileName, tableName;
    splitPhysicalName(cb.physicalName, &fileName, &tableName);
    PhysicalFile* pf = nullptr;
    if (int rc =
            openPhysical(fileName, cb.accessMode, (cb.accessMode & kAccessCreate) != 0, cb, &pf))
        return rc;
    auto t = std::make_unique<Table>();
    t->pf = pf;
    t->tableName = tableName;
    int rc = beginCall(*t, false);
    std::string payload;
    bool found = false;
    if (!rc) rc = pf->file->get(tableNameKey(tableName), &payload, &found);
    if (!rc && !found) rc = kFileNotFound;
    if (!rc) {
        t->number = fromBe32(payload);
        rc = readDefinition(*pf->file, t->number, &t->def);
    }
    if (!rc) rc = compareDefinition(t->def, *cb.decl);
    rc = endCall(*t, cb.runFlags, rc);
    if (rc) {
        closePhysical(pf);
        return rc;
    }
    cb.driverState = std::move(t);
    return 0;
}

int doCreate(ControlBlock& cb) {
    if (cb.physicalName.empty()) return kInvalidName;
    if (!cb.decl) return kBadDeclaration;
    if (!cb.decl->createAllowed) return kNoCreate;
    if (int rc = checkLimits(*cb.decl)) return rc;
    std::string fileName, tableName;
    splitPhysicalName(cb.physicalName, &fileName, &tableName);
    PhysicalFile* pf = nullptr;
    std::uint16_t mode =
        static_cast<std::uint16_t>((cb.accessMode & ~kAccessMask) | kAccessReadWrite);
    if (int rc = openPhysical(fileName, mode, true, cb, &pf)) return rc;
    Table t;
    t.pf = pf;
    int rc = beginCall(t, true);
    NativeFile& f = *pf->file;
    std::string payload;
    bool found = false;
    if (!rc) rc = f.get(tableNameKey(tableName), &payload, &found);
    if (!rc && found) {
        bool removed = false;
        rc = f.remove(tableNameKey(tableName), &removed);
        if (!rc) rc = f.removePrefix(be32(fromBe32(payload)));
    }
    std::array<std::uint8_t, 4> number{};
    if (!rc) rc = f.nextNumber(&number);
    std::uint32_t table = getBe32(number.data());
    if (!rc) rc = f.insert(tableNameKey(tableName), be32(table));
    if (!rc) rc = writeTableRecords(f, table, *cb.decl);
    rc = endCall(t, cb.runFlags & ~static_cast<std::uint32_t>(kRunBatch), rc);
    closePhysical(pf);
    return rc;
}

int doClose(ControlBlock& cb, Table& t) {
    PhysicalFile& pf = *t.pf;
    releaseHold(t);
    if (t.tableLocked) (void)platform::unlockRange(pf.fd(), byteLockOffset(t.number), 1);
    int rc = 0;
    if (!pf.inTransaction) {
        rc = endState(pf);
        if (!rc && pf.refs == 1) {
            if (pf.shared)
                rc = platform::lockRange(pf.fd(), kLockBase, kLockSlots,
                                         platform::LockKind::Exclusive);
            if (!rc) rc = pf.file->truncateToStore();
            if (pf.shared) (void)platform::unlockRange(pf.fd(), kLockBase, kLockSlots);
        }
    }
    closePhysical(&pf);
    cb.driverState.reset();
    return rc;
}

int changeCount(NativeFile& f, std::uint32_t table, std::uint8_t which, int delta) {
    Statistics st;
    if (int rc = readStatistics(f, table, which, &st)) return rc;
    st.count += static_cast<std::uint32_t>(delta);
    return writeStatistics(f, table, which, st);
}

int doAdd(ControlBlock& cb, Table& t, bool withoutKeys) {
    if (!cb.record || cb.record->size() != t.def.recordLength) return kBadDeclaration;
    NativeFile& f = *t.pf->file;
    std::array<std::uint8_t, 4> number{};
    if (int rc = f.nextNumber(&number)) return rc;
    std::uint32_t record = getBe32(number.data());
    if (int rc = maintainKeys(f, t.def, t.number, nullptr, cb.record->data(), record, withoutKeys))
        return rc;
    if (int rc =
            f.insert(dataKey(t.number, record), std::string(cb.record->begin(), cb.record->end())))
        return rc;
    if (int rc = changeCount(f, t.number, qtf::kKindData, 1)) return rc;
    if (int rc = writeMemos(t, cb, record)) return rc;
    t.current = record;
    cb.currentRecord = record;
    return 0;
}

int doChange(ControlBlock& cb, Table& t, std::uint32_t record) {
    if (record == 0) return kNotAvailable;
    if (!cb.record || cb.record->size() != t.def.recordLength) return kBadDeclaration;
    NativeFile& f = *t.pf->file;
    if (int rc = tryHold(t, record)) return rc == EAGAIN ? kAccessDenied : mapOsError(rc, cb);
    std::string stored;
    bool found = false;
    int rc = f.get(dataKey(t.number, record), &stored, &found);
    if (!rc && !found) rc = kNotAvailable;
    if (!rc && t.watched && t.watchRecord == record &&
        !std::equal(stored.begin(), stored.end(), t.watchImage.begin(), t.watchImage.end()))
        rc = kChanged;
    std::string image(cb.record->begin(), cb.record->end());
    if (!rc && image != stored) {
        rc = maintainKeys(f, t.def, t.number, bytes(stored), cb.record->data(), record, false);
        bool replaced = false;
        if (!rc) rc = f.replace(dataKey(t.number, record), image, &replaced);
    }
    if (!rc && !cb.leaveMemos) rc = writeMemos(t, cb, record);
    releaseHold(t);
    if (rc != kChanged) t.watched = false;
    return rc;
}

int doDelete(ControlBlock& cb, Table& t) {
    std::uint32_t record = t.current;
    if (record == 0) return kNotAvailable;
    NativeFile& f = *t.pf->file;
    if (int rc = tryHold(t, record)) return rc == EAGAIN ? kNotAvailable : mapOsError(rc, cb);
    std::string stored;
    bool found = false;
    int rc = f.get(dataKey(t.number, record), &stored, &found);
    if (!rc && !found) rc = kNotAvailable;
    bool removed = false;
    if (!rc) rc = f.remove(dataKey(t.number, record), &removed);
    if (!rc) rc = maintainKeys(f, t.def, t.number, bytes(stored), nullptr, record, false);
    if (!rc) rc = changeCount(f, t.number, qtf::kKindData, -1);
    if (!rc) rc = f.removePrefix(memoPrefix(t.number, record));
    releaseHold(t);
    if (!rc) {
        t.current = 0;
        cb.currentRecord = 0;
    }
    return rc;
}

int doBuild(ControlBlock& cb, Table& t, int only) {
    NativeFile& f = *t.pf->file;
    int result = 0;
    for (std::size_t k = 0; k < t.def.keys.size(); ++k) {
        if (only >= 0 && static_cast<int>(k) != only) continue;
        const KeyDecl& key = t.def.keys[k];
        auto which = static_cast<std::uint8_t>(k);
        if (key.flags & kKeyOutside) continue; // built on demand outside the file
        Statistics st;
        if (int rc = readStatistics(f, t.number, which, &st)) return rc;
        std::uint32_t start = t.fullBuild ? 1 : st.pending;
        if (start == 0) continue;
        std::string prefix = keyPrefix(t.number, static_cast<int>(k));
        if (start == 1) {
            if (int rc = f.removePrefix(prefix)) return rc;
        } else {
            // Entries of records from `start` on are made anew.
            PageRecord e;
            bool found = false;
            std::string at = prefix;
            if (int rc = f.ceiling(at, &e, &found)) return rc;
            while (found && e.key.compare(0, prefix.size(), prefix) == 0) {
                std::string next = e.key;
                if (fromBe32(e.payload) >= start) {
                    bool removed = false;
                    if (int rc = f.remove(e.key, &removed)) return rc;
                }
                if (int rc = f.successor(next, &e, &found)) return rc;
            }
        }
        PageRecord d;
        bool found = false;
        if (int rc = f.ceiling(dataKey(t.number, start), &d, &found)) return rc;
        std::string dataPrefix = dataKey(t.number, 0).substr(0, 5);
        while (found && d.key.compare(0, 5, dataPrefix) == 0) {
            std::uint32_t record = fromBe32(d.key, 5);
            std::string entry;
            if (d.payload.size() == t.def.recordLength &&
                buildEntry(t.def, static_cast<int>(k), t.number, bytes(d.payload), record,
                           &entry)) {
                int rc = f.insert(entry, be32(record));
                if (rc == kErrDuplicate)
                    result = kDuplicateKey;
                else if (rc)
                    return rc;
            }
            std::string next = d.key;
            if (int rc = f.successor(next, &d, &found)) return rc;
        }
        // Count the key's entries.
        std::uint32_t count = 0;
        PageRecord e;
        if (int rc = f.ceiling(prefix, &e, &found)) return rc;
        while (found && e.key.compare(0, prefix.size(), prefix) == 0) {
            ++count;
            std::string next = e.key;
            if (int rc = f.successor(next, &e, &found)) return rc;
        }
        st.count = count;
        st.pending = 0;
        if (int rc = writeStatistics(f, t.number, which, st)) return rc;
    }
    t.fullBuild = false;
    (void)cb;
    return result;
}

// Copies the whole file (no table names on either side).
int copyWholeFile(const std::string& from, const std::string& to) {
    auto& fs = platform::posixFileSystem();
    std::unique_ptr<platform::File> in, out;
    if (int rc = fs.open(from, static_cast<unsigned>(platform::OpenFlags::Read), &in)) return rc;
    if (fs.exists(to))
        if (int rc = fs.remove(to)) return rc;
    if (int rc = fs.open(to, platform::OpenFlags::ReadWrite | platform::OpenFlags::Create, &out))
        return rc;
    std::string buf(1 << 16, '\0');
    for (std::uint64_t at = 0;;) {
        std::size_t got = 0;
        if (int rc = in->read(at, buf.data(), buf.size(), &got)) return rc;
        if (got == 0) break;
        if (int rc = out->write(at, buf.data(), got)) return rc;
        at += got;
    }
    return out->flush();
}

// Copy (9) and rename (38) of a table; see the header for the record shift.
int doCopy(ControlBlock& cb, Table& t, bool rename) {
    std::string srcFile, srcTable, dstFile, dstTable;
    splitPhysicalName(cb.physicalName, &srcFile, &srcTable);
    splitPhysicalName(cb.text, &dstFile, &dstTable);
    if (cb.text.empty()) return kInvalidName;
    bool named = cb.physicalName.find("\\!") != std::string::npos ||
                 cb.text.find("\\!") != std::string::npos;
    if (int rc = endState(*t.pf)) return rc;
    if (!named) {
        if (dstFile == srcFile) return 0;
        int rc = rename ? platform::posixFileSystem().rename(srcFile, dstFile)
                        : copyWholeFile(srcFile, dstFile);
        return rc ? mapOsError(rc, cb) : 0;
    }
    PhysicalFile* dst = nullptr;
    if (int rc = openPhysical(dstFile, kAccessReadWrite | kShareDenyNone, true, cb, &dst))
        return rc;
    Table target;
    target.pf = dst;
    int rc = beginCall(target, true);
    if (!rc && dst != t.pf) rc = beginCall(t, true);
    NativeFile& from = *t.pf->file;
    NativeFile& to = *dst->file;
    std::string payload;
    bool found = false;
    if (!rc) rc = to.get(tableNameKey(dstTable), &payload, &found);
    if (!rc && found && dst == t.pf && fromBe32(payload) == t.number) rc = kAccessDenied;
    if (!rc && found) {
        if (rename) {
            rc = kAccessDenied;
        } else {
            bool removed = false;
            rc = to.remove(tableNameKey(dstTable), &removed);
            if (!rc) rc = to.removePrefix(be32(fromBe32(payload)));
        }
    }
    std::array<std::uint8_t, 4> number{};
    if (!rc) rc = to.nextNumber(&number);
    std::uint32_t table = getBe32(number.data());
    std::uint32_t base = table; // record numbers move above the target's counter
    std::uint32_t highest = table;
    if (!rc) rc = to.insert(tableNameKey(dstTable), be32(table));
    std::string prefix = be32(t.number);
    PageRecord r;
    if (!rc) rc = from.ceiling(prefix, &r, &found);
    auto shift = [&](std::uint32_t n) {
        if (n == 0) return n;
        highest = std::max(highest, base + n);
        return base + n;
    };
    while (!rc && found && r.key.compare(0, 4, prefix) == 0) {
        std::string key = be32(table) + r.key.substr(4);
        std::string value = r.payload;
        auto kind = static_cast<std::uint8_t>(r.key.size() > 4 ? r.key[4] : 0);
        if ((kind == qtf::kKindData || kind == qtf::kKindMemo) && key.size() >= 9) {
            std::string n = be32(shift(fromBe32(key, 5)));
            key.replace(5, 4, n);
        } else if (kind == qtf::kKindStatistics && value.size() >= 8) {
            putLe32(reinterpret_cast<std::uint8_t*>(value.data()) + 4,
                    shift(getLe32(bytes(value) + 4)));
        } else if (kind <= qtf::kKindMaxKey && kind < t.def.keys.size() && value.size() == 4) {
            std::uint32_t n = shift(fromBe32(value));
            value = be32(n);
            if ((t.def.keys[kind].flags & kKeyDuplicates) && key.size() >= 9)
                key.replace(key.size() - 4, 4, value);
        }
        rc = to.insert(key, value);
        std::string at = r.key;
        if (!rc) rc = from.successor(at, &r, &found);
    }
    if (!rc) {
        std::array<std::uint8_t, 4> top{};
        putBe32(top.data(), highest);
        to.raiseLastNumber(top);
    }
    if (!rc && rename) {
        bool removed = false;
        rc = from.remove(tableNameKey(srcTable), &removed);
        if (!rc) rc = from.removePrefix(prefix);
    }
    if (rc) {
        to.discardChanges();
        from.discardChanges();
    }
    int done = endState(*dst);
    if (dst != t.pf) {
        int src = endState(*t.pf);
        if (!done) done = src;
    }
    closePhysical(dst);
    return rc ? rc : done;
}

int doEmpty(Table& t) {
    NativeFile& f = *t.pf->file;
    if (int rc = f.removePrefix(be32(t.number))) return rc;
    return writeTableRecords(f, t.number, t.def);
}

int lockTable(Table& t, int seconds) {
    auto start = std::chrono::steady_clock::now();
    while (true) {
        int rc = platform::tryLockRange(t.pf->fd(), byteLockOffset(t.number), 1,
                                        platform::LockKind::Exclusive);
        if (rc == 0) {
            t.tableLocked = true;
            return 0;
        }
        if (rc != EAGAIN) return kFileLocked;
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() /
                      10;
        if (seconds >= 0 && waited >= seconds * 100) return kFileLocked;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Commits every changed file of the transaction; several through the control file.
int commitTransaction() {
    auto& g = globals();
    std::vector<PhysicalFile*> changed;
    for (PhysicalFile* pf : g.transaction)
        if (pf->file->hasChanges()) changed.push_back(pf);
    int rc = 0;
    if (changed.size() == 1) {
        rc = changed[0]->file->commit();
    } else if (changed.size() > 1) {
        std::string tcfPath = g.tcf;
        std::replace(tcfPath.begin(), tcfPath.end(), '\\', '/');
        if (tcfPath.empty()) tcfPath = directoryOf(changed[0]->name) + "/quarto.tcf";
        std::unique_ptr<NativeFile> tcf;
        rc = NativeFile::open(platform::posixFileSystem(), tcfPath, true, {}, &tcf);
        int fd = rc ? -1 : tcf->file().descriptor();
        if (!rc) rc = platform::lockRange(fd, kLockBase, kLockSlots, platform::LockKind::Exclusive);
        std::uint32_t number = static_cast<std::uint32_t>(std::time(nullptr));
        if (!rc) {
            while (true) {
                std::string p;
                bool found = false;
                rc = tcf->get(be32(number), &p, &found);
                if (rc || !found) break;
                ++number;
            }
        }
        if (!rc) rc = tcf->insert(be32(number), "");
        if (!rc) rc = tcf->commit();
        if (tcf) tcf->endAccess();
        std::vector<PhysicalFile*> prepared;
        for (PhysicalFile* pf : changed) {
            if (rc) break;
            std::string name = tcfPath;
            if (directoryOf(tcfPath) == directoryOf(pf->name))
                name = tcfPath.substr(tcfPath.rfind('/') + 1);
            std::string marker;
            appendLe32(marker, number);
            marker += name;
            marker.push_back('\0');
            std::string key(1, static_cast<char>(qtf::kTransaction));
            bool found = false;
            rc = pf->file->replace(key, marker, &found);
            if (!rc && !found) rc = pf->file->insert(key, marker);
            if (!rc) rc = pf->file->prepare();
            if (!rc) prepared.push_back(pf);
        }
        if (rc) {
            for (PhysicalFile* pf : prepared)
                (void)pf->file->discardPrepared();
            for (PhysicalFile* pf : changed)
                pf->file->discardChanges();
        }
        if (!rc && testHookTransactionStage) testHookTransactionStage(1);
        if (tcf && tcf->beginAccess() == 0) {
            // Removing the number is the commit point.
            bool removed = false;
            int drop = tcf->remove(be32(number), &removed);
            if (!drop) drop = tcf->commit();
            if (drop && !rc) {
                // Still registered: recovery will discard every prepared log.
                for (PhysicalFile* pf : prepared)
                    (void)pf->file->discardPrepared();
                rc = drop;
            }
        }
        if (fd >= 0) (void)platform::unlockRange(fd, kLockBase, kLockSlots);
        if (!rc && testHookTransactionStage) testHookTransactionStage(2);
        if (!rc)
            for (PhysicalFile* pf : prepared)
                (void)pf->file->apply();
    }
    for (PhysicalFile* pf : g.transaction) {
        pf->inTransaction = false;
        if (rc) pf->file->discardChanges();
        releaseCallLock(*pf);
        pf->file->endAccess();
    }
    g.transaction.clear();
    return rc;
}

void rollbackTransaction() {
    auto& g = globals();
    for (PhysicalFile* pf : g.transaction) {
        pf->inTransaction = false;
        pf->file->discardChanges();
        releaseCallLock(*pf);
    }
    g.transaction.clear();
}

int doCommand(ControlBlock& cb, Table* t) {
    const std::string& text = cb.text;
    cb.answerText.clear();
    std::string up = upper(text);
    if (up == "REGISTER") {
        cb.answerText = "QUARTO";
        return 0;
    }
    if (auto at = up.find("TCF="); at != std::string::npos) {
        globals().tcf = text.substr(at + 4);
        return 0;
    }
    if (up.rfind("FULLBUILD", 0) == 0) {
        if (!t) return 0;
        if (up.size() > 9 && up[9] == '=') t->fullBuild = up.substr(10) == "ON";
        cb.answerText = t->fullBuild ? "ON" : "OFF";
        return 0;
    }
    if (auto at = up.find("PNM="); at != std::string::npos && t) {
        int rc = beginCall(*t, false);
        PageRecord r;
        bool found = false;
        if (!rc) rc = t->pf->file->successor(tableNameKey(up.substr(at + 4)), &r, &found);
        if (!rc && found && !r.key.empty() &&
            static_cast<std::uint8_t>(r.key[0]) == qtf::kTableName)
            cb.answerText = r.key.substr(1);
        return endCall(*t, cb.runFlags, rc);
    }
    return 0;
}

bool isWriting(DriverOp op) {
    switch (op) {
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
    case DriverOp::Change:
    case DriverOp::ChangeByNumber:
    case DriverOp::Delete:
    case DriverOp::Empty:
    case DriverOp::BuildAll:
    case DriverOp::BuildAllKeys:
    case DriverOp::BuildKey:
    case DriverOp::BuildIndex:
    case DriverOp::BuildKeyOrIndex:
    case DriverOp::BeginTransaction:
        return true;
    default:
        return false;
    }
}

int dispatchOpen(DriverOp op, ControlBlock& cb, Table& t) {
    NativeFile& f = *t.pf->file;
    switch (op) {
    case DriverOp::Add:
    case DriverOp::AddWithoutKeys:
        return doAdd(cb, t, op == DriverOp::AddWithoutKeys);
    case DriverOp::Change:
        return doChange(cb, t, t.current);
    case DriverOp::ChangeByNumber:
        return doChange(cb, t, cb.recordNumber);
    case DriverOp::Delete:
        return doDelete(cb, t);
    case DriverOp::Empty:
        return doEmpty(t);
    case DriverOp::BuildAll:
    case DriverOp::BuildAllKeys:
        return doBuild(cb, t, -1);
    case DriverOp::BuildKey:
    case DriverOp::BuildIndex:
    case DriverOp::BuildKeyOrIndex:
        return doBuild(cb, t, cb.keyNumber);
    case DriverOp::Records:
    case DriverOp::KeyRecords: {
        Statistics st;
        auto which =
            op == DriverOp::Records ? qtf::kKindData : static_cast<std::uint8_t>(cb.keyNumber);
        int rc = readStatistics(f, t.number, which, &st);
        cb.answer = st.count;
        return rc;
    }
    case DriverOp::Next:
        return readNext(t, cb, true);
    case DriverOp::Previous:
        return readNext(t, cb, false);
    case DriverOp::TestNext:
    case DriverOp::TestPrevious: {
        PageRecord e;
        std::uint32_t record = 0;
        bool found = false;
        int rc = locate(t, op == DriverOp::TestNext, &e, &record, &found);
        cb.answer = found ? 1 : 0;
        return rc;
    }
    case DriverOp::SkipRecords:
        for (int i = 0; i < cb.count; ++i) {
            PageRecord e;
            std::uint32_t record = 0;
            bool found = false;
            if (int rc = locate(t, true, &e, &record, &found)) return rc;
            if (!found) return kNotAvailable;
            t.posEntry = e.key;
            t.posExclusive = true;
        }
        return 0;
    case DriverOp::GetByKey:
    case DriverOp::TestDuplicate: {
        if (cb.keyNumber < 0 || static_cast<std::size_t>(cb.keyNumber) >= t.def.keys.size() ||
            !cb.record || cb.record->size() != t.def.recordLength)
            return kBadDeclaration;
        std::string value = encodeValue(t.def, cb.keyNumber, t.number, cb.record->data());
        bool dup = t.def.keys[static_cast<std::size_t>(cb.keyNumber)].flags & kKeyDuplicates;
        PageRecord e;
        bool found = false;
        if (int rc = f.ceiling(dup ? value + std::string(4, '\0') : value, &e, &found)) return rc;
        found = found && e.key.compare(0, value.size(), value) == 0 &&
                e.key.size() == value.size() + (dup ? 4 : 0);
        if (op == DriverOp::TestDuplicate) {
            cb.answer = !dup && found && fromBe32(e.payload) != t.current ? 1 : 0;
            return 0;
        }
        if (!found) return kNotAvailable;
        t.posKey = cb.keyNumber;
        return readRecord(t, cb, e, fromBe32(e.payload));
    }
    default:
        return kUnsupported;
    }
}

} // namespace

void splitPhysicalName(const std::string& physical, std::string* file, std::string* table) {
    auto bang = physical.find("\\!");
    *file = physical.substr(0, bang);
    *table = bang == std::string::npos ? "UNNAMED" : upper(physical.substr(bang + 2));
    std::replace(file->begin(), file->end(), '\\', '/');
    auto slash = file->rfind('/');
    std::string base = slash == std::string::npos ? *file : file->substr(slash + 1);
    if (base.find('.') == std::string::npos) *file += ".QTF";
}

std::string reportedName(const ControlBlock& cb) {
    std::string file, table;
    splitPhysicalName(cb.physicalName, &file, &table);
    return table == "UNNAMED" ? file : file + "\\!" + table;
}

void (*testHookTransactionStage)(int stage) = nullptr;

void forgetOpenFilesAfterFork() {
    auto& g = globals();
    for (auto& [name, pf] : g.files)
        pf.release(); // the parent's objects stay untouched
    g.files.clear();
    g.transaction.clear();
}

int openPhysicalFiles() {
    return static_cast<int>(globals().files.size());
}

bool QuartoDriver::supports(DriverOp op) const {
    switch (op) {
    default:
        return true;
    }
}

int QuartoDriver::dispatch(DriverOp op, ControlBlock& cb) {
    cb.error = 0;
    cb.errorText.clear();
    Table* t = tableOf(cb);
    int rc = 0;
    switch (op) {
    case DriverOp::Open:
    case DriverOp::OpenShared:
        rc = t ? 52 : doOpen(cb);
        break;
    case DriverOp::Create:
        rc = doCreate(cb);
        break;
    case DriverOp::Command:
        rc = doCommand(cb, t);
        break;
    case DriverOp::CommitTransaction:
        rc = commitTransaction();
        break;
    case DriverOp::RollbackTransaction:
        rollbackTransaction();
        break;
    default:
        if (!t) {
            rc = 37; // File Not Open
            break;
        }
        switch (op) {
        case DriverOp::Close:
            rc = doClose(cb, *t);
            break;
        case DriverOp::Flush:
            rc = t->pf->inTransaction ? 0 : endState(*t->pf);
            break;
        case DriverOp::BeginTransaction: {
            // The file's exclusive lock is waited for at most `seconds` (-1: no limit).
            PhysicalFile& pf = *t->pf;
            if (pf.shared && !pf.inTransaction && pf.lock != PhysicalFile::Lock::Exclusive) {
                if (pf.lock == PhysicalFile::Lock::Shared) rc = endState(pf);
                auto start = std::chrono::steady_clock::now();
                while (!rc) {
                    int lock = cb.seconds < 0
                                   ? platform::lockRange(pf.fd(), kLockBase, kLockSlots,
                                                         platform::LockKind::Exclusive)
                                   : platform::tryLockRange(pf.fd(), kLockBase, kLockSlots,
                                                            platform::LockKind::Exclusive);
                    if (lock == 0) {
                        pf.lock = PhysicalFile::Lock::Exclusive;
                        break;
                    }
                    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count();
                    if (lock != EAGAIN || waited >= cb.seconds * 1000)
                        rc = kFileLocked;
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            }
            if (!rc) rc = beginCall(*t, true);
            if (!rc) {
                auto& g = globals();
                if (std::find(g.transaction.begin(), g.transaction.end(), &pf) ==
                    g.transaction.end())
                    g.transaction.push_back(&pf);
                pf.inTransaction = true;
            }
            pf.file->endAccess();
            break;
        }
        case DriverOp::SetKeyStart:
        case DriverOp::SetKeyEnd:
            t->posKey = cb.keyNumber;
            t->posEntry =
                op == DriverOp::SetKeyStart ? keyPrefix(t->number, cb.keyNumber) : rangeEnd(*t);
            t->posExclusive = op == DriverOp::SetKeyEnd;
            break;
        case DriverOp::SetRecordStart:
            t->posKey = -1;
            t->posEntry = rangePrefix(*t);
            t->posExclusive = false;
            break;
        case DriverOp::SetRecordNumber:
        case DriverOp::SetRecordNumberBack:
            t->posKey = -1;
            if (cb.recordNumber) {
                t->posEntry = dataKey(t->number, cb.recordNumber);
                t->posExclusive = false;
            } else {
                bool back = op == DriverOp::SetRecordNumberBack;
                t->posEntry = back ? rangeEnd(*t) : rangePrefix(*t);
                t->posExclusive = back;
            }
            break;
        case DriverOp::SetKeyValue:
        case DriverOp::SetKeyValueBack:
        case DriverOp::SetKeyValueRecord: {
            if (cb.keyNumber < 0 || static_cast<std::size_t>(cb.keyNumber) >= t->def.keys.size() ||
                !cb.record || cb.record->size() != t->def.recordLength) {
                rc = kBadDeclaration;
                break;
            }
            bool dup = t->def.keys[static_cast<std::size_t>(cb.keyNumber)].flags & kKeyDuplicates;
            t->posKey = cb.keyNumber;
            t->posEntry = encodeValue(t->def, cb.keyNumber, t->number, cb.record->data());
            if (dup) {
                std::uint32_t n = op == DriverOp::SetKeyValue       ? 0
                                  : op == DriverOp::SetKeyValueBack ? 0xFFFFFFFFu
                                                                    : cb.recordNumber;
                appendBe32(t->posEntry, n);
            }
            t->posExclusive = false;
            break;
        }
        case DriverOp::ResetPosition:
            if (cb.position.size() < 2) {
                rc = kNotAvailable;
                break;
            }
            t->posKey = cb.position[0] == 1 ? -1 : cb.position[1];
            t->posEntry.assign(cb.position.begin() + 2, cb.position.end());
            t->posExclusive = false;
            break;
        case DriverOp::HoldNext:
        case DriverOp::HoldNextSecond:
            t->holdRequested = true;
            t->holdSeconds = cb.seconds;
            break;
        case DriverOp::Watch:
            t->watchNext = true;
            break;
        case DriverOp::SetFlags:
        case DriverOp::SetFlagsSecond:
            t->flags = cb.flags;
            break;
        case DriverOp::ReleaseRecord:
            releaseHold(*t);
            break;
        case DriverOp::LockTable:
        case DriverOp::LockTableTimed:
            rc = lockTable(*t, op == DriverOp::LockTable ? -1 : cb.seconds);
            break;
        case DriverOp::UnlockTable:
            if (t->tableLocked)
                (void)platform::unlockRange(t->pf->fd(), byteLockOffset(t->number), 1);
            t->tableLocked = false;
            break;
        case DriverOp::Copy:
        case DriverOp::Rename:
            rc = doCopy(cb, *t, op == DriverOp::Rename);
            break;
        default: {
            rc = beginCall(*t, isWriting(op));
            if (!rc) rc = dispatchOpen(op, cb, *t);
            if (rc > 0 && rc < 1000 && rc != kInvalidData && rc != kDuplicateKey &&
                rc != kNotAvailable && rc != kChanged && rc != kRecordHeld && rc != kAccessDenied &&
                rc != kBadDeclaration && rc != kUnsupported && rc != kFileNotFound)
                rc = mapOsError(rc, cb);
            rc = endCall(*t, cb.runFlags, rc);
        }
        }
    }
    cb.error = rc;
    return rc;
}

} // namespace zv::storage
