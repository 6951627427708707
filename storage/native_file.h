// The native record file: one open ".QTF" file with its cached header, its
// page cache and the single ordered tree (a B+-tree) that holds every record of
// every table of the file, ordered by key. Commits are atomic on disk through a
// redo log written beyond the page store. A small commit flushes once and its
// pages stay in its log, one of a window of logs the header names, until the
// window ends (see native_file_commit.cpp).
//
// Invariants of the tree and the cache:
//  1. Every record lies in a leaf (level 0); records in a page are in ascending
//     key order, and every key of a page is below every key of the next page.
//  2. An index page (level > 0) holds, for each child, a copy of the child's
//     first key; its children are one level lower. Only the root may be empty.
//  3. A cached page numbered n >= 0 shadows slot n of the file; a page whose
//     number changed since the last commit is in the cache and marked changed.
//     Pages created since the last commit carry negative numbers. A changed
//     leaf may keep its records in the scratch file until it is looked up.
//  4. Each page's size bound is at least its expanded size.
//  5. On disk, the pages below the committed end are never overwritten until a
//     complete redo log of the commit has been flushed and the header names it.
//
// Thread rule: one thread at a time (the driver's rule). Errors: 0, an
// operating-system error number from the file, 5 for a short write, 36 for a
// file that is not native or whose contents are inconsistent (after the
// "Runtime error" handler has run), 40 for an insert of an existing key.
#pragma once

#include "platform/file_io.h"
#include "platform/head_view.h"
#include "storage/numbered_map.h"
#include "storage/page_codec.h"
#include "storage/page_entries.h"
#include "storage/qtf_format.h"
#include "storage/region_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zv::storage {

constexpr int kErrNotNative = 36;
constexpr int kErrDuplicate = 40;
// A shared file shows an interrupted commit while its user does not hold the
// lock that keeps every other process out: take that lock and access again.
// (A window of logs of commits that took one flush is read through instead.)
constexpr int kErrLogInForce = 0x10000;

// Figures of `zevlon-tool stats`.
struct FileStats {
    std::array<int, 60> pagesPerClass{};
    int depth = 0;
    std::uint64_t records = 0;
    std::uint64_t fileBytes = 0;
    std::uint64_t storedBytes = 0;   // sum of stored sizes
    std::uint64_t expandedBytes = 0; // sum of expanded sizes
};

class NativeFile {
public:
    // Asked at recovery: is transaction `number` still registered in the control
    // file `controlFile` (named in the marker of the file at `dataPath`)?
    using TransactionCheck = std::function<bool(
        std::uint32_t number, const std::string& controlFile, const std::string& dataPath)>;
    struct Options {
        bool readOnly = false; // never write, not even recovery
        bool shared =
            false; // others may write: the caller's lock guards each access, the first too
        bool lockOnApply = false;          // others are denied writing: apply and recovery lock
        TransactionCheck transactionCheck; // none: a log in force always rolls forward
        // commit() flushes once and leaves its pages in a window of logs (see
        // native_file_commit.cpp); false: every commit ends without a log.
        bool singleFlush = true;
        std::size_t cacheBudget = kCacheBudget; // pages beyond it go (see kCacheBudget)
    };
    // Takes (true) or releases (false) the exclusive file lock around apply and
    // recovery when the file is open with lock-on-apply; returns 0 or an error.
    using ApplyLock = std::function<int(bool take)>;

    // Opens (and with `create` creates) the file and reads its header: 36 when
    // it is not a native file, the system error when it cannot be opened. A
    // shared file's header is read at its first access instead.
    [[nodiscard]] static int open(platform::FileSystem& fs, const std::string& path, bool create,
                                  const Options& options, std::unique_ptr<NativeFile>* out);
    ~NativeFile();
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    const std::string& path() const { return path_; }
    platform::File& file() { return *file_; }
    const Options& options() const { return options_; }
    void setApplyLock(ApplyLock lock) { applyLock_ = std::move(lock); }

