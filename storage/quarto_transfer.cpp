#include "storage/quarto_internal.h"

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

namespace zv::storage::quarto {

namespace {

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

} // namespace

// Copy and rename: every record of the table is inserted into the target with
// its record numbers moved above the target file's counter.
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
        dropChanges(*dst);
        dropChanges(*t.pf);
    }
    // Both files commit as one: a rename leaves the table in the one file or the other.
    std::vector<PhysicalFile*> files{dst};
    if (dst != t.pf) files.push_back(t.pf);
    int done = rc ? 0 : commitFiles(files);
    for (PhysicalFile* pf : files) {
        if (done) dropChanges(*pf);
        releaseCallLock(*pf);
        pf->file->endAccess();
    }
    closePhysical(dst);
    return rc ? rc : done;
}

int commitFiles(const std::vector<PhysicalFile*>& files) {
    auto& g = globals();
    std::vector<PhysicalFile*> changed;
    for (PhysicalFile* pf : files)
        if (pf->file->hasChanges()) changed.push_back(pf);
    int rc = 0;
    if (changed.size() == 1) {
        rc = changed[0]->file->commit();
    } else if (changed.size() > 1) {
        std::string tcfPath = g.tcf;
        std::replace(tcfPath.begin(), tcfPath.end(), '\\', '/');
        if (tcfPath.empty()) tcfPath = directoryOf(changed[0]->name) + "/quarto.tcf";
        std::unique_ptr<NativeFile> tcf;
        NativeFile::Options shared;
        shared.shared = true;       // every station commits to it: read only under its lock
        shared.singleFlush = false; // closed without a truncation: it names no log then
        rc = NativeFile::open(platform::posixFileSystem(), tcfPath, true, shared, &tcf);
        int fd = rc ? -1 : tcf->file().descriptor();
        if (!rc) rc = platform::lockRange(fd, kLockBase, kLockSlots, platform::LockKind::Exclusive);
        if (tcf) tcf->setExclusive(true);
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
                dropChanges(*pf);
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
    return rc;
}

int commitTransaction() {
    auto& g = globals();
    int rc = commitFiles(g.transaction);
    for (PhysicalFile* pf : g.transaction) {
        pf->inTransaction = false;
        if (rc) dropChanges(*pf);
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
        dropChanges(*pf);
        releaseCallLock(*pf);
    }
    g.transaction.clear();
}

} // namespace zv::storage::quarto
