#include "storage/quarto_driver.h"

#include "platform/byte_lock.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "storage/coding.h"
#include "storage/definition.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/record_text.h"
#include "storage/runtime_error.h"
#include "storage/table_records.h"

#include "storage/quarto_internal.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>

namespace zv::storage {

namespace quarto {
namespace {

// ---------------------------------------------------------------------------
// Memos

// The length of the text without its trailing blanks, eight bytes at a time.
std::size_t withoutTrailingBlanks(const std::uint8_t* text, std::size_t n) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    while (n >= 8) {
        std::uint64_t tail = 0;
        std::memcpy(&tail, text + n - 8, 8);
        if (tail != kBlanks) break;
        n -= 8;
    }
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return n;
}

int writeMemos(Table& t, const ControlBlock& cb, std::uint32_t record) {
    NativeFile& f = *t.pf->file;
    std::string prefix = memoPrefix(t.number, record);
    bool tableHasMemos = false;
    if (int rc = f.anyWithPrefix(tableMemoPrefix(t.number), &tableHasMemos)) return rc;
    if (tableHasMemos)
        if (int rc = f.removePrefix(prefix)) return rc;
    if (!cb.memos) return 0;
    for (std::size_t i = 0; i < t.def.memos.size() && i < cb.memos->size(); ++i) {
        const MemoDecl& m = t.def.memos[i];
        const auto& buf = (*cb.memos)[i];
        std::string data;
        if (m.blob) {
            appendLe32(data, static_cast<std::uint32_t>(buf.size()));
            data.append(reinterpret_cast<const char*>(buf.data()), buf.size());
        } else {
            // Trailing blanks are not stored.
            const std::size_t n = withoutTrailingBlanks(
                buf.data(), std::min(buf.size(), static_cast<std::size_t>(m.maxLength)));
            data.assign(reinterpret_cast<const char*>(buf.data()), n);
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
    cb.memos->resize(t.def.memos.size());
    // A table without any memo text reads none.
    bool tableHasMemos = false;
    if (!t.def.memos.empty())
        if (int rc = t.pf->file->anyWithPrefix(tableMemoPrefix(t.number), &tableHasMemos))
            return rc;
    for (std::size_t i = 0; i < t.def.memos.size(); ++i) {
        const MemoDecl& m = t.def.memos[i];
        std::string data;
        std::uint32_t blobLength = 0;
        if (tableHasMemos)
            if (int rc = readMemoText(*t.pf->file, t.number, t.def, record, i, &data, &blobLength))
                return rc;
        if (data.size() > (m.blob ? blobLength : m.maxLength)) {
            assertionFailed("done+len <= limit", "qtfl3");
            return kInvalidData;
        }
        auto& buf = (*cb.memos)[i];
        if (m.blob) {
            copyBytes(data, &buf);
        } else {
            // A text memo fills its buffer, padded with blanks.
            buf.resize(m.maxLength);
            if (!data.empty()) std::memcpy(buf.data(), data.data(), data.size());
            std::memset(buf.data() + data.size(), ' ', m.maxLength - data.size());
        }
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

// Before a change or a delete: the record must not be held by another handle.
// While this handle keeps every other process out of the file, no hold can
// begin elsewhere, so a test of the record's lock is enough; otherwise the
// record is held for the change. When no other handle holds any record at the
// first change under the lock, none can begin a hold before the lock is
// released: the later changes test nothing.
int holdForChange(Table& t, std::uint32_t record) {
    PhysicalFile& pf = *t.pf;
    if (pf.lock != PhysicalFile::Lock::Exclusive || (t.held && t.heldRecord == record))
        return tryHold(t, record);
    const std::uint64_t at = byteLockOffset(record);
    // Above the call lock's bytes lie the bytes of holds (and of table locks).
    constexpr std::uint64_t kHolds = kLockBase + kLockSlots;
    if (at >= kHolds) {
        if (!pf.holdsElsewhereKnown) {
            pf.holdsElsewhere = platform::rangeLockedByOther(
                pf.fd(), kHolds, kLockBase + (std::uint64_t{1} << 32) - kHolds,
                platform::LockKind::Exclusive);
            pf.holdsElsewhereKnown = true;
        }
        if (!pf.holdsElsewhere) return 0;
    }
    return platform::rangeLockedByOther(pf.fd(), at, 1, platform::LockKind::Exclusive) ? EAGAIN : 0;
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
    Seek how = forward ? (t.posExclusive ? Seek::Successor : Seek::Ceiling)
                       : (t.posExclusive ? Seek::Predecessor : Seek::Floor);
    if (int rc = seekEntry(t, t.posKey, how, t.posEntry, entry, found)) return rc;
    std::string prefix = rangePrefix(t);
    if (*found && entry->key.compare(0, prefix.size(), prefix) != 0) *found = false;
    if (*found) *record = t.posKey < 0 ? fromBe32(entry->key, 5) : fromBe32(entry->payload);
    return 0;
}

void savePosition(const Table& t, ControlBlock& cb) {
    cb.position.resize(2 + t.posEntry.size());
    cb.position[0] = t.posKey < 0 ? 1 : 0;
    cb.position[1] = static_cast<std::uint8_t>(t.posKey < 0 ? 0 : t.posKey);
    if (!t.posEntry.empty())
        std::memcpy(cb.position.data() + 2, t.posEntry.data(), t.posEntry.size());
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
    // Kept from read to read: a record image of the same length is decoded
    // into it without a new allocation.
    thread_local std::string image;
    bool found = false;
    if (int rc = f.get(dataKey(t.number, record), &image, &found)) return rc;
    if (!found || image.size() != t.def.recordLength) return kNotAvailable;
    if (cb.record) {
        copyBytes(image, cb.record);
        imageFromOem(t.def, cb.record->data(), cb.record->size());
    }
    if (int rc = readMemos(t, cb, record)) return rc;
    t.posEntry = entry.key;
    t.posExclusive = true;
    t.current = record;
    cb.currentRecord = record;
    if (t.watchNext) {
        t.watchNext = false;
        t.watched = true;
        t.watchRecord = record;
        copyBytes(image, &t.watchImage);
    }
    savePosition(t, cb);
    return 0;
}

int readNext(Table& t, ControlBlock& cb, bool forward) {
    thread_local PageRecord entry; // keeps its room from read to read
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

// The record buffer as the table stores it (OEM tables keep their text in the
// OEM character set; key values are built from that form).
std::string storedImage(const Table& t, const ControlBlock& cb) {
    std::string image = textOf(*cb.record);
    imageToOem(t.def, reinterpret_cast<std::uint8_t*>(image.data()), image.size());
    return image;
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
        t->def.oem = cb.decl->oem;
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
            pf.file->setExclusive(true);
            if (!rc) rc = pf.file->truncateToStore();
            if (pf.shared) (void)platform::unlockRange(pf.fd(), kLockBase, kLockSlots);
        }
    }
    closePhysical(&pf);
    cb.driverState.reset();
    return rc;
}

int changeCount(NativeFile& f, std::uint32_t table, std::uint8_t which, int delta) {
    return addToCount(f, table, which, delta);
}

int doAdd(ControlBlock& cb, Table& t, bool withoutKeys) {
    if (!cb.record || cb.record->size() != t.def.recordLength) return kBadDeclaration;
    NativeFile& f = *t.pf->file;
    std::array<std::uint8_t, 4> number{};
    if (int rc = f.nextNumber(&number)) return rc;
    std::uint32_t record = getBe32(number.data());
    // Until it is written the new record is nobody's current record: after a refused
    // add, a duplicate test compares the buffer with every stored record.
    t.current = 0;
    cb.currentRecord = 0;
    std::string image = storedImage(t, cb);
    if (int rc = maintainKeys(f, t.def, t.number, nullptr, bytes(image), record, withoutKeys))
        return rc;
    if (int rc = f.insert(dataKey(t.number, record), image)) return rc;
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
    if (int rc = holdForChange(t, record)) return rc == EAGAIN ? kAccessDenied : mapOsError(rc, cb);
    std::string stored;
    bool found = false;
    int rc = f.get(dataKey(t.number, record), &stored, &found);
    if (!rc && !found) rc = kNotAvailable;
    // Compared as bytes: a character above 127 must not make the images differ.
    if (!rc && t.watched && t.watchRecord == record && stored != textOf(t.watchImage))
        rc = kChanged;
    std::string image = storedImage(t, cb);
    if (!rc && image != stored) {
        rc = maintainKeys(f, t.def, t.number, bytes(stored), bytes(image), record, false);
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
    if (int rc = holdForChange(t, record)) return rc == EAGAIN ? kNotAvailable : mapOsError(rc, cb);
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

// A full rebuild of every key takes the declared order of the text keys: the
// definition is rewritten with it, in the same commit as the new entries.
int adoptDeclaredOrder(ControlBlock& cb, Table& t) {
    if (!cb.decl || cb.decl->keys.size() != t.def.keys.size()) return 0;
    bool changed = false;
    for (std::size_t k = 0; k < t.def.keys.size(); ++k) {
        auto& flags = t.def.keys[k].flags;
        const auto wanted =
            static_cast<std::uint8_t>((flags & ~kKeyCzech) | (cb.decl->keys[k].flags & kKeyCzech));
        changed = changed || wanted != flags;
        flags = wanted;
    }
    return changed ? rewriteDefinition(*t.pf->file, t.number, t.def) : 0;
}

int doBuild(ControlBlock& cb, Table& t, int only) {
    NativeFile& f = *t.pf->file;
    int result = 0;
    if (only < 0 && t.fullBuild)
        if (int rc = adoptDeclaredOrder(cb, t)) return rc;
    for (std::size_t k = 0; k < t.def.keys.size(); ++k) {
        if (only >= 0 && static_cast<int>(k) != only) continue;
        const KeyDecl& key = t.def.keys[k];
        auto which = static_cast<std::uint8_t>(k);
        if (key.flags & kKeyOutside) {
            // A fresh store, always from the first record.
            int rc = buildOutsideKey(t, static_cast<int>(k));
            if (rc == kDuplicateKey)
                result = rc;
            else if (rc)
                return rc;
            continue;
        }
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
    return result;
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
    if (up == "ORDER") {
        // The order the table's text keys are kept in.
        if (!t) return 0;
        bool czech = false;
        for (const auto& k : t->def.keys)
            czech = czech || (k.flags & kKeyCzech);
        cb.answerText = czech ? "CZ" : "BYTES";
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
        if (!rc && op == DriverOp::KeyRecords && isOutsideKey(t, cb.keyNumber))
            rc = outsideCount(t, cb.keyNumber, &st.count);
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
        std::string value = encodeValue(t.def, cb.keyNumber, t.number, bytes(storedImage(t, cb)));
        bool dup = t.def.keys[static_cast<std::size_t>(cb.keyNumber)].flags & kKeyDuplicates;
        PageRecord e;
        bool found = false;
        if (int rc = seekEntry(t, cb.keyNumber, Seek::Ceiling,
                               dup ? value + std::string(4, '\0') : value, &e, &found))
            return rc;
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
} // namespace quarto

using namespace quarto;

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
    const RuntimeErrorFileScope naming(cb.physicalName);
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
            t->posEntry = encodeValue(t->def, cb.keyNumber, t->number, bytes(storedImage(*t, cb)));
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
            ++t->pf->writes;
            rc = doCopy(cb, *t, op == DriverOp::Rename);
            break;
        default: {
            if (isWriting(op)) ++t->pf->writes;
            // Reads that change nothing before they end may run on cached pages
            // without the call lock; one that needs a page not cached runs again
            // under the lock.
            const bool cached =
                (op == DriverOp::Next || op == DriverOp::Previous || op == DriverOp::GetByKey) &&
                beginCachedCall(*t);
            if (cached) {
                rc = dispatchOpen(op, cb, *t);
                if (t->pf->file->missedPage()) {
                    t->pf->file->endAccess();
                    rc = beginCall(*t, false);
                    if (!rc) rc = dispatchOpen(op, cb, *t);
                }
            } else {
                rc = beginCall(*t, isWriting(op));
                if (!rc) rc = dispatchOpen(op, cb, *t);
            }
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