    // Makes the cached header current (once per driver operation): rereads the
    // header, drops the cache when another process committed, recovers an
    // interrupted commit. endAccess() ends the operation.
    [[nodiscard]] int beginAccess();
    // For a shared file: whether the caller now holds the lock that keeps every
    // other process out. Only then is an interrupted commit rolled forward:
    // others holding a lock that lets them read could otherwise meet the file
    // half rolled forward.
    void setExclusive(bool held) { exclusive_ = held; }
    void endAccess() {
        headerCurrent_ = false;
        cachedRead_ = false;
        missedPage_ = false;
    }
    // Starts a reading operation that needs no call lock: allowed when nothing
    // is pending and the file shows the very header bytes last found sound, so
    // that no commit happened since the cached pages were read. A page that is
    // not cached is read and kept only when the file still shows that header
    // afterwards; otherwise the operation fails with missedPage() set, and the
    // caller repeats it under the call lock.
    // False: the caller takes the call lock and calls beginAccess().
    [[nodiscard]] bool beginCachedRead();
    // Between two operations that keep the header current (a transaction
    // under the lock that keeps every other process out): the cache is
    // brought back to its budget, as at the start of an access.
    void betweenOperations() {
        if (headerCurrent_) trimCache();
    }
    bool missedPage() const { return missedPage_; }

    // Lookups. `found` tells whether a record answered; `out` receives it.
    [[nodiscard]] int get(const std::string& key, std::string* payload, bool* found);
    [[nodiscard]] int floor(const std::string& key, PageRecord* out, bool* found);
    [[nodiscard]] int predecessor(const std::string& key, PageRecord* out, bool* found);
    [[nodiscard]] int successor(const std::string& key, PageRecord* out, bool* found);
    // First record whose key is >= key.
    [[nodiscard]] int ceiling(const std::string& key, PageRecord* out, bool* found);

    // Changes, pending until commit. REQUIRES: key 1..kMaxKey bytes and key plus
    // payload at most kMaxRecord bytes (else 36 through the internal-error path).
    [[nodiscard]] int insert(const std::string& key, const std::string& payload);
    [[nodiscard]] int replace(const std::string& key, const std::string& payload, bool* found);
    // Changes the payload of `key` in place, with one descent of the tree.
    [[nodiscard]] int update(const std::string& key,
                             const std::function<void(std::string* payload)>& change, bool* found);
    [[nodiscard]] int remove(const std::string& key, bool* found);
    // Removes `key` only when its payload is `payload`, with one descent.
    [[nodiscard]] int removeHolding(const std::string& key, std::string_view payload,
                                    bool* removed);
    [[nodiscard]] int removePrefix(const std::string& prefix);
    // Whether any record's key starts with `prefix`. The answer is kept for a
    // few prefixes until a change could alter it: asked again (as every read of
    // a record asks whether its table holds memos at all), it takes no lookup.
    [[nodiscard]] int anyWithPrefix(const std::string& prefix, bool* any);
    // Adds `delta` to the counter in the first four bytes (little-endian) of
    // the payload of `key`; an absent record starts as eight zero bytes. The
    // addition waits until anything looks at that record, or at a range of
    // records, or until the commit: counts kept for every change of a record
    // are so written once per transaction.
    void addToCounter(const std::string& key, int delta);
    // Increments the last issued number and returns it (big-endian bytes).
    [[nodiscard]] int nextNumber(std::array<std::uint8_t, 4>* number);
    std::array<std::uint8_t, 4> lastNumber() const { return header_.lastNumber; }
    // The cached header's change counter (current after beginAccess()).
    std::uint32_t changeCounter() const { return header_.changeCounter; }
    // Raises the last issued number to `number` when it is lower.
    void raiseLastNumber(const std::array<std::uint8_t, 4>& number);

