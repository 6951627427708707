// The native file's commit in two phases with its redo log, and the recovery
// of a commit that was interrupted.
//
// A commit writes its log L beyond the page store and the header naming it,
// and flushes once: from then on it stands. Transactions and big commits then
// copy L's pages to their places, flush, and end with a header naming no log.
// A small commit by commit() leaves its pages in L instead, and the header
// keeps naming it: a window (kLogWindow in the header). The next small commit
// writes its log right after L and a header naming every log of the window,
// whose other fields describe the state the first log starts from, and
// flushes once. Only the newest log of a window can be torn, each older one
// was flushed before a header named the next; recovery rolls the logs forward
// in order up to the newest whole one. Readers find a window's pages in its
// logs (logMap_), so no page is written at its place while the window stands,
// and every page a window's logs hold lies below the window.
//
// A window ends when a commit does not fit (its log is too big, the window
// would reach too far, the store grows into it, another process wrote the
// header) and when the file is closed: its pages are copied to their places,
// flushed, and a header naming no log is written; until the next flush makes
// that header durable, no log may be written over the window. A window
// starts a little beyond the store, so that the store may grow for a while
// below it, and its logs go into room the file was given ahead: a flush that
// must also make a new size of the file durable takes about twice as long.
#include "storage/native_file.h"

#include "storage/coding.h"
#include "storage/log_seal.h"
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

