// The native file's commit in two phases with its redo log, and the recovery
// of a commit that was interrupted.
#include "storage/native_file.h"

#include "storage/coding.h"
#include "storage/runtime_error.h"

#include <algorithm>
#include <cerrno>

namespace zv::storage {

namespace {

std::uint64_t storeEnd(const qtf::FileHeader& h) {
    return qtf::kHeaderSize +
           static_cast<std::uint64_t>(RegionTable(h.regionStart, h.regionEnd).storeUnits()) *
               qtf::kUnit;
}

} // namespace

int NativeFile::recover(const qtf::FileHeader& disk) {
    // Walk the log: own offset -> log position; the header is the entry at 0.
    std::map<std::uint64_t, std::uint64_t> map;
    std::uint64_t pos = disk.committedEnd;
    std::uint64_t newHeaderPos = 0;
    bool haveHeader = false;
    while (pos < disk.logEnd) {
        std::uint8_t buf[qtf::kHeaderSize];
        std::size_t got = 0;
        if (int rc = readAt(pos, buf, sizeof buf, &got)) return rc;
        if (got < qtf::kUnit) return fail(__LINE__);
        std::uint32_t own = getLe32(buf);
        std::size_t stored = storedSizeOf(buf);
        if (stored < static_cast<std::size_t>(qtf::kPageFixed) || stored > qtf::kMaxPage)
            return fail(__LINE__);
        std::uint64_t step = (stored + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
        if (own == 0) {
            if (got < qtf::kHeaderSize || stored != qtf::kHeaderSize) return fail(__LINE__);
            haveHeader = true;
            newHeaderPos = pos;
        } else {
            if (own < qtf::kHeaderSize || (own - qtf::kHeaderSize) % qtf::kUnit)
                return fail(__LINE__);
            map[own] = pos;
        }
        pos += step;
    }
    if (pos != disk.logEnd || !haveHeader) return fail(__LINE__);
    std::uint8_t hb[qtf::kHeaderSize];
    std::size_t got = 0;
    if (int rc = readAt(newHeaderPos, hb, sizeof hb, &got)) return rc;
    qtf::FileHeader newHeader;
    if (got != qtf::kHeaderSize || !qtf::decodeHeader(hb, &newHeader)) return fail(__LINE__);
    // A commit logs only pages of the old store; pages beyond it were written in
    // place. A log naming a slot beyond the old store is not a log we wrote (and
    // copying it there could grow the file without bound).
    std::uint64_t oldEnd = storeEnd(disk);
    for (const auto& [own, at] : map)
        if (own >= oldEnd) return fail(__LINE__);

    // Look at the new tree through the log for a transaction marker.
    takeHeader(newHeader);
    logMap_ = map;
    bool discard = false;
    if (options_.transactionCheck) {
        std::string payload;
        bool found = false;
        headerCurrent_ = true; // the lookup reads the new tree through the log
        int rc = get(std::string(1, static_cast<char>(qtf::kTransaction)), &payload, &found);
        headerCurrent_ = false;
        if (rc) return rc;
        if (found && payload.size() >= 5) {
            std::uint32_t number = getLe32(bytes(payload));
            std::string name = payload.substr(4);
            name = name.substr(0, name.find('\0'));
            discard = options_.transactionCheck(number, name, path_);
        }
    }
    clearCache();

    qtf::FileHeader result = discard ? disk : newHeader;
    result.committedEnd = result.logEnd = static_cast<std::uint32_t>(storeEnd(result));
    if (options_.readOnly) {
        // Read through the log without touching the file.
        if (discard) logMap_.clear();
        takeHeader(result);
        return 0;
    }
    if (options_.lockOnApply && applyLock_)
        if (int rc = applyLock_(true)) return rc;
    ioError_ = 0;
    if (!discard) {
        for (const auto& [own, at] : map) {
            int cls =
                RegionTable(newHeader.regionStart, newHeader.regionEnd)
                    .classOf(static_cast<std::uint32_t>((own - qtf::kHeaderSize) / qtf::kUnit));
            if (cls == 0) {
                ioError_ = fail(__LINE__);
                break;
            }
            std::string page(static_cast<std::size_t>(cls) * qtf::kUnit, '\0');
            std::size_t n = 0;
            if (int rc = readAt(at, page.data(), page.size(), &n)) {
                ioError_ = rc;
                break;
            }
            if (n != page.size()) {
                ioError_ = fail(__LINE__);
                break;
            }
            writeAt(own, page);
        }
        flushFile();
    }
    std::string hdr(qtf::kHeaderSize, '\0');
    qtf::encodeHeader(result, reinterpret_cast<std::uint8_t*>(hdr.data()));
    writeAt(0, hdr);
    flushFile();
    if (options_.lockOnApply && applyLock_) applyLock_(false);
    logMap_.clear();
    int rc = ioError_;
    ioError_ = 0;
    if (rc) {
        cached_ = false;
        clearCache();
        return rc;
    }
    takeHeader(result);
    return 0;
}

// ---------------------------------------------------------------------------
// Commit

std::vector<NativeFile::Page*> NativeFile::changedInOrder() const {
    std::vector<Page*> pages(changed_.begin(), changed_.end());
    std::sort(pages.begin(), pages.end(),
              [](const Page* a, const Page* b) { return a->number < b->number; });
    return pages;
}

const std::string* NativeFile::encoded(const Page& page, EncodedPages* encoded) {
    Encoded& e = (*encoded)[&page];
    if (e.bytes.empty() || e.version != page.version) {
        thread_local std::vector<std::string> scratch;
        if (!encodePage(viewOf(page, &scratch), 0, &e.bytes)) {
            e.bytes.clear();
            return nullptr;
        }
        e.version = page.version;
    }
    return &e.bytes;
}

// Gives every changed page a slot of the class its serialized size needs.
int NativeFile::placePages(EncodedPages* encodedPages) {
    for (int round = 0; round < 1000; ++round) {
        bool moved = false;
        for (Page* p : changedInOrder()) {
            const std::string* buf = encoded(*p, encodedPages);
            if (!buf) return fail(__LINE__);
            int cls = static_cast<int>(buf->size() / qtf::kUnit);
            std::vector<RegionTable::Move> moves;
            if (p->number >= 0) {
                int old = regions_.classOf(static_cast<std::uint32_t>(p->number));
                if (old == cls) continue;
                std::int64_t slot = p->number;
                if (int rc = movePage(p, nextTemp_--)) return rc;
                regions_.free(static_cast<std::uint32_t>(slot), old, &moves);
                if (int rc = applyMoves(moves)) return rc;
                moves.clear();
            }
            std::uint32_t slot = regions_.allocate(cls, &moves);
            if (int rc = applyMoves(moves)) return rc;
            if (int rc = movePage(p, slot)) return rc;
            moved = true;
        }
        if (!moved) return 0;
    }
    return fail(__LINE__);
}

int NativeFile::prepare() {
    if (broken_) return kErrNotNative;
    if (prepared_) return 0;
    if (!hasChanges()) return 0;
    if (options_.readOnly) return EBADF;
    ioError_ = 0;
    qtf::FileHeader onDisk = diskHeader_;
    std::uint64_t oldEnd = storeEnd(diskHeader_);
    EncodedPages encodedPages;
    if (int rc = placePages(&encodedPages)) {
        discardChanges();
        return rc;
    }
    header_.regionStart = regions_.starts();
    header_.regionEnd = regions_.ends();
    header_.root = static_cast<std::uint32_t>(root_);
    header_.changeCounter++;
    std::uint64_t newEnd = storeEnd(header_);
    std::uint64_t logStart = std::max(newEnd, oldEnd);
    if (logStart + 2 * qtf::kMaxPage * (changed_.size() + 1) > 0xFFFFFFFFull) {
        discardChanges();
        return EFBIG;
    }
    header_.committedEnd = header_.logEnd = static_cast<std::uint32_t>(logStart);

    std::uint64_t logPos = logStart;
    logged_.clear();
    if (!headerOnDisk_) {
        // A new file gets its empty header first: a crash during its first
        // commit then leaves an empty native file, not an unreadable one.
        std::string empty(qtf::kHeaderSize, '\0');
        qtf::encodeHeader(onDisk, reinterpret_cast<std::uint8_t*>(empty.data()));
        writeAt(0, empty);
        flushFile();
    }
    for (Page* p : changedInOrder()) {
        std::uint32_t number = static_cast<std::uint32_t>(p->number);
        std::uint64_t own = qtf::pageOffset(number);
        const std::string* bytes = p->number >= 0 ? encoded(*p, &encodedPages) : nullptr;
        if (!bytes ||
            bytes->size() / qtf::kUnit != static_cast<std::size_t>(regions_.classOf(number))) {
            fail(__LINE__);
            discardChanges();
            return kErrNotNative;
        }
        std::string buf = *bytes;
        putLe32(reinterpret_cast<std::uint8_t*>(buf.data()) + qtf::pg::kOwnOffset,
                static_cast<std::uint32_t>(own));
        if (own < oldEnd) {
            writeAt(logPos, buf);
            logPos += buf.size();
            logged_.emplace_back(own, std::move(buf));
        } else {
            writeAt(own, buf);
        }
    }
    std::string hdr(qtf::kHeaderSize, '\0');
    qtf::encodeHeader(header_, reinterpret_cast<std::uint8_t*>(hdr.data()));
    writeAt(logPos, hdr);
    logPos += hdr.size();
    flushFile();
    // The old header names the log: from here on the commit stands. Readers
    // in other processes must not read the header while it is being written.
    onDisk.committedEnd = static_cast<std::uint32_t>(logStart);
    onDisk.logEnd = static_cast<std::uint32_t>(logPos);
    qtf::encodeHeader(onDisk, reinterpret_cast<std::uint8_t*>(hdr.data()));
    const bool lockHeader = options_.lockOnApply && applyLock_;
    if (lockHeader && !ioError_)
        if (int rc = applyLock_(true)) ioError_ = rc;
    writeAt(0, hdr);
    if (lockHeader) applyLock_(false);
    flushFile();
    if (int rc = ioError_) {
        ioError_ = 0;
        discardChanges();
        return rc;
    }
    headerOnDisk_ = true;
    preparedHeader_ = header_;
    preparedHeader_.committedEnd = preparedHeader_.logEnd = static_cast<std::uint32_t>(newEnd);
    prepared_ = true;
    return 0;
}

int NativeFile::apply() {
    if (!prepared_) return 0;
    prepared_ = false;
    int lockRc = 0;
    if (options_.lockOnApply && applyLock_) lockRc = applyLock_(true);
    if (lockRc == 0) {
        for (const auto& [own, data] : logged_)
            writeAt(own, data);
        flushFile();
        std::string hdr(qtf::kHeaderSize, '\0');
        qtf::encodeHeader(preparedHeader_, reinterpret_cast<std::uint8_t*>(hdr.data()));
        writeAt(0, hdr);
        flushFile();
        if (options_.lockOnApply && applyLock_) applyLock_(false);
    }
    logged_.clear();
    if (ioError_ || lockRc) {
        // The log is in force: the commit stands and the next access rolls it
        // forward. Forget what is cached so that access rereads the file.
        ioError_ = 0;
        discardChanges();
        return 0;
    }
    header_ = preparedHeader_;
    diskHeader_ = preparedHeader_;
    headerChanged_ = false;
    for (Page* p : changed_) {
        // Edits leave room in a page's entries; kept in the cache it is not used.
        p->entries.shrink();
        p->memoryVersion = ~std::uint64_t{0};
        p->changed = false;
    }
    changed_.clear();
    nextTemp_ = -1;
    return 0;
}

int NativeFile::commit() {
    if (int rc = prepare()) return rc;
    return apply();
}

void NativeFile::discardChanges() {
    clearCache();
    cached_ = false;
    headerCurrent_ = false;
    headerChanged_ = false;
    prepared_ = false;
    logged_.clear();
    logMap_.clear();
    root_ = kNoPage;
    nextTemp_ = -1;
}

int NativeFile::discardPrepared() {
    if (!prepared_) return 0;
    qtf::FileHeader h = diskHeader_;
    h.committedEnd = h.logEnd = static_cast<std::uint32_t>(storeEnd(h));
    std::string hdr(qtf::kHeaderSize, '\0');
    qtf::encodeHeader(h, reinterpret_cast<std::uint8_t*>(hdr.data()));
    ioError_ = 0;
    writeAt(0, hdr);
    flushFile();
    int rc = ioError_;
    ioError_ = 0;
    discardChanges();
    return rc;
}

int NativeFile::truncateToStore() {
    if (options_.readOnly || prepared_ || hasChanges()) return 0;
    if (int rc = beginAccess()) return rc;
    std::uint64_t size = 0;
    if (int rc = file_->size(&size)) return rc;
    if (size == 0) return 0;
    std::uint64_t end = storeEnd(diskHeader_);
    if (diskHeader_.committedEnd != diskHeader_.logEnd || size <= end) return 0;
    return file_->truncate(end);
}

} // namespace zv::storage