    // Commit: prepare writes the redo log and puts it in force; apply copies it
    // to its place. commit() runs both. A failed prepare drops the pending
    // changes so the next access sees the file as last committed.
    [[nodiscard]] int prepare();
    [[nodiscard]] int apply();
    [[nodiscard]] int commit();
    // Drops the pending changes and every cached page.
    void discardChanges();
    // Drops a prepared log that was not applied (a failed multi-file commit):
    // the file stays in its old state.
    [[nodiscard]] int discardPrepared();
    bool hasChanges() const;
    // Test hook: whether the count of changed pages agrees with the pages' marks.
    bool changeCountAgrees() const;
    // Test hook: whether the cache's byte count is the sum of its pages' shares,
    // each unchanged page's share its size.
    bool cacheBytesAgree() const;
    // Test hook: the bytes the cached pages held when each was last measured.
    std::size_t cacheBytes() const { return countedBytes_; }
    // Test hook: the changed pages that wait in the scratch file.
    std::size_t spilledPages() const;
    bool prepared() const { return prepared_; }

    // Truncates the file to the end of its page store (no commit pending).
    [[nodiscard]] int truncateToStore();
    // Ends the log window of the last commits, if any: the file then names no
    // log, durably (for a clean close; truncateToStore does it too).
    [[nodiscard]] int endLogWindow();
    bool hasLogWindow() const { return window_.active; }

    // Verifies every invariant of the committed file on disk; the first
    // violation as text, empty when the file is sound. Fills `stats` when given.
    std::string check(FileStats* stats = nullptr);

    // Memory the page cache may hold between operations: past it, the pages
    // used longest ago go. An unchanged page is dropped; a changed leaf waits
    // for the commit in a scratch file (changed index pages stay).
    static constexpr std::size_t kCacheBudget = std::size_t{32} << 20;
    // The most memory the page caches of all open files held together, as
    // measured between operations (for benchmarks).
    static std::size_t cachePeakBytes();

private:
    static constexpr std::int64_t kNoPage = -0x7FFFFFFF; // no tree yet
    // A commit whose pages in new space take more than this writes them at
    // their places, with a flush of their own, instead of through the log.
    static constexpr std::uint64_t kDirectWriteBytes = std::uint64_t{1} << 20;
    // One-flush commits: their logs are at most kWindowLogBytes, a window
    // starts at most kWindowReach beyond the page store and holds at most
    // kWindowBytes of logs.
    static constexpr std::uint64_t kWindowLogBytes = std::uint64_t{256} << 10;
    static constexpr std::uint64_t kWindowReach = std::uint64_t{4} << 20;
    static constexpr std::uint64_t kWindowBytes = std::uint64_t{1} << 20;
    // ... and it starts kWindowGap beyond the store (see prepare).
    static constexpr std::uint64_t kWindowGap = std::uint64_t{128} << 10;
    static_assert(kWindowGap + kWindowLogBytes <= kWindowReach);
    static_assert(kWindowBytes / qtf::kUnit <= qtf::kNewestLogMask);

    struct Page {
        std::int64_t number = 0; // >= 0 a slot of the file, < 0 not yet placed
        std::uint8_t level = 0;
        PageEntries entries;
        int sizeBound = qtf::kPageFixed;
        bool changed = false;
        std::size_t changedAt = 0; // its place in changed_ while changed
        std::uint64_t version = 0; // raised by every change (see markChanged)
        std::uint64_t lastUse = 0; // the use clock when last looked up
        std::size_t memory = 0;    // bytes held, as measured at version memoryVersion
        std::uint64_t memoryVersion = ~std::uint64_t{0};
        std::size_t counted = 0; // bytes it adds to countedBytes_
        // Index pages: the children last looked up, by entry, while no cached
        // page has gone away since dropEpoch `belowEpoch`.
        std::vector<Page*> below;
        std::uint64_t belowEpoch = 0;
        // A changed leaf whose bytes lie in the scratch file: while `spilled`,
        // its entries are empty and read back at its next lookup. The bytes
        // stay good for the commit as long as the page's version is theirs.
        struct Spill {
            std::uint64_t at = 0;
            std::uint32_t size = 0;
            std::uint64_t version = 0;
            std::string firstKey;
        };
        std::unique_ptr<Spill> spill;
        bool spilled = false;
        // Its place in the order of use (see uses_), none while spilled.
        Page* older = nullptr;
        Page* newer = nullptr;