// Reads the log that `disk` names: own offset -> log position in `map`, the
// new header in `newHeader`. False when the log is not whole: a sealed log
// whose seal does not match, or one whose pages do not read back. A log
// written before logs were sealed was flushed before it was named, so damage
// there is an inconsistency of the file (36 in `rc`).
bool NativeFile::readLog(const qtf::FileHeader& disk, std::map<std::uint64_t, std::uint64_t>* map,
                         qtf::FileHeader* newHeader, int* rc, std::uint64_t pageLimit) {
    *rc = 0;
    const std::uint64_t logStart = disk.committedEnd, logEnd = disk.logEnd;
    if (logEnd - logStart < qtf::kHeaderSize || (logEnd - logStart) % qtf::kUnit) {
        *rc = fail(__LINE__);
        return false;
    }
    std::uint8_t hb[qtf::kHeaderSize];
    std::size_t got = 0;
    if ((*rc = readAt(logEnd - qtf::kHeaderSize, hb, sizeof hb, &got))) return false;
    // A torn log can end in anything; only a header that decodes tells more.
    if (got != sizeof hb || getLe32(hb) != 0 || !qtf::decodeHeader(hb, newHeader)) return false;
    const bool sealed = isSealed(hb);
    if (!sealed && newHeader->committedEnd != logStart) return false; // left by another log
    if (pageLimit && !sealed) return false;                           // a window's logs are sealed
    // The new state follows the one the naming header shows.
    if (newHeader->changeCounter != disk.changeCounter + 1) return false;
    RegionTable newRegions(newHeader->regionStart, newHeader->regionEnd);
    if (!newRegions.check().empty()) return false;
    // A log names pages of the store it replaces, or with a seal also pages of
    // the new store's new space (copying a page beyond both could grow the
    // file without bound).
    const std::uint64_t limit =
        pageLimit ? pageLimit
                  : (sealed ? std::max(storeEnd(disk), storeEnd(*newHeader)) : storeEnd(disk));
    if (pageLimit && storeEnd(*newHeader) > pageLimit) return false;
    auto damaged = [this, sealed, rc](int line) {
        if (!sealed) *rc = fail(line);
        return false;
    };
    LogSeal seal(logStart, newHeader->changeCounter);
    std::string page;
    std::uint64_t pos = logStart;
    while (pos < logEnd - qtf::kHeaderSize) {
        std::uint8_t head[qtf::kUnit];
        if ((*rc = readAt(pos, head, sizeof head, &got))) return false;
        if (got < sizeof head) return damaged(__LINE__);
        const std::uint32_t own = getLe32(head);
        const std::size_t stored = storedSizeOf(head);
        if (stored < static_cast<std::size_t>(qtf::kPageFixed) || stored > qtf::kMaxPage)
            return damaged(__LINE__);
        const std::uint64_t step = (stored + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
        if (own < qtf::kHeaderSize || (own - qtf::kHeaderSize) % qtf::kUnit || own >= limit ||
            pos + step > logEnd - qtf::kHeaderSize)
            return damaged(__LINE__);
        if (sealed) {
            page.resize(step);
            if ((*rc = readAt(pos, page.data(), page.size(), &got))) return false;
            if (got != page.size()) return false;
            seal.add(bytes(page), page.size());
        }
        (*map)[own] = pos;
        pos += step;
    }
    if (!sealed) return true;
    seal.addHeader(hb);
    std::uint32_t low = 0, high = 0;
    seal.value(&low, &high);
    return low == getLe32(hb + qtf::hdr::kCommittedEnd) && high == getLe32(hb + qtf::hdr::kLogEnd);
}

// Where the log that starts at `pos` ends, walking its pages up to its header;
// 0 when no header comes before `end` (the log is torn).
std::uint64_t NativeFile::logEndFrom(std::uint64_t pos, std::uint64_t end, int* rc) {
    *rc = 0;
    while (pos + qtf::kHeaderSize <= end) {
        std::uint8_t head[qtf::kIoBlock];
        std::size_t got = 0;
        if ((*rc = readAt(pos, head, sizeof head, &got)) || got != sizeof head) return 0;
        if (getLe32(head) == 0) return pos + qtf::kHeaderSize; // a page never has own offset 0
        const std::size_t stored = storedSizeOf(head);
        if (stored < static_cast<std::size_t>(qtf::kPageFixed) || stored > qtf::kMaxPage) return 0;
        pos += (stored + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
    }
    return 0;
}

int NativeFile::readLogs(const qtf::FileHeader& disk, std::vector<LogRun>* logs) {
    logs->clear();
    int rc = 0;
    if (!(disk.window & qtf::kLogWindow)) {
        LogRun only;
        if (readLog(disk, &only.map, &only.header, &rc)) logs->push_back(std::move(only));
        return rc;
    }
    // A window: its logs one after the other, each following the state the
    // one before leads to. Each log before the newest was flushed before a
    // header named the next, so damage there is an inconsistency of the file;
    // the newest may be torn, and then the state before it stands.
    const std::uint64_t newest =
        disk.committedEnd +
        static_cast<std::uint64_t>(disk.window & qtf::kNewestLogMask) * qtf::kUnit;
    if (newest + qtf::kHeaderSize > disk.logEnd) return fail(__LINE__);
    qtf::FileHeader part = disk;
    std::uint64_t pos = disk.committedEnd;
    while (true) {
        const std::uint64_t end =
            pos < newest ? logEndFrom(pos, newest, &rc) : std::uint64_t{disk.logEnd};
        if (rc) return rc;
        if (end == 0) return fail(__LINE__);
        part.committedEnd = static_cast<std::uint32_t>(pos);
        part.logEnd = static_cast<std::uint32_t>(end);
        LogRun run;
        if (!readLog(part, &run.map, &run.header, &rc, disk.committedEnd)) {
            if (rc) return rc;
            if (pos < newest) return fail(__LINE__);
            return 0;
        }
        part = run.header;
        logs->push_back(std::move(run));
        if (end >= disk.logEnd) return 0;
        pos = end;
    }
}

// Whether the transaction that wrote the log is still registered in its
// control file: then the log goes, the transaction did not commit.
bool NativeFile::transactionUndone(const qtf::FileHeader& newHeader,
                                   const std::map<std::uint64_t, std::uint64_t>& map, int* rc) {
    *rc = 0;
    if (!options_.transactionCheck) return false;
    // Look at the new tree through the log for a transaction marker.
    takeHeader(newHeader);
    logMap_ = map;
    std::string payload;
    bool found = false;
    headerCurrent_ = true; // the lookup reads the new tree through the log
    *rc = get(std::string(1, static_cast<char>(qtf::kTransaction)), &payload, &found);
    headerCurrent_ = false;
    logMap_.clear();
    clearCache();
    if (*rc || !found || payload.size() < 5) return false;
    std::uint32_t number = getLe32(bytes(payload));
    std::string name = payload.substr(4);
    name = name.substr(0, name.find('\0'));
    return options_.transactionCheck(number, name, path_);
}

// Where the state the logs lead to finds each page they hold: the newest copy.
std::map<std::uint64_t, std::uint64_t> NativeFile::mergedMap(const std::vector<LogRun>& logs) {
    std::map<std::uint64_t, std::uint64_t> merged;
    for (const LogRun& log : logs)
        for (const auto& [own, at] : log.map)
            merged[own] = at;
    return merged;
}

// Copies a log's pages to their places; `limit`: where the pages must end.
int NativeFile::replayLog(const LogRun& log, std::uint64_t limit) {
    const RegionTable regions(log.header.regionStart, log.header.regionEnd);
    for (const auto& [own, at] : log.map) {
        const int cls =
            regions.classOf(static_cast<std::uint32_t>((own - qtf::kHeaderSize) / qtf::kUnit));
        const std::uint64_t size = static_cast<std::uint64_t>(cls) * qtf::kUnit;
        if (cls == 0 || own + size > limit) return fail(__LINE__);
        std::string page(static_cast<std::size_t>(size), '\0');
        std::size_t n = 0;
        if (int rc = readAt(at, page.data(), page.size(), &n)) return rc;
        if (n != page.size()) return fail(__LINE__);
        writeAt(own, page);
    }
    return 0;
}

int NativeFile::recover(const qtf::FileHeader& disk, bool readThrough) {
    std::vector<LogRun> logs;
    if (int rc = readLogs(disk, &logs)) return rc;
    // A log that did not reach the disk whole never stood. A window never
    // holds a transaction's commit (it takes the two-flush path).
    bool discard = logs.empty();
    if (!discard && !(disk.window & qtf::kLogWindow)) {
        int rc = 0;
        discard = transactionUndone(logs.back().header, logs.back().map, &rc);
        if (rc) return rc;
    }
    clearCache();
    window_.active = false;
    throughLogs_ = false;

    qtf::FileHeader result = discard ? disk : logs.back().header;
    result.committedEnd = result.logEnd = static_cast<std::uint32_t>(storeEnd(result));
    result.window = 0;
    if (readThrough) {
        // Read through the logs without touching the file.
        logMap_.clear();
        if (!discard) logMap_ = mergedMap(logs);
        takeHeader(result);
        throughLogs_ = true;
        // The same header bytes name the same logs: until they change, reads
        // go on through these.
        qtf::encodeHeader(disk, seenHeader_.data());
        seenHeaderValid_ = true;
        return 0;
    }
    if (options_.lockOnApply && applyLock_)
        if (int rc = applyLock_(true)) return rc;
    ioError_ = 0;
    if (!discard) {
        // The pages of a window's logs stay below it.
        const std::uint64_t limit =
            disk.window & qtf::kLogWindow ? disk.committedEnd : ~std::uint64_t{0};
        for (const LogRun& log : logs)
            if (int rc = replayLog(log, limit)) {
                if (!ioError_) ioError_ = rc;
                break;
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
        safeKnown_ = false;
        return rc;
    }
    takeHeader(result);
    safeKnown_ = true; // flushed: no log is named on disk
    safeCounter_ = result.changeCounter;
    std::copy(hdr.begin(), hdr.end(), seenHeader_.begin());
    seenHeaderValid_ = true;
    return 0;
}

// ---------------------------------------------------------------------------
// Commit

// Bytes written in ascending order of place: neighbours go to the file in one
// write of at most kMostBytes.
class NativeFile::JoinedWrites {
public:
    explicit JoinedWrites(NativeFile& file) : file_(file) {}
    void add(std::uint64_t at, std::string_view bytes) {
        if (!run_.empty() && (at != start_ + run_.size() || run_.size() >= kMostBytes)) finish();
        if (run_.empty()) start_ = at;
        run_.append(bytes);
    }
    // A page at its place, its own offset set to that place.
    void addPage(std::uint64_t own, std::string_view page) {
        add(own, page);
        putLe32(reinterpret_cast<std::uint8_t*>(run_.data()) + (run_.size() - page.size()) +
                    qtf::pg::kOwnOffset,
                static_cast<std::uint32_t>(own));
    }
    void finish() {
        if (!run_.empty()) file_.writeAt(start_, run_);
        run_.clear();
    }

private:
    static constexpr std::size_t kMostBytes = std::size_t{1} << 20;
    NativeFile& file_;
    std::uint64_t start_ = 0;
    std::string run_;
};

std::vector<NativeFile::Page*> NativeFile::changedInOrder() const {
    std::vector<Page*> pages(changed_.begin(), changed_.end());
    std::sort(pages.begin(), pages.end(),
              [](const Page* a, const Page* b) { return a->number < b->number; });
    return pages;
}

bool NativeFile::encodeHome(const Page& page, std::string* out) {
    if (page.level == 0) {
        switch (encodeKeptLeaf(
            page.entries, static_cast<std::uint16_t>(std::min(page.sizeBound, 0xFFFF)), 0, out)) {
        case KeptEncode::Done:
            return true;
        case KeptEncode::TooLarge:
            return false;
        case KeptEncode::Unpacked:
            break;
        }
    }
    thread_local std::vector<std::string> scratch;
    thread_local PageView view;
    viewOf(page, &scratch, &view);
    return encodePage(view, 0, out);
}

std::string* NativeFile::encoded(const Page& page, EncodedPages* encoded) {
    Encoded& e = (*encoded)[&page];
    if (e.bytes.empty() || e.version != page.version) {
        if (page.spill && page.spill->version == page.version) {
            // Its bytes wait in the scratch file.
            if (!readSpill(page, &e.bytes)) {
                e.bytes.clear();
                return nullptr;
            }
            e.version = page.version;
            return &e.bytes;
        }
        if (!encodeHome(page, &e.bytes)) {
            e.bytes.clear();
            return nullptr;
        }
        e.version = page.version;
    }
    return &e.bytes;
}

void NativeFile::readSpills(EncodedPages* encoded) {
    if (!scratch_) return;
    std::vector<const Page*> waiting;
    for (const Page* p : changed_) {
        if (!p->spill || p->spill->version != p->version) continue;
        const auto e = encoded->find(p);
        if (e != encoded->end() && !e->second.bytes.empty() && e->second.version == p->version)
            continue;
        waiting.push_back(p);
    }
    std::sort(waiting.begin(), waiting.end(),
              [](const Page* a, const Page* b) { return a->spill->at < b->spill->at; });
    std::string run;
    for (std::size_t i = 0; i < waiting.size();) {
        const std::uint64_t from = waiting[i]->spill->at;
        std::uint64_t to = from + waiting[i]->spill->size;
        std::size_t j = i + 1;
        for (; j < waiting.size(); ++j) {
            const Page::Spill& next = *waiting[j]->spill;
            if (next.at < to || next.at - to > kSpillGap ||
                next.at + next.size - from > kScratchRun)
                break;
            to = next.at + next.size;
        }
        run.resize(static_cast<std::size_t>(to - from));
        std::size_t got = 0;
        if (scratch_->read(from, run.data(), run.size(), &got) == 0 && got == run.size()) {
            for (std::size_t k = i; k < j; ++k) {
                const Page* p = waiting[k];
                Encoded& e = (*encoded)[p];
                e.bytes.assign(run, static_cast<std::size_t>(p->spill->at - from), p->spill->size);
                e.version = p->version;
            }
        }
        i = j;
    }
}

// Gives every changed page a slot of the class its serialized size needs.
int NativeFile::placePages(EncodedPages* encodedPages) {
    readSpills(encodedPages);
    for (int round = 0; round < 1000; ++round) {
        // The pages without a slot of their class, smallest class first:
        // placing a page of class c moves pages of the regions above c, which
        // are best filled after it.
        std::vector<std::pair<int, Page*>> unplaced;
        for (Page* p : changedInOrder()) {
            const std::string* buf = encoded(*p, encodedPages);
            if (!buf) return fail(__LINE__);
            const int cls = static_cast<int>(buf->size() / qtf::kUnit);
            if (p->number >= 0 && regions_.classOf(static_cast<std::uint32_t>(p->number)) == cls)
                continue;
            unplaced.emplace_back(cls, p);
        }
        if (unplaced.empty()) return 0;
        std::stable_sort(unplaced.begin(), unplaced.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [cls, p] : unplaced) {
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
        }
    }
    return fail(__LINE__);
}

int NativeFile::prepare() {
    const bool single = singleFlush_ && options_.singleFlush && !options_.lockOnApply;
    singleFlush_ = false;
    preparedSingle_ = preparedContinues_ = false;
    if (broken_) return kErrNotNative;
    if (prepared_) return 0;
    if (!hasChanges()) return 0;
    if (options_.readOnly) return EBADF;
    if (!pendingCounts_.empty())
        if (int rc = settleCounters()) {
            discardChanges();
            return rc;
        }
    if (!hasChanges()) return 0; // counts that came back to where they were
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
    const std::uint64_t newEnd = storeEnd(header_);

    // Pages of the old store go to the log. Pages in new space go there too,
    // unless they are many: then they are written at their places and flushed
    // before the log is named.
    const std::vector<Page*> pages = changedInOrder();
    std::uint64_t newSpaceBytes = 0, logBytes = qtf::kHeaderSize;
    for (Page* p : pages) {
        const std::string* enc = p->number >= 0 ? encoded(*p, &encodedPages) : nullptr;
        if (!enc) {
            fail(__LINE__);
            discardChanges();
            return kErrNotNative;
        }
        if (qtf::pageOffset(static_cast<std::uint32_t>(p->number)) < oldEnd)
            logBytes += enc->size();
        else
            newSpaceBytes += enc->size();
    }
    const bool direct = newSpaceBytes > kDirectWriteBytes;
    if (!direct) logBytes += newSpaceBytes;
    const bool continues = single && !direct && continuesWindow(oldEnd, newEnd, logBytes);
    if (window_.active && !continues) endWindow();

    if (!headerOnDisk_) {
        // A new file gets its empty header first: a crash during its first
        // commit then leaves an empty native file, not an unreadable one.
        std::string empty(qtf::kHeaderSize, '\0');
        qtf::encodeHeader(onDisk, reinterpret_cast<std::uint8_t*>(empty.data()));
        writeAt(0, empty);
        flushFile();
    } else if (!safeKnown_ || diskHeader_.changeCounter != safeCounter_) {
        // Someone else committed last: the header that ended that commit may
        // not be durable yet, and its log lies where this commit writes.
        flushFile();
    }
    auto overlaps = [this](std::uint64_t from, std::uint64_t to) {
        return from < unflushedLogEnd_ && unflushedLogStart_ < to;
    };
    if (direct && overlaps(oldEnd, newEnd)) flushFile();
    std::uint64_t logStart = continues ? window_.end : std::max(newEnd, oldEnd);
    // A commit whose log may stay named in a window: such a window starts a
    // little beyond the store, which so may grow for a while before the
    // window must end.
    const bool mayKeepLog = single && !direct && logBytes <= kWindowLogBytes;
    if (!continues && mayKeepLog) logStart += kWindowGap;
    if (!continues && overlaps(logStart, logStart + logBytes)) logStart = unflushedLogEnd_;
    if (logStart + logBytes + qtf::kMaxPage > 0xFFFFFFFFull) {
        discardChanges();
        return EFBIG;
    }
    header_.committedEnd = header_.logEnd = static_cast<std::uint32_t>(logStart);
    if (mayKeepLog) makeRoom(logStart + logBytes);

    if (direct) {
        JoinedWrites writes(*this);
        for (Page* p : pages) {
            const std::uint64_t own = qtf::pageOffset(static_cast<std::uint32_t>(p->number));
            if (own < oldEnd) continue;
            writes.addPage(own, *encoded(*p, &encodedPages));
        }
        writes.finish();
        flushFile();
    }
    LogSeal seal(logStart, header_.changeCounter);
    std::uint64_t logPos = logStart;
    logged_.clear();
    JoinedWrites log(*this);
    for (Page* p : pages) {
        std::uint32_t number = static_cast<std::uint32_t>(p->number);
        std::uint64_t own = qtf::pageOffset(number);
        if (direct && own >= oldEnd) continue;
        std::string* enc = encoded(*p, &encodedPages);
        if (!enc ||
            enc->size() / qtf::kUnit != static_cast<std::size_t>(regions_.classOf(number))) {
            fail(__LINE__);
            discardChanges();
            return kErrNotNative;
        }
        // The log keeps the bytes (for apply); the page is not encoded again.
        std::string buf = std::move(*enc);
        putLe32(reinterpret_cast<std::uint8_t*>(buf.data()) + qtf::pg::kOwnOffset,
                static_cast<std::uint32_t>(own));
        seal.add(bytes(buf), buf.size());
        log.add(logPos, buf);
        logPos += buf.size();
        logged_.emplace_back(own, std::move(buf));
    }
    // The log ends with the new header, sealed.
    std::string hdr(qtf::kHeaderSize, '\0');
    auto* h = reinterpret_cast<std::uint8_t*>(hdr.data());
    qtf::encodeHeader(header_, h);
    seal.addHeader(h);
    std::uint32_t low = 0, high = 0;
    seal.value(&low, &high);
    putLe32(h + qtf::hdr::kCommittedEnd, low);
    putLe32(h + qtf::hdr::kLogEnd, high);
    log.add(logPos, hdr);
    log.finish();
    logPos += hdr.size();
    const bool keepsLog =
        continues || (single && !direct && startsWindow(logStart, oldEnd, newEnd, logBytes));
    // The old header names the log; one flush makes both durable, and from
    // then on the commit stands. Readers in other processes must not read the
    // header while it is being written. A commit that goes on with a window
    // names all of its logs.
    if (continues) {
        onDisk = window_.base;
        onDisk.committedEnd = static_cast<std::uint32_t>(window_.start);
        onDisk.window =
            static_cast<std::uint16_t>(qtf::kLogWindow | (logStart - window_.start) / qtf::kUnit);
    } else {
        onDisk.committedEnd = static_cast<std::uint32_t>(logStart);
        onDisk.window = keepsLog ? qtf::kLogWindow : 0;
    }
    onDisk.logEnd = static_cast<std::uint32_t>(logPos);
    qtf::encodeHeader(onDisk, h);
    std::copy(h, h + qtf::kHeaderSize, preparedBytes_.begin());
    const bool lockHeader = options_.lockOnApply && applyLock_;
    if (lockHeader && !ioError_)
        if (int rc = applyLock_(true)) ioError_ = rc;
    writeAt(0, hdr);
    if (lockHeader) applyLock_(false);
    flushFile();
    if (int rc = ioError_) {
        // Either header may be on disk: the next access rolls forward.
        ioError_ = 0;
        safeKnown_ = false;
        window_.active = false;
        discardChanges();
        return rc;
    }
    headerOnDisk_ = true;
    preparedHeader_ = header_;
    preparedHeader_.committedEnd = preparedHeader_.logEnd = static_cast<std::uint32_t>(newEnd);
    preparedLogStart_ = logStart;
    preparedLogEnd_ = logPos;
    preparedContinues_ = continues;
    preparedSingle_ = keepsLog;
    prepared_ = true;
    return 0;
}

// A commit goes on with the window when its log fits right after the
// window's newest log, the window stays within kWindowBytes, and every page it
// places lies below the window.
bool NativeFile::continuesWindow(std::uint64_t oldEnd, std::uint64_t newEnd,
                                 std::uint64_t logBytes) const {
    const std::uint64_t store = std::max(oldEnd, newEnd);
    return window_.active && headerOnDisk_ && safeKnown_ &&
           diskHeader_.changeCounter == safeCounter_ && logBytes <= kWindowLogBytes &&
           store <= window_.start && window_.end + logBytes <= window_.start + kWindowBytes &&
           window_.end + logBytes + qtf::kMaxPage <= 0xFFFFFFFFull;
}

// A commit that starts a window leaves its log named: small, and near the store.
bool NativeFile::startsWindow(std::uint64_t logStart, std::uint64_t oldEnd, std::uint64_t newEnd,
                              std::uint64_t logBytes) const {
    const std::uint64_t store = std::max(oldEnd, newEnd);
    return logBytes <= kWindowLogBytes && logStart >= store &&
           logStart + logBytes <= store + kWindowReach;
}

// Copies the pages of the window's logs to their places. A copy whose place
// is no slot of its class in the state the window leads to holds no page of
// that state (the page moved on, and a page placed there since was logged
// after it): it stays out, so the copies left never overlap and go to the
// file in order of place.
void NativeFile::copyWindowHome() {
    if (logMap_.empty()) return;
    const std::uint64_t from = window_.start, to = window_.end;
    std::string logs(static_cast<std::size_t>(to - from), '\0');
    std::size_t got = 0;
    if (int rc = readAt(from, logs.data(), logs.size(), &got); rc || got != logs.size()) {
        if (!ioError_) ioError_ = rc ? rc : fail(__LINE__);
        return;
    }
    const RegionTable regions(diskHeader_.regionStart, diskHeader_.regionEnd);
    JoinedWrites writes(*this);
    for (const auto& [own, at] : logMap_) {
        const std::size_t stored =
            at >= from && at + qtf::kPageFixed <= to ? storedSizeOf(bytes(logs) + (at - from)) : 0;
        const std::size_t size = (stored + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
        if (stored < static_cast<std::size_t>(qtf::kPageFixed) || at + size > to) {
            if (!ioError_) ioError_ = fail(__LINE__);
            return;
        }
        const auto number = static_cast<std::uint32_t>((own - qtf::kHeaderSize) / qtf::kUnit);
        if (static_cast<std::size_t>(regions.classOf(number)) * qtf::kUnit != size) continue;
        writes.addPage(own,
                       std::string_view(logs).substr(static_cast<std::size_t>(at - from), size));
    }
    writes.finish();
}

// Ends the window: its pages go to their places and are flushed, then a
// header naming no log is written without a flush, as a commit with two
// flushes ends; the window stays whole until the next flush (see
// unflushedLogStart_).
void NativeFile::endWindow() {
    window_.active = false;
    copyWindowHome();
    flushFile();
    if (ioError_) return; // the window stays named: the next access rolls it forward
    writeRestingHeader();
    logMap_.clear();
    unflushedLogStart_ = window_.start;
    unflushedLogEnd_ = window_.end;
}

// Writes the header of the committed state, naming no log (without a flush).
void NativeFile::writeRestingHeader() {
    qtf::FileHeader h = diskHeader_;
    h.committedEnd = h.logEnd = static_cast<std::uint32_t>(storeEnd(h));
    h.window = 0;
    std::string hdr(qtf::kHeaderSize, '\0');
    qtf::encodeHeader(h, reinterpret_cast<std::uint8_t*>(hdr.data()));
    writeAt(0, hdr);
}

// The commit's log stays named: the window now ends with it, and its pages
// are read from it.
void NativeFile::keepWindow() {
    if (!preparedContinues_) {
        window_.start = preparedLogStart_;
        window_.base = diskHeader_;
    }
    std::uint64_t at = preparedLogStart_;
    for (const auto& [own, data] : logged_) {
        logMap_[own] = at;
        at += data.size();
    }
    window_.end = preparedLogEnd_;
    window_.bytes = preparedBytes_;
    window_.active = true;
    seenHeader_ = preparedBytes_;
    seenHeaderValid_ = true;
}

int NativeFile::apply() {
    if (!prepared_) return 0;
    prepared_ = false;
    int lockRc = 0;
    if (options_.lockOnApply && applyLock_) lockRc = applyLock_(true);
    if (lockRc == 0 && !preparedSingle_) {
        // A window's pages stay in its logs.
        JoinedWrites writes(*this);
        for (const auto& [own, data] : logged_)
            writes.addPage(own, data);
        writes.finish();
        endCommit();
    }
    if (lockRc == 0 && options_.lockOnApply && applyLock_) applyLock_(false);
    if (ioError_ || lockRc) {
        logged_.clear();
        // The log is in force: the commit stands and the next access rolls it
        // forward. Forget what is cached so that access rereads the file.
        ioError_ = 0;
        safeKnown_ = false;
        window_.active = false;
        discardChanges();
        return 0;
    }
    safeKnown_ = true;
    safeCounter_ = preparedHeader_.changeCounter;
    if (preparedSingle_) {
        keepWindow();
    } else {
        unflushedLogStart_ = preparedLogStart_;
        unflushedLogEnd_ = preparedLogEnd_;
    }
    logged_.clear();
    header_ = preparedHeader_;
    diskHeader_ = preparedHeader_;
    headerChanged_ = false;
    // The room edits left in a few pages is small; the next commits would
    // only take it again.
    const bool shrink = changed_.size() > kKeptRoomPages;
    for (Page* p : changed_) {
        if (p->spilled) {
            // Its bytes are where they belong now; read from there when needed.
            forgetPage(p);
            dropFromCount(*p);
            cache_.erase(p->number);
            continue;
        }
        // Edits leave room in a page's entries; kept in the cache it is not used.
        if (shrink) p->entries.shrink();
        p->spill.reset();
        p->memoryVersion = ~std::uint64_t{0};
        remeasure(*p);
        p->changed = false;
    }
    changed_.clear();
    scratchEnd_ = 0;
    nextTemp_ = -1;
    return 0;
}

// Flushes the pages copied from the log, then ends the commit with a header
// naming no log, without a flush: should this header not reach the disk, the
// log it replaces is rolled forward again, so that log stays whole until a
// flush (see the next prepare).
void NativeFile::endCommit() {
    if (!logged_.empty()) flushFile();
    std::string hdr(qtf::kHeaderSize, '\0');
    qtf::encodeHeader(preparedHeader_, reinterpret_cast<std::uint8_t*>(hdr.data()));
    writeAt(0, hdr);
}

int NativeFile::commit() {
    singleFlush_ = true;
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
    // A window's pages are read from its logs: the next access reads them
    // again from the header on disk.
    logMap_.clear();
    window_.active = false;
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
    safeKnown_ = false;
    discardChanges();
    return rc;
}

int NativeFile::endLogWindow() {
    if (!window_.active || options_.readOnly || broken_) return 0;
    ioError_ = 0;
    endWindow();
    flushFile();
    const int rc = ioError_;
    ioError_ = 0;
    if (rc) safeKnown_ = false;
    return rc;
}

int NativeFile::truncateToStore() {
    if (options_.readOnly || prepared_ || hasChanges()) return 0;
    if (int rc = beginAccess()) return rc;
    if (int rc = endLogWindow()) return rc;
    std::uint64_t size = 0;
    if (int rc = file_->size(&size)) return rc;
    if (size == 0) return 0;
    std::uint64_t end = storeEnd(diskHeader_);
    if (diskHeader_.committedEnd != diskHeader_.logEnd || size <= end) return 0;
    // The header that ended the last commit (this process's or another's)
    // must be durable before the log it replaced goes.
    ioError_ = 0;
    flushFile();
    if (int rc = ioError_) {
        ioError_ = 0;
        return rc;
    }
    roomEnd_ = 0;
    return file_->truncate(end);
}

void NativeFile::makeRoom(std::uint64_t end) {
    if (end <= roomEnd_) return;
    std::uint64_t size = 0;
    if (file_->size(&size)) return;
    roomEnd_ = size;
    if (size >= end) return;
    // Nothing lies past the end of the file: zeros there harm no log, named
    // or not. The room is an aid only; a write that fails leaves it smaller.
    static const std::string zeros(kRoomAhead, '\0');
    const std::uint64_t target = (end + kRoomAhead) / kRoomAhead * kRoomAhead;
    for (std::uint64_t at = size; at < target;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(target - at, kRoomAhead));
        if (file_->write(at, zeros.data(), n)) return;
        at += n;
        roomEnd_ = at;
    }
}

} // namespace zv::storage