        Page() = default;
        Page(const Page&) = delete;
        Page& operator=(const Page&) = delete;
        ~Page() { leaveUses(); }
        void leaveUses() {
            if (older) older->newer = newer;
            if (newer) newer->older = older;
            older = newer = nullptr;
        }
    };
    // A changed page serialized while the commit places pages: its bytes stay
    // good for the write as long as the page's version is unchanged.
    struct Encoded {
        std::uint64_t version = 0;
        std::string bytes; // own offset 0
    };
    using EncodedPages = std::unordered_map<const Page*, Encoded>;
    struct Step {
        Page* page;
        std::size_t it; // index pages: the position of the entry descended
    };

    NativeFile(std::string path, std::unique_ptr<platform::File> file, const Options& options);

    int fail(int line);
    int readAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got);
    void writeAt(std::uint64_t offset, const std::string& bytes);
    // Makes what was written durable (and so the header that ended the last
    // commit: its log is free again).
    void flushFile();

    // Whether the file shows the header bytes last found sound (seenHeader_).
    bool headerUnchanged();
    void takeHeader(const qtf::FileHeader& h);
    int validateHeader(const qtf::FileHeader& h, std::uint64_t fileSize);
    // Rolls the logs the header `disk` names forward, or with `readThrough`
    // only reads the file through them.
    int recover(const qtf::FileHeader& disk, bool readThrough);
    // A log that rolls forward: own offset -> log position, and the header of
    // the state it leads to.
    struct LogRun {
        std::map<std::uint64_t, std::uint64_t> map;
        qtf::FileHeader header;
    };
    // The whole logs that the header `disk` names, oldest first (none: the
    // state `disk` describes stands).
    int readLogs(const qtf::FileHeader& disk, std::vector<LogRun>* logs);
    int replayLog(const LogRun& log, std::uint64_t limit);
    static std::map<std::uint64_t, std::uint64_t> mergedMap(const std::vector<LogRun>& logs);
    bool transactionUndone(const qtf::FileHeader& newHeader,
                           const std::map<std::uint64_t, std::uint64_t>& map, int* rc);
    // Whether this commit may take one flush: where its log goes, and the
    // header that names it.
    bool continuesWindow(std::uint64_t oldEnd, std::uint64_t newEnd, std::uint64_t logBytes) const;
    bool startsWindow(std::uint64_t logStart, std::uint64_t oldEnd, std::uint64_t newEnd,
                      std::uint64_t logBytes) const;
    void endWindow();
    void copyWindowHome();
    class JoinedWrites;
    std::uint64_t logEndFrom(std::uint64_t pos, std::uint64_t end, int* rc);
    // A commit that may take one flush writes its log into room the file
    // already has, up to `end`: a flush that must also make a new size of the
    // file durable takes about twice as long. Past the end of the file, room
    // is made up to the next multiple of kRoomAhead beyond `end`, with zeros
    // that the commit's flush makes durable.
    void makeRoom(std::uint64_t end);
    static constexpr std::uint64_t kRoomAhead = std::uint64_t{1} << 20;
    // A commit of at most this many pages leaves them the room edits made in
    // their entries; a bigger one gives it back.
    static constexpr std::size_t kKeptRoomPages = 16;
    void writeRestingHeader();
    void keepWindow();
    void endCommit();
    // `pageLimit` (0: none): where the pages of a window's log must end.
    bool readLog(const qtf::FileHeader& disk, std::map<std::uint64_t, std::uint64_t>* map,
                 qtf::FileHeader* newHeader, int* rc, std::uint64_t pageLimit = 0);
    int finishBeginAccess();
    int ensureRoot();

    // The page numbered `number`, read from the file when not cached; `cls` is
    // its size class when the region tables no longer show it (during a move).
    Page* getPage(std::int64_t number, int cls = 0);
    // A page of the cache, its entries read back when it was spilled.
    Page* present(Page* page);
    // Fills a new page's entries from its bytes `buf` (of size class `cls`).
    bool decodeInto(Page* page, const std::string& buf, int cls, std::uint64_t ownOffset);
    // Drops unchanged pages and writes changed leaves to the scratch file,
    // those used longest ago first, until the cache holds about `target` bytes.
    void letPagesGo(std::size_t target);
    void markSpilled(Page* page);
    static constexpr std::size_t kScratchRun = std::size_t{1} << 20;
    bool readSpill(const Page& page, std::string* buf);
    // The first key of a page, spilled or not (unpacked into `scratch`).
    static std::string_view firstKeyOf(const Page& page, std::string* scratch) {
        return page.spilled ? std::string_view(page.spill->firstKey) : page.entries.key(0, scratch);
    }
    Page* newPage(std::uint8_t level);
    // The child named by entry `it` of index page `page`.
    Page* childPage(Page* page, std::size_t it);
    int descend(const std::string& key, std::vector<Step>* path);
    // A leaf read lately whose first and last keys enclose `key` (strictly
    // above the first / below the last when asked). All keys between a leaf's
    // first and last key are in that leaf, so such a leaf answers for `key`
    // without a descent from the root.
    Page* leafHolding(const std::string& key, bool aboveFirst, bool belowLast);
    void rememberLeaf(Page* leaf);
    int leafFor(const std::string& key, Page** leaf);
    // A cached page goes away: the remembered leaves may dangle.
    void forgetPages();
    // Forgets where `page` was remembered, before it goes or changes its number.
    void forgetPage(const Page* page);
    int edgeRecord(std::int64_t page, bool first, PageRecord* out);
    int neighbour(const std::string& key, bool forward, bool inclusive, PageRecord* out,
                  bool* found);
    // neighbour() without the counters waiting (see addToCounter).
    int nearest(const std::string& key, bool forward, bool inclusive, PageRecord* out, bool* found);
    Page* findParent(Page* child, std::size_t* entry);
    // The index page below page that names child, searched by child number.
    Page* findParentByNumber(Page* page, Page* child, std::size_t* entry, int depth);
    int movePage(Page* page, std::int64_t to);
    int applyMoves(const std::vector<RegionTable::Move>& moves);
    int freePage(Page* page);
    // Marks a page changed; every change of a page goes through here.
    void markChanged(Page* page);
    int splitIfNeeded(Page* page);
    int removeIn(Page* page, const std::string& key, bool* found);
    void removeFromLeaf(Page* leaf, const std::string& key, bool* found);
    // Takes record `it` out of a leaf; the caller keeps the index entries true.
    void eraseFromLeaf(Page* leaf, std::size_t it);
    int fixFirstKeys(std::vector<Step>& path);
    // The page's records in place; packed payloads are unpacked into `scratch`.
    // `view` is filled anew, its vectors' room kept.
    static void viewOf(const Page& page, std::vector<std::string>* scratch, PageView* view);
    // Copies a leaf record out; 36 when its payload is damaged in memory.
    int copyRecord(const Page& leaf, std::size_t i, PageRecord* out);
    // Bytes a cached page takes (measured again only after a change).
    static std::size_t pageMemory(Page& page);
    // Brings the page's share of countedBytes_ up to date; takes it out.
    void remeasure(Page& page);
    void dropFromCount(const Page& page);
    // The page's bytes as the commit writes them, with own offset 0 (set at
    // the write); false when it does not encode.
    static bool encodeHome(const Page& page, std::string* out);
    // The page's bytes with own offset 0, from `encoded` when still current.
    std::string* encoded(const Page& page, EncodedPages* encoded);
    // Puts into `encoded` the bytes of the changed pages that wait in the
    // scratch file, reading neighbours together: one read a run of pages
    // instead of one a page. A run that fails to read is left to encoded().
    void readSpills(EncodedPages* encoded);
    // A run of spilled pages takes at most this many bytes, with gaps of at
    // most kSpillGap bytes between pages (left by pages spilled again).
    static constexpr std::uint64_t kSpillGap = std::uint64_t{64} << 10;
    // The changed pages in page-number order.
    std::vector<Page*> changedInOrder() const;
    int placePages(EncodedPages* encoded);
    // Lets the pages used longest ago go once the cache nears its budget;
    // between operations only, when no page pointer is held.
    void trimCache();
    void clearCache();
    int checkKey(const std::string& key, std::size_t payload);
    // Writes the waiting additions to counters (see addToCounter): all of
    // them (settleCounters), or all when `key` has one waiting.
    [[nodiscard]] int settleCounters();
    [[nodiscard]] int settleCountersFor(const std::string& key) {
        if (pendingCounts_.empty()) return 0;
        for (const PendingCount& c : pendingCounts_)
            if (c.key == key) return settleCounters();
        return 0;
    }

    std::string path_;
    std::unique_ptr<platform::File> file_;
    Options options_;
    ApplyLock applyLock_;

    qtf::FileHeader header_;     // the cached header with pending changes
    qtf::FileHeader diskHeader_; // the header as on disk (no log in force)
    // The header bytes last read and found sound without a log in force: when
    // the file shows the same bytes again, nothing was committed meanwhile.
    std::array<std::uint8_t, qtf::kHeaderSize> seenHeader_{};
    bool seenHeaderValid_ = false;
    // The file's header as the system's page cache holds it, when the file
    // lies on this machine: whether it still shows seenHeader_ is then seen
    // without reading the file. Mapped once a sound header was seen.
    std::unique_ptr<platform::HeadView> headView_;
    bool headViewTried_ = false;
    bool cachedRead_ = false;         // the running operation reads cached pages only
    bool missedPage_ = false;         // ... and needed one that was not cached
    RegionTable regions_;             // the page store as the pending changes leave it
    std::int64_t root_ = -0x7FFFFFFF; // root page number; kNoPage: no tree yet
    bool cached_ = false;             // header_ holds a header read from the file
    bool headerCurrent_ = false;      // header checked in this driver operation
    bool exclusive_ = false;          // shared: the caller keeps every other process out
    bool headerChanged_ = false;      // the last issued number changed
    bool broken_ = false;             // an internal error was raised
    bool headerOnDisk_ = false;       // the file has a header (it was not empty)
    int ioError_ = 0;                 // first write error of the running commit
    std::int64_t nextTemp_ = -1;      // next temporary page number
    // The cached pages that may go, in the order of their last use: a ring
    // through this head, from its newer (the page used longest ago) to its
    // older (the page used last). Declared before the cache, which it outlives.
    Page uses_;
    // Notes a use of the page: it becomes the page used last.
    void touch(Page* page) {
        page->lastUse = ++useClock_;
        page->leaveUses();
        page->older = uses_.older;
        page->newer = &uses_;
        uses_.older->newer = page;
        uses_.older = page;
    }
    NumberedMap<Page> cache_;
    std::vector<Page*> changed_; // pages of cache_ marked changed (kept by markChanged)
    void noteChanged(Page* page) {
        if (page->changed) return;
        page->changed = true;
        page->changedAt = changed_.size();
        changed_.push_back(page);
    }
    std::uint64_t useClock_ = 0;    // counts page lookups, for trimCache
    std::array<Page*, 8> leaves_{}; // leaves reached lately (see leafHolding)
    std::uint64_t dropEpoch_ = 1;   // raised whenever a cached page may have gone
    // The leaf record the last neighbour lookup answered with, while its leaf
    // is unchanged: a lookup from that very key steps to the next record
    // without a search (reading in key order).
    struct Cursor {
        const Page* leaf = nullptr;
        std::uint64_t version = 0;
        std::size_t index = 0;
        std::string key; // the record's key, compared with as it is
    } cursor_;
    // Answers a neighbour lookup from the cursor; false when it cannot.
    bool stepCursor(const std::string& key, bool forward, bool inclusive, std::size_t* index);
    // Additions to counters not yet written (see addToCounter): changes, like
    // the changed pages.
    struct PendingCount {
        std::string key;
        std::int64_t delta = 0;
    };
    std::vector<PendingCount> pendingCounts_;
    // Prefixes last found to start some record's key or none (see
    // anyWithPrefix), while the records say so: an added key makes its known
    // prefixes held, a removed key forgets the held ones it falls under, and
    // dropping the cache (another process's commit, a rollback) forgets all.
    struct KnownPrefix {
        std::string prefix; // empty: a free place
        bool any = false;
    };
    std::array<KnownPrefix, 4> knownPrefixes_;
    std::size_t nextKnown_ = 0; // the place the next prefix learned takes
    void noteKeyAdded(std::string_view key) {
        for (KnownPrefix& k : knownPrefixes_)
            if (!k.prefix.empty() && key.starts_with(k.prefix)) k.any = true;
    }
    void noteKeyGone(std::string_view key) {
        for (KnownPrefix& k : knownPrefixes_)
            if (k.any && key.starts_with(k.prefix)) k.prefix.clear();
    }
    void forgetPrefixes() {
        for (KnownPrefix& k : knownPrefixes_)
            k.prefix.clear();
    }
    std::vector<Step> lookupPath_;  // the descent of a lookup or insert, kept for its room
    std::size_t trimAt_ = 0;        // bytes over which trimCache next measures
    std::size_t measuredBytes_ = 0; // the cache's bytes when trimCache last measured
    std::size_t countedBytes_ = 0;  // the cached pages' bytes, each as last measured
    std::map<std::uint64_t, std::uint64_t> logMap_; // read-only with a log in force
    // Changed leaves the cache has no room for, until the commit: opened when
    // first needed (none when it cannot be, and the leaves stay in memory).
    std::unique_ptr<platform::File> scratch_;
    bool scratchFailed_ = false;
    std::uint64_t scratchEnd_ = 0;
    // The file is known to reach at least this far (see makeRoom).
    std::uint64_t roomEnd_ = 0;
    // This handle reads another process's window through its logs: under the
    // lock that keeps every other process out, the window is rolled forward.
    bool throughLogs_ = false;

    // Prepared, not yet applied: pages logged (own offset -> bytes).
    bool prepared_ = false;
    std::vector<std::pair<std::uint64_t, std::string>> logged_;
    qtf::FileHeader preparedHeader_;
    std::uint64_t preparedLogStart_ = 0, preparedLogEnd_ = 0;

    // The header that ends a commit (no log in force) is written without a
    // flush; the next flush makes it durable. Until then the disk may still
    // hold the header naming that commit's log, so the log must stay whole.
    // `safeCounter_` is the change counter of the file when this process last
    // knew that no log but `unflushedLog*_` (empty when start == end) could
    // still be named on disk; a file at another counter was committed by
    // someone else, and a commit flushes before it writes anything.
    bool safeKnown_ = false;
    std::uint32_t safeCounter_ = 0;
    std::uint64_t unflushedLogStart_ = 0, unflushedLogEnd_ = 0;

    // One flush per commit: the window of this process's last commits, whose
    // pages stay in their logs (see native_file_commit.cpp).
    struct Window {
        bool active = false;     // the file shows `bytes`, written by this process
        std::uint64_t start = 0; // the window's first log ...
        std::uint64_t end = 0;   // ... and the end of its newest
        qtf::FileHeader base;    // the state the first log starts from
        std::array<std::uint8_t, qtf::kHeaderSize> bytes{}; // the header naming the window
    } window_;
    bool singleFlush_ = false;       // the running prepare may take one flush
    bool preparedSingle_ = false;    // ... and did: apply leaves its log named
    bool preparedContinues_ = false; // ... after the window's newest log
    std::array<std::uint8_t, qtf::kHeaderSize> preparedBytes_{}; // the header it wrote
};

} // namespace zv::storage
