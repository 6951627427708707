#include "storage/native_file.h"

#include "storage/coding.h"
#include "storage/runtime_error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>

namespace zv::storage {

namespace {

// The bytes all page caches held together when last measured, and the most.
std::atomic<std::size_t> cacheBytes{0};
std::atomic<std::size_t> cachePeak{0};

void addCacheBytes(std::size_t before, std::size_t after) {
    const std::size_t now = cacheBytes.fetch_add(after - before) + (after - before);
    std::size_t peak = cachePeak.load();
    while (now > peak && !cachePeak.compare_exchange_weak(peak, now)) {
    }
}

std::uint64_t storeEnd(const qtf::FileHeader& h) {
    return qtf::kHeaderSize +
           static_cast<std::uint64_t>(RegionTable(h.regionStart, h.regionEnd).storeUnits()) *
               qtf::kUnit;
}

} // namespace

NativeFile::NativeFile(std::string path, std::unique_ptr<platform::File> file,
                       const Options& options)
    : path_(std::move(path)), file_(std::move(file)), options_(options) {
    uses_.older = uses_.newer = &uses_;
}

NativeFile::~NativeFile() {
    // Closed, the file names no log. A shared file is closed under its lock
    // (truncateToStore); others may commit to it meanwhile.
    if (!options_.shared) (void)endLogWindow();
    addCacheBytes(measuredBytes_, 0);
}

std::size_t NativeFile::cachePeakBytes() {
    return cachePeak.load();
}

void NativeFile::remeasure(Page& page) {
    const std::size_t bytes = pageMemory(page);
    countedBytes_ += bytes - page.counted;
    page.counted = bytes;
}

void NativeFile::dropFromCount(const Page& page) {
    countedBytes_ -= page.counted;
}

std::size_t NativeFile::pageMemory(Page& page) {
    if (page.memoryVersion == page.version) return page.memory;
    // The page, its node in the cache's hash map and its records.
    std::size_t bytes =
        sizeof(Page) + 48 + page.entries.memory() + page.below.capacity() * sizeof(Page*);
    if (page.spill)
        bytes += sizeof(Page::Spill) + 16 +
                 (page.spill->firstKey.capacity() > 15 ? page.spill->firstKey.capacity() + 17 : 0);
    page.memory = bytes;
    page.memoryVersion = page.version;
    return bytes;
}

int NativeFile::open(platform::FileSystem& fs, const std::string& path, bool create,
                     const Options& options, std::unique_ptr<NativeFile>* out) {
    unsigned flags = options.readOnly ? static_cast<unsigned>(platform::OpenFlags::Read)
                                      : static_cast<unsigned>(platform::OpenFlags::ReadWrite);
    if (create && !options.readOnly) flags |= static_cast<unsigned>(platform::OpenFlags::Create);
    std::unique_ptr<platform::File> file;
    if (int rc = fs.open(path, flags, &file)) return rc;
    std::unique_ptr<NativeFile> nf(new NativeFile(path, std::move(file), options));
    if (!options.shared) {
        // A shared file is read first under the caller's lock: read here, a
        // commit of another process could be seen half done and rolled forward
        // late, over that process's next commit.
        int rc = nf->beginAccess();
        nf->endAccess();
        if (rc) return rc;
    }
    *out = std::move(nf);
    return 0;
}

int NativeFile::fail(int line) {
    internalError(line);
    broken_ = true;
    return kErrNotNative;
}

int NativeFile::readAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) {
    if (offset % qtf::kIoBlock || n % qtf::kIoBlock) return fail(__LINE__);
    return file_->read(offset, buf, n, got);
}

void NativeFile::writeAt(std::uint64_t offset, const std::string& data) {
    if (offset % qtf::kIoBlock || data.size() % qtf::kIoBlock) {
        fail(__LINE__);
        if (!ioError_) ioError_ = kErrNotNative;
        return;
    }
    if (ioError_) return; // later writes of a failed commit are skipped
    if (int rc = file_->write(offset, data.data(), data.size())) ioError_ = rc;
}

void NativeFile::flushFile() {
    if (ioError_) return;
    if (int rc = file_->flush()) {
        ioError_ = rc;
        return;
    }
    unflushedLogStart_ = unflushedLogEnd_ = 0;
}

// ---------------------------------------------------------------------------
// Header reading and recovery

void NativeFile::forgetPages() {
    ++dropEpoch_;
    leaves_.fill(nullptr);
    cursor_ = {};
}

void NativeFile::forgetPage(const Page* page) {
    ++dropEpoch_;
    for (Page*& p : leaves_)
        if (p == page) p = nullptr;
    if (cursor_.leaf == page) cursor_ = {};
}

NativeFile::Page* NativeFile::leafHolding(const std::string& key, bool aboveFirst, bool belowLast) {
    for (Page* p : leaves_) {
        if (!p || p->level || p->entries.empty() || p->entries.lacksSharedBytes(key)) continue;
        const int low = -p->entries.compareKey(0, key);
        if (aboveFirst ? low <= 0 : low < 0) continue;
        const int high = -p->entries.compareKey(p->entries.size() - 1, key);
        if (belowLast ? high < 0 : high <= 0) {
            touch(p);
            return p;
        }
    }
    return nullptr;
}

void NativeFile::rememberLeaf(Page* leaf) {
    // The leaf used longest ago makes room: leaves met on every read (a key's,
    // the memos') stay while others come and go.
    std::size_t victim = 0;
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
        Page* p = leaves_[i];
        if (p == leaf) return;
        if (!p) {
            victim = i;
            break;
        }
        if (p->lastUse < leaves_[victim]->lastUse) victim = i;
    }
    leaves_[victim] = leaf;
}

bool NativeFile::stepCursor(const std::string& key, bool forward, bool inclusive,
                            std::size_t* index) {
    const Page* leaf = cursor_.leaf;
    // The leaf unchanged, its record still has the key kept with the cursor.
    if (!leaf || leaf->version != cursor_.version || cursor_.index >= leaf->entries.size() ||
        key != cursor_.key)
        return false;
    if (inclusive) {
        *index = cursor_.index;
        return true;
    }
    if (forward) {
        if (cursor_.index + 1 >= leaf->entries.size()) return false;
        *index = cursor_.index + 1;
        return true;
    }
    if (cursor_.index == 0) return false;
    *index = cursor_.index - 1;
    return true;
}

void NativeFile::clearCache() {
    forgetPages();
    forgetPrefixes();
    cache_.clear();
    scratchEnd_ = 0;
    changed_.clear();
    pendingCounts_.clear();
    countedBytes_ = 0;
    trimAt_ = 0;
    addCacheBytes(measuredBytes_, 0);
    measuredBytes_ = 0;
}

void NativeFile::trimCache() {
    // Every page is measured when read and after each change.
    if (countedBytes_ <= trimAt_) return;
    addCacheBytes(measuredBytes_, countedBytes_);
    measuredBytes_ = countedBytes_;
    // Trimmed short of the budget: the cache grows between two measurements.
    const std::size_t budget = options_.cacheBudget;
    const std::size_t trimLine = budget - budget / 32;
    if (countedBytes_ > trimLine) {
        letPagesGo(budget - budget / 32 * 3);
        addCacheBytes(measuredBytes_, countedBytes_);
        measuredBytes_ = countedBytes_;
    }
    // Measured again once pages read, added or changed take it over the trim
    // line; when changed pages keep it over that line, once it has grown by
    // a part of the budget.
    trimAt_ = std::max(trimLine, countedBytes_ + budget / 32);
}

void NativeFile::letPagesGo(std::size_t target) {
    if (!scratch_ && !scratchFailed_ && platform::openScratchFile(&scratch_)) scratchFailed_ = true;
    forgetPages();
    // The leaves' bytes go to the scratch file in runs; a leaf lets go of its
    // entries only once its bytes are written.
    std::string run;
    std::vector<std::pair<Page*, Page::Spill>> written;
    const auto writeRun = [&] {
        const bool ok = run.empty() || scratch_->write(scratchEnd_, run.data(), run.size()) == 0;
        if (ok) {
            scratchEnd_ += run.size();
            for (auto& [page, spill] : written) {
                page->spill = std::make_unique<Page::Spill>(std::move(spill));
                markSpilled(page);
            }
        }
        run.clear();
        written.clear();
        return ok;
    };
    thread_local std::string buf;
    // Pages used longest ago go first: an unchanged page is dropped (it is
    // read again when needed), a changed leaf waits for the commit in the
    // scratch file. Changed index pages stay.
    std::size_t bytes = countedBytes_;
    for (Page* p = uses_.newer; p != &uses_ && bytes > target;) {
        Page* const next = p->newer; // p may go
        if (!p->changed) {
            bytes -= std::min(bytes, p->counted);
            dropFromCount(*p);
            cache_.erase(p->number);
        } else if (scratch_ && p->level == 0 && !p->entries.empty()) {
            bytes -= std::min(bytes, p->counted);
            if (p->spill && p->spill->version == p->version) {
                markSpilled(p); // its bytes are there still
            } else {
                if (encodeHome(*p, &buf)) {
                    Page::Spill spill;
                    spill.at = scratchEnd_ + run.size();
                    spill.size = static_cast<std::uint32_t>(buf.size());
                    spill.version = p->version;
                    std::string room;
                    spill.firstKey = p->entries.key(0, &room);
                    written.emplace_back(p, std::move(spill));
                    run += buf;
                    if (run.size() >= kScratchRun && !writeRun()) break;
                }
            }
        }
        p = next;
    }
    writeRun();
}

void NativeFile::markSpilled(Page* page) {
    page->leaveUses(); // back in the order of use when read back
    page->entries.release();
    page->spilled = true;
    page->memoryVersion = ~std::uint64_t{0};
    remeasure(*page);
}

bool NativeFile::readSpill(const Page& page, std::string* buf) {
    if (!page.spill || !scratch_) return false;
    buf->resize(page.spill->size);
    std::size_t got = 0;
    return scratch_->read(page.spill->at, buf->data(), buf->size(), &got) == 0 &&
           got == buf->size();
}

void NativeFile::takeHeader(const qtf::FileHeader& h) {
    clearCache();
    header_ = h;
    header_.window = 0;
    diskHeader_ = header_;
    regions_ = RegionTable(h.regionStart, h.regionEnd);
    root_ = h.root == qtf::kNoRoot ? kNoPage : static_cast<std::int64_t>(h.root);
    cached_ = true;
    headerChanged_ = false;
    nextTemp_ = -1;
}

int NativeFile::validateHeader(const qtf::FileHeader& h, std::uint64_t fileSize) {
    RegionTable rt(h.regionStart, h.regionEnd);
    if (!rt.check().empty()) return fail(__LINE__);
    std::uint64_t end = storeEnd(h);
    if (h.committedEnd < end || h.logEnd < h.committedEnd) return fail(__LINE__);
    if (h.committedEnd == h.logEnd && end > fileSize) return fail(__LINE__);
    if (h.root != qtf::kNoRoot && rt.classOf(h.root) == 0) return fail(__LINE__);
    return 0;
}

int NativeFile::beginAccess() {
    if (broken_) return kErrNotNative;
    if (headerCurrent_) return 0;
    // Another process's window read through stays as long as its header;
    // under the lock that keeps every other process out it is rolled forward.
    const bool seenStands =
        cached_ && seenHeaderValid_ && !(throughLogs_ && exclusive_ && !options_.readOnly);
    if (seenStands && headView_ && headView_->equals(seenHeader_.data())) {
        headerOnDisk_ = true;
        return finishBeginAccess();
    }
    std::uint8_t buf[qtf::kHeaderSize];
    std::size_t got = 0;
    if (int rc = readAt(0, buf, sizeof buf, &got)) return rc;
    if (got == sizeof buf && seenStands && std::memcmp(buf, seenHeader_.data(), sizeof buf) == 0) {
        headerOnDisk_ = true;
        return finishBeginAccess();
    }
    if (got == sizeof buf && cached_ && window_.active &&
        std::memcmp(buf, window_.bytes.data(), sizeof buf) == 0) {
        // The window of this process's last commits stands, its pages in its logs.
        seenHeader_ = window_.bytes;
        seenHeaderValid_ = true;
        headerOnDisk_ = true;
        return finishBeginAccess();
    }
    seenHeaderValid_ = false;
    if (window_.active) {
        // Someone else wrote the header: the window is over, and the next
        // commit flushes before it writes.
        window_.active = false;
        safeKnown_ = false;
    }
    std::uint64_t fileSize = 0;
    if (int rc = file_->size(&fileSize)) return rc;
    qtf::FileHeader disk;
    headerOnDisk_ = got != 0;
    if (got == 0) {
        // An empty file is a new native file without pages.
        if (!cached_ || (header_.changeCounter == 0 && !hasChanges())) takeHeader(disk);
    } else {
        if (got < qtf::kHeaderSize || !qtf::decodeHeader(buf, &disk)) return kErrNotNative;
        if (int rc = validateHeader(disk, fileSize)) return rc;
        if (disk.committedEnd != disk.logEnd) {
            // Rolled forward only under the lock that keeps every other
            // process out: others holding a lock that lets them read could
            // otherwise meet the file half rolled forward. Without it, the
            // logs of commits that took one flush are read through; an
            // interrupted commit waits for that lock.
            const bool others = options_.shared && !exclusive_;
            if (others && !options_.readOnly && !(disk.window & qtf::kLogWindow))
                return kErrLogInForce;
            if (int rc = recover(disk, options_.readOnly || others)) return rc;
        } else {
            if (!cached_ || !logMap_.empty() || disk.changeCounter > header_.changeCounter) {
                logMap_.clear();
                throughLogs_ = false;
                takeHeader(disk);
            }
            std::memcpy(seenHeader_.data(), buf, sizeof buf);
            seenHeaderValid_ = true;
            if (!headViewTried_ && file_->descriptor() >= 0) {
                headViewTried_ = true;
                headView_ = platform::HeadView::map(file_->descriptor(), qtf::kHeaderSize);
            }
        }
    }
    return finishBeginAccess();
}

bool NativeFile::headerUnchanged() {
    if (headView_) return headView_->equals(seenHeader_.data());
    std::uint8_t buf[qtf::kHeaderSize];
    std::size_t got = 0;
    return readAt(0, buf, sizeof buf, &got) == 0 && got == sizeof buf &&
           std::memcmp(buf, seenHeader_.data(), sizeof buf) == 0;
}

bool NativeFile::beginCachedRead() {
    if (broken_ || headerCurrent_ || !cached_ || !seenHeaderValid_ || prepared_ || hasChanges())
        return false;
    // Pages read by cached reads stay: the cache keeps to its budget here too.
    trimCache();
    if (!headerUnchanged()) return false;
    headerCurrent_ = true;
    cachedRead_ = true;
    missedPage_ = false;
    return true;
}

int NativeFile::finishBeginAccess() {
    trimCache();
    if (root_ == kNoPage && !options_.readOnly) {
        if (int rc = ensureRoot()) return rc;
    }
    headerCurrent_ = true;
    return 0;
}

int NativeFile::ensureRoot() {
    Page* root = newPage(0);
    root_ = root->number;
    return 0;
}

// ---------------------------------------------------------------------------
// Pages

NativeFile::Page* NativeFile::newPage(std::uint8_t level) {
    auto page = std::make_unique<Page>();
    page->number = nextTemp_--;
    page->level = level;
    Page* raw = page.get();
    cache_.insert(raw->number, page);
    touch(raw);
    markChanged(raw);
    remeasure(*raw);
    return raw;
}

NativeFile::Page* NativeFile::childPage(Page* page, std::size_t it) {
    const std::int64_t number = page->entries.child(it);
    if (page->belowEpoch != dropEpoch_ || page->below.size() != page->entries.size()) {
        page->below.assign(page->entries.size(), nullptr);
        page->belowEpoch = dropEpoch_;
        page->memoryVersion = ~std::uint64_t{0};
        remeasure(*page);
    }
    // Entries move and children are renumbered: the kept page must still
    // carry the number the entry names.
    Page*& kept = page->below[it];
    if (kept && kept->number == number) {
        touch(kept);
        return kept;
    }
    kept = getPage(number);
    return kept;
}

NativeFile::Page* NativeFile::getPage(std::int64_t number, int clsHint) {
    if (Page* page = cache_.find(number)) return present(page);
    if (missedPage_) return nullptr; // the operation runs again under the lock
    if (number < 0 || number > 0xFFFFFFFFll) {
        fail(__LINE__);
        return nullptr;
    }
    int cls = clsHint ? clsHint : regions_.classOf(static_cast<std::uint32_t>(number));
    if (cls == 0) {
        fail(__LINE__);
        return nullptr;
    }
    std::uint64_t offset = qtf::pageOffset(static_cast<std::uint32_t>(number));
    std::uint64_t at = offset;
    if (auto l = logMap_.find(offset); l != logMap_.end()) at = l->second;
    thread_local std::string buf;
    buf.resize(static_cast<std::size_t>(cls) * qtf::kUnit);
    std::size_t got = 0;
    if (cachedRead_) {
        // Without the call lock: the page is good when the file still shows
        // the header last seen after it was read. Every commit changes the
        // header before it writes into the page store, so a page read while
        // a commit was applied is found out here.
        if (readAt(at, buf.data(), buf.size(), &got) || got != buf.size() || !headerUnchanged()) {
            missedPage_ = true;
            return nullptr;
        }
    } else if (readAt(at, buf.data(), buf.size(), &got) || got != buf.size()) {
        fail(__LINE__);
        return nullptr;
    }
    auto page = std::make_unique<Page>();
    page->number = number;
    if (!decodeInto(page.get(), buf, cls, offset)) return nullptr;
    Page* raw = page.get();
    cache_.insert(number, page);
    touch(raw);
    remeasure(*raw);
    return raw;
}

NativeFile::Page* NativeFile::present(Page* page) {
    touch(page);
    if (!page->spilled) return page;
    thread_local std::string buf;
    if (!readSpill(*page, &buf)) {
        fail(__LINE__);
        return nullptr;
    }
    const int level = page->level, bound = page->sizeBound;
    if (!decodeInto(page, buf, static_cast<int>(buf.size() / qtf::kUnit), 0)) return nullptr;
    if (page->level != level) {
        fail(__LINE__);
        return nullptr;
    }
    page->sizeBound = bound;
    page->spilled = false;
    page->memoryVersion = ~std::uint64_t{0};
    remeasure(*page);
    return page;
}

bool NativeFile::decodeInto(Page* page, const std::string& buf, int cls, std::uint64_t ownOffset) {
    // The records go straight into the page's compact form.
    page->entries.reserve(getLe16(bytes(buf) + qtf::pg::kCount),
                          getLe16(bytes(buf) + qtf::pg::kExpandedSize));
    PageImage image;
    std::uint32_t own = 0;
    if (decodePageKept(bytes(buf), buf.size(), &image, &own, PageEntries::kPackFrom,
                       [page](const KeptRecord& r) {
                           page->entries.appendRead(r.key, r.payload, r.packed, r.size, 0);
                           return true;
                       }) != PageDecode::Ok) {
        fail(__LINE__);
        return false;
    }
    std::size_t stored = storedSizeOf(bytes(buf));
    if ((stored + qtf::kUnit - 1) / qtf::kUnit != static_cast<std::size_t>(cls) ||
        own != ownOffset) {
        fail(__LINE__);
        return false;
    }
    if (root_ == page->number && image.level == 0 && page->entries.empty()) {
        // an empty root leaf
    } else if (page->entries.empty()) {
        fail(__LINE__);
        return false;
    }
    page->level = image.level;
    page->sizeBound = image.sizeBound;
    if (image.level)
        for (std::size_t i = 0; i < image.children.size(); ++i) {
            // A child beyond any file's slots is damage, never a page of this
            // transaction's (those carry negative numbers).
            if (image.children[i] > 0x7FFFFFFFu) {
                fail(__LINE__);
                return false;
            }
            page->entries.setChild(i, image.children[i]);
        }
    page->entries.shrink();
    return true;
}

void NativeFile::viewOf(const Page& page, std::vector<std::string>* scratch, PageView* view) {
    view->level = page.level;
    view->sizeBound = static_cast<std::uint16_t>(std::min(page.sizeBound, 0xFFFF));
    view->records.clear();
    view->children.clear();
    view->records.reserve(page.entries.size());
    // Sized before any view is taken: the views point into its strings.
    // Two strings a record: its key's and its payload's.
    if (scratch->size() < 2 * page.entries.size()) scratch->resize(2 * page.entries.size());
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
        view->records.push_back({page.entries.key(i, &(*scratch)[2 * i]),
                                 page.entries.payloadView(i, &(*scratch)[2 * i + 1])});
        if (page.level) view->children.push_back(static_cast<std::uint32_t>(page.entries.child(i)));
    }
}

// Descends from the root to the leaf whose range holds `key`.
int NativeFile::descend(const std::string& key, std::vector<Step>* path) {
    path->clear();
    if (root_ == kNoPage) return 0;
    Page* page = getPage(root_);
    if (!page) return kErrNotNative;
    while (true) {
        if (page->level == 0 || page->entries.empty()) {
            path->push_back({page, page->entries.size()});
            if (page->level == 0) rememberLeaf(page);
            return 0;
        }
        std::size_t it = page->entries.upperBound(key);
        if (it != 0) --it;
        path->push_back({page, it});
        std::uint8_t level = page->level;
        page = childPage(page, it);
        if (!page) return kErrNotNative;
        if (page->level + 1 != level) return fail(__LINE__);
        if (path->size() > 64) return fail(__LINE__);
    }
}

// The first (or last) record below `number`.
int NativeFile::edgeRecord(std::int64_t number, bool first, PageRecord* out) {
    for (int depth = 0; depth < 64; ++depth) {
        Page* page = getPage(number);
        if (!page) return kErrNotNative;
        if (page->entries.empty()) return fail(__LINE__);
        const std::size_t it = first ? 0 : page->entries.size() - 1;
        if (page->level == 0) return copyRecord(*page, it, out);
        number = page->entries.child(it);
    }
    return fail(__LINE__);
}

// The leaf whose range holds `key` (none in a file without pages).
int NativeFile::leafFor(const std::string& key, Page** leaf) {
    *leaf = leafHolding(key, false, false);
    if (*leaf) return 0;
    std::vector<Step>& path = lookupPath_;
    if (int rc = descend(key, &path)) return rc;
    if (!path.empty()) *leaf = path.back().page;
    return 0;
}

int NativeFile::copyRecord(const Page& leaf, std::size_t i, PageRecord* out) {
    const std::string_view key = leaf.entries.key(i, &out->key);
    if (key.data() != out->key.data()) out->key.assign(key);
    if (!leaf.entries.payload(i, &out->payload)) return fail(__LINE__);
    return 0;
}

int NativeFile::get(const std::string& key, std::string* payload, bool* found) {
    *found = false;
    if (int rc = beginAccess()) return rc;
    if (int rc = settleCountersFor(key)) return rc;
    Page* leaf = nullptr;
    if (int rc = leafFor(key, &leaf); rc || !leaf) return rc;
    const std::size_t it = leaf->entries.find(key);
    if (it == leaf->entries.size() || leaf->level) return 0;
    if (!leaf->entries.payload(it, payload)) return fail(__LINE__);
    *found = true;
    return 0;
}

// The first record after `key` (forward) or before it (backward); `inclusive`
// also accepts a record whose key equals `key`. One descent from the root.
int NativeFile::neighbour(const std::string& key, bool forward, bool inclusive, PageRecord* out,
                          bool* found) {
    if (int rc = nearest(key, forward, inclusive, out, found)) return rc;
    // A counter with an addition waiting that lies between the key and the
    // answer would change the answer (or its payload): it is written first.
    const auto passed = [&](const std::string& counter) {
        const int fromKey = compareKeys(counter, key);
        if (forward ? fromKey < 0 : fromKey > 0) return false;
        if (fromKey == 0 && !inclusive) return false;
        if (!*found) return true;
        const int toAnswer = compareKeys(counter, out->key);
        return forward ? toAnswer <= 0 : toAnswer >= 0;
    };
    if (std::none_of(pendingCounts_.begin(), pendingCounts_.end(),
                     [&](const PendingCount& c) { return passed(c.key); }))
        return 0;
    if (int rc = settleCounters()) return rc;
    return nearest(key, forward, inclusive, out, found);
}

int NativeFile::nearest(const std::string& key, bool forward, bool inclusive, PageRecord* out,
                        bool* found) {
    *found = false;
    if (int rc = beginAccess()) return rc;
    const auto answer = [this, out, found](const Page* leaf, std::size_t it) {
        cursor_.leaf = leaf;
        cursor_.version = leaf->version;
        cursor_.index = it;
        if (int rc = copyRecord(*leaf, it, out)) {
            cursor_.leaf = nullptr;
            return rc;
        }
        cursor_.key = out->key;
        *found = true;
        return 0;
    };
    if (std::size_t it = 0; stepCursor(key, forward, inclusive, &it)) {
        touch(const_cast<Page*>(cursor_.leaf));
        return answer(cursor_.leaf, it);
    }
    // A remembered leaf answers when the neighbour must lie inside it.
    if (Page* leaf = leafHolding(key, !forward && !inclusive, forward && !inclusive)) {
        const auto& entries = leaf->entries;
        std::size_t it = forward ? (inclusive ? entries.lowerBound(key) : entries.upperBound(key))
                                 : (inclusive ? entries.upperBound(key) : entries.lowerBound(key));
        if (forward ? it != entries.size() : it != 0) {
            if (!forward) --it;
            return answer(leaf, it);
        }
    }
    std::vector<Step>& path = lookupPath_;
    if (int rc = descend(key, &path)) return rc;
    if (path.empty()) return 0;
    Page* leaf = path.back().page;
    if (leaf->level) return 0;
    const auto& entries = leaf->entries;
    if (forward) {
        const std::size_t it = inclusive ? entries.lowerBound(key) : entries.upperBound(key);
        if (it != entries.size()) return answer(leaf, it);
    } else {
        std::size_t it = inclusive ? entries.upperBound(key) : entries.lowerBound(key);
        if (it != 0) return answer(leaf, it - 1);
    }
    for (int l = static_cast<int>(path.size()) - 2; l >= 0; --l) {
        Step& s = path[l];
        if (forward) {
            const std::size_t next = s.it + 1;
            if (next >= s.page->entries.size()) continue;
            if (int rc = edgeRecord(s.page->entries.child(next), true, out)) return rc;
            if (out->key < key || (!inclusive && out->key == key))
                return fail(__LINE__); // pages out of order
        } else {
            if (s.it == 0) continue;
            if (int rc = edgeRecord(s.page->entries.child(s.it - 1), false, out)) return rc;
            if (out->key > key || (!inclusive && out->key == key))
                return fail(__LINE__); // pages out of order
        }
        *found = true;
        return 0;
    }
    return 0;
}

int NativeFile::successor(const std::string& key, PageRecord* out, bool* found) {
    return neighbour(key, true, false, out, found);
}

int NativeFile::ceiling(const std::string& key, PageRecord* out, bool* found) {
    return neighbour(key, true, true, out, found);
}

int NativeFile::predecessor(const std::string& key, PageRecord* out, bool* found) {
    return neighbour(key, false, false, out, found);
}

int NativeFile::floor(const std::string& key, PageRecord* out, bool* found) {
    return neighbour(key, false, true, out, found);
}

// ---------------------------------------------------------------------------
// Changes

int NativeFile::checkKey(const std::string& key, std::size_t payload) {
    if (options_.readOnly) return EBADF;
    if (key.empty() || key.size() > static_cast<std::size_t>(qtf::kMaxKey) ||
        key.size() + payload > static_cast<std::size_t>(qtf::kMaxRecord))
        return fail(__LINE__);
    return 0;
}

// After an insert below the first entries of index pages, the entries on the
// path are lowered to their child's new first key.
int NativeFile::fixFirstKeys(std::vector<Step>& path) {
    for (int l = static_cast<int>(path.size()) - 2; l >= 0; --l) {
        Page* child = path[l + 1].page;
        Step& s = path[l];
        if (s.page->entries.keyIs(s.it, child->entries, 0)) break;
        thread_local std::string room;
        const std::string_view first = child->entries.key(0, &room);
        // The entry's new key stays below the next entry's: it keeps its place.
        s.page->sizeBound -= boundSize(s.page->entries.keySize(s.it), 0, true);
        s.page->entries.setKey(s.it, first);
        s.page->sizeBound += boundSize(first.size(), 0, true);
        markChanged(s.page);
    }
    return 0;
}

int NativeFile::insert(const std::string& key, const std::string& payload) {
    if (int rc = beginAccess()) return rc;
    if (int rc = checkKey(key, payload.size())) return rc;
    if (int rc = settleCountersFor(key)) return rc;
    noteKeyAdded(key);
    if (Page* leaf = leafHolding(key, true, true)) {
        // Inside the leaf's range and above its first key: no index entry changes.
        if (!leaf->entries.emplace(key, payload, 0).second) return kErrDuplicate;
        leaf->sizeBound += boundSize(key.size(), payload.size(), false);
        markChanged(leaf);
        return splitIfNeeded(leaf);
    }
    std::vector<Step>& path = lookupPath_;
    if (int rc = descend(key, &path)) return rc;
    if (path.empty()) return fail(__LINE__);
    Page* leaf = path.back().page;
    if (leaf->level) return fail(__LINE__);
    auto [it, inserted] = leaf->entries.emplace(key, payload, 0);
    if (!inserted) return kErrDuplicate;
    leaf->sizeBound += boundSize(key.size(), payload.size(), false);
    markChanged(leaf);
    if (it == 0) fixFirstKeys(path);
    return splitIfNeeded(leaf);
}

int NativeFile::update(const std::string& key,
                       const std::function<void(std::string* payload)>& change, bool* found) {
    *found = false;
    if (int rc = beginAccess()) return rc;
    if (int rc = checkKey(key, 0)) return rc;
    if (int rc = settleCountersFor(key)) return rc;
    Page* leaf = nullptr;
    if (int rc = leafFor(key, &leaf); rc || !leaf) return rc;
    const std::size_t it = leaf->entries.find(key);
    if (leaf->level || it == leaf->entries.size()) return 0;
    *found = true;
    std::string payload;
    if (!leaf->entries.payload(it, &payload)) return fail(__LINE__);
    const int before = static_cast<int>(payload.size());
    change(&payload);
    if (int rc = checkKey(key, payload.size())) return rc;
    leaf->entries.setPayload(it, payload);
    leaf->sizeBound += static_cast<int>(payload.size()) - before;
    markChanged(leaf);
    return splitIfNeeded(leaf);
}

int NativeFile::replace(const std::string& key, const std::string& payload, bool* found) {
    *found = false;
    if (int rc = checkKey(key, payload.size())) return rc;
    return update(
        key, [&payload](std::string* stored) { *stored = payload; }, found);
}

NativeFile::Page* NativeFile::findParent(Page* child, std::size_t* entry) {
    if (!child->spilled && child->entries.empty()) {
        // A page emptied by a delete whose own entry is about to go: it has no key
        // to search by, so its parent is found by the child number it names.
        Page* parent = findParentByNumber(getPage(root_), child, entry, 0);
        if (!parent && !broken_) fail(__LINE__);
        return parent;
    }
    std::string room;
    const std::string key(firstKeyOf(*child, &room));
    Page* page = getPage(root_);
    for (int depth = 0; page && depth < 64; ++depth) {
        if (page->level <= child->level || page->entries.empty()) break;
        std::size_t it = page->entries.upperBound(key);
        if (it != 0) --it;
        if (page->level == child->level + 1) {
            if (page->entries.child(it) != child->number) break;
            *entry = it;
            return page;
        }
        page = getPage(page->entries.child(it));
    }
    if (!broken_) fail(__LINE__); // a parent that cannot be found
    return nullptr;
}

NativeFile::Page* NativeFile::findParentByNumber(Page* page, Page* child, std::size_t* entry,
                                                 int depth) {
    if (!page || depth >= 64 || page->level <= child->level) return nullptr;
    if (page->level == child->level + 1) {
        for (std::size_t it = 0; it < page->entries.size(); ++it) {
            if (page->entries.child(it) == child->number) {
                *entry = it;
                return page;
            }
        }
        return nullptr;
    }
    // Children are read one after another; keep the child numbers, as reading may
    // drop pages of the cache that are not changed.
    std::vector<std::int64_t> children;
    for (std::size_t i = 0; i < page->entries.size(); ++i)
        children.push_back(page->entries.child(i));
    for (std::int64_t number : children)
        if (Page* found = findParentByNumber(getPage(number), child, entry, depth + 1))
            return found;
    return nullptr;
}

int NativeFile::movePage(Page* page, std::int64_t to) {
    std::int64_t from = page->number;
    if (from == to) return 0;
    if (from == root_) {
        root_ = to;
    } else {
        std::size_t it = 0;
        Page* parent = findParent(page, &it);
        if (!parent) return kErrNotNative;
        parent->entries.setChild(it, to);
        markChanged(parent);
    }
    std::unique_ptr<Page> taken = cache_.take(from);
    if (!taken || !cache_.insert(to, taken)) {
        if (taken) dropFromCount(*taken);
        forgetPages(); // the taken page goes
        return fail(__LINE__);
    }
    page->number = to;
    // Its bytes stay as they are (they do not hold the page's own number):
    // written anew at its new place, not encoded anew.
    noteChanged(page);
    return 0;
}

int NativeFile::applyMoves(const std::vector<RegionTable::Move>& moves) {
    // The region tables already show the pages at their new places: read every
    // page that moves while its old slot still holds it, before renumbering
    // any (finding a parent may pass through a page that moves later).
    std::set<std::uint32_t> targets;
    for (const auto& m : moves) {
        if (!targets.count(m.from) && !getPage(m.from, m.cls)) return kErrNotNative;
        targets.insert(m.to);
    }
    for (const auto& m : moves) {
        Page* p = getPage(m.from, m.cls);
        if (!p) return kErrNotNative;
        if (int rc = movePage(p, m.to)) return rc;
    }
    return 0;
}

// Frees the page's slot. REQUIRES: no entry names the page any more.
int NativeFile::freePage(Page* page) {
    std::int64_t number = page->number;
    if (page->changed) {
        Page* last = changed_.back();
        changed_[page->changedAt] = last;
        last->changedAt = page->changedAt;
        changed_.pop_back();
        page->changed = false;
    }
    forgetPage(page);
    dropFromCount(*page);
    cache_.erase(number);
    if (number < 0) return 0;
    int cls = regions_.classOf(static_cast<std::uint32_t>(number));
    if (cls == 0) return fail(__LINE__);
    std::vector<RegionTable::Move> moves;
    regions_.free(static_cast<std::uint32_t>(number), cls, &moves);
    return applyMoves(moves);
}

int NativeFile::splitIfNeeded(Page* page) {
    auto needs = [](const Page* p) {
        return p->sizeBound > qtf::kMaxBound ||
               (p->sizeBound > qtf::kSplitBound &&
                p->entries.size() > static_cast<std::size_t>(qtf::kSplitCount));
    };
    if (!needs(page)) return 0;
    if (page->entries.size() <= 1) return fail(__LINE__); // a single record cannot split
    bool index = page->level > 0;
    auto recompute = [index](Page* p) {
        p->sizeBound = qtf::kPageFixed;
        for (std::size_t i = 0; i < p->entries.size(); ++i)
            p->sizeBound += boundSize(p->entries.keySize(i), p->entries.payloadSize(i), index);
    };
    if (page->number == root_) {
        Page* q = newPage(page->level);
        q->entries = std::move(page->entries);
        page->entries.clear();
        q->sizeBound = page->sizeBound;
        page->level++;
        std::string room;
        const std::string_view first = q->entries.key(0, &room);
        page->entries.emplace(first, {}, q->number);
        page->sizeBound = qtf::kPageFixed + boundSize(first.size(), 0, true);
        markChanged(page);
        markChanged(q);
        return splitIfNeeded(q);
    }
    std::size_t n = page->entries.size();
    std::size_t m = n / 2;
    bool medianStays = m < n - m - 1;
    std::size_t keep = medianStays ? m + 1 : m;
    Page* q = newPage(page->level);
    page->entries.moveTail(keep, &q->entries);
    recompute(page);
    recompute(q);
    markChanged(page);
    markChanged(q);
    std::size_t it = 0;
    Page* parent = findParent(page, &it);
    if (!parent) return kErrNotNative;
    std::string room;
    const std::string_view first = q->entries.key(0, &room);
    parent->entries.emplace(first, {}, q->number);
    parent->sizeBound += boundSize(first.size(), 0, true);
    markChanged(parent);
    if (int rc = splitIfNeeded(parent)) return rc;
    if (int rc = splitIfNeeded(page)) return rc;
    return splitIfNeeded(q);
}

void NativeFile::removeFromLeaf(Page* leaf, const std::string& key, bool* found) {
    const std::size_t it = leaf->entries.find(key);
    if (it == leaf->entries.size()) return;
    eraseFromLeaf(leaf, it);
    *found = true;
}

void NativeFile::eraseFromLeaf(Page* leaf, std::size_t it) {
    leaf->sizeBound -= boundSize(leaf->entries.keySize(it), leaf->entries.payloadSize(it), false);
    leaf->entries.erase(it);
    markChanged(leaf);
}

int NativeFile::removeIn(Page* page, const std::string& key, bool* found) {
    if (page->level == 0) {
        removeFromLeaf(page, key, found);
        return 0;
    }
    std::size_t it = page->entries.upperBound(key);
    if (it == 0) return 0;
    --it;
    Page* child = getPage(page->entries.child(it));
    if (!child) return kErrNotNative;
    if (child->level + 1 != page->level) return fail(__LINE__);
    if (int rc = removeIn(child, key, found)) return rc;
    if (!*found) return 0;
    if (child->entries.empty()) {
        page->sizeBound -= boundSize(page->entries.keySize(it), 0, true);
        page->entries.erase(it);
        markChanged(page);
        return freePage(child);
    }
    if (!page->entries.keyIs(it, child->entries, 0)) {
        thread_local std::string room;
        const std::string_view first = child->entries.key(0, &room);
        // Still below the next entry's key: the entry keeps its place.
        page->sizeBound +=
            boundSize(first.size(), 0, true) - boundSize(page->entries.keySize(it), 0, true);
        page->entries.setKey(it, first);
        markChanged(page);
    }
    return 0;
}

int NativeFile::remove(const std::string& key, bool* found) {
    *found = false;
    if (int rc = beginAccess()) return rc;
    if (options_.readOnly) return EBADF;
    if (int rc = settleCountersFor(key)) return rc;
    noteKeyGone(key);
    if (root_ == kNoPage) return 0;
    if (Page* leaf = leafHolding(key, true, false); leaf && leaf->entries.size() > 1) {
        // Above the leaf's first key, which stays: no index entry changes.
        removeFromLeaf(leaf, key, found);
        return 0;
    }
    Page* root = getPage(root_);
    if (!root) return kErrNotNative;
    if (int rc = removeIn(root, key, found)) return rc;
    root = getPage(root_);
    if (!root) return kErrNotNative;
    if (root->level && root->entries.empty()) {
        root->level = 0;
        root->sizeBound = qtf::kPageFixed;
        markChanged(root);
    }
    return 0;
}

int NativeFile::removeHolding(const std::string& key, std::string_view payload, bool* removed) {
    *removed = false;
    if (int rc = beginAccess()) return rc;
    if (options_.readOnly) return EBADF;
    if (int rc = settleCountersFor(key)) return rc;
    noteKeyGone(key);
    if (root_ == kNoPage) return 0;
    Page* leaf = nullptr;
    if (int rc = leafFor(key, &leaf); rc || !leaf) return rc;
    const std::size_t it = leaf->entries.find(key);
    if (it == leaf->entries.size() || leaf->level) return 0;
    thread_local std::string scratch;
    if (leaf->entries.payloadView(it, &scratch) != payload) return 0;
    if (it == 0) return remove(key, removed); // the leaf's first key: index entries change
    eraseFromLeaf(leaf, it);
    *removed = true;
    return 0;
}

int NativeFile::removePrefix(const std::string& prefix) {
    if (int rc = beginAccess()) return rc;
    for (const KnownPrefix& k : knownPrefixes_)
        if (!k.any && !k.prefix.empty() && prefix.starts_with(k.prefix)) return 0;
    while (true) {
        PageRecord r;
        bool found = false;
        if (int rc = ceiling(prefix, &r, &found)) return rc;
        if (!found || r.key.compare(0, prefix.size(), prefix) != 0) return 0;
        bool removed = false;
        if (int rc = remove(r.key, &removed)) return rc;
        if (!removed) return fail(__LINE__);
    }
}

int NativeFile::anyWithPrefix(const std::string& prefix, bool* any) {
    *any = false;
    if (int rc = beginAccess()) return rc;
    for (const KnownPrefix& k : knownPrefixes_)
        if (!k.prefix.empty() && k.prefix == prefix) {
            *any = k.any;
            return 0;
        }
    PageRecord r;
    bool found = false;
    if (int rc = ceiling(prefix, &r, &found)) return rc;
    *any = found && r.key.starts_with(prefix);
    if (prefix.empty()) return 0;
    knownPrefixes_[nextKnown_] = {prefix, *any};
    nextKnown_ = (nextKnown_ + 1) % knownPrefixes_.size();
    return 0;
}

int NativeFile::nextNumber(std::array<std::uint8_t, 4>* number) {
    if (int rc = beginAccess()) return rc;
    if (options_.readOnly) return EBADF;
    auto& n = header_.lastNumber;
    for (int i = 3; i >= 0; --i)
        if (++n[i] != 0) break;
    if (n[0] >= 0xFE) return fail(__LINE__);
    headerChanged_ = true;
    *number = n;
    return 0;
}

void NativeFile::raiseLastNumber(const std::array<std::uint8_t, 4>& number) {
    if (number > header_.lastNumber) {
        header_.lastNumber = number;
        headerChanged_ = true;
    }
}

bool NativeFile::hasChanges() const {
    return headerChanged_ || !changed_.empty() || !pendingCounts_.empty();
}

void NativeFile::addToCounter(const std::string& key, int delta) {
    noteKeyAdded(key);
    for (PendingCount& c : pendingCounts_)
        if (c.key == key) {
            c.delta += delta;
            return;
        }
    pendingCounts_.push_back({key, delta});
}

int NativeFile::settleCounters() {
    std::vector<PendingCount> pending;
    pending.swap(pendingCounts_);
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const PendingCount& c = pending[i];
        if (static_cast<std::uint32_t>(c.delta) == 0) continue;
        const auto add = [&c](std::string* payload) {
            if (payload->size() < 8) payload->resize(8, '\0');
            auto* p = reinterpret_cast<std::uint8_t*>(payload->data());
            putLe32(p, getLe32(p) + static_cast<std::uint32_t>(c.delta));
        };
        bool found = false;
        int rc = update(c.key, add, &found);
        if (!rc && !found) {
            std::string payload;
            add(&payload);
            rc = insert(c.key, payload);
        }
        if (rc) {
            // What was not written waits on (a failed access may be retried).
            pendingCounts_.insert(pendingCounts_.begin(),
                                  pending.begin() + static_cast<std::ptrdiff_t>(i), pending.end());
            return rc;
        }
    }
    return 0;
}

void NativeFile::markChanged(Page* page) {
    noteChanged(page);
    ++page->version;
    remeasure(*page);
}

std::size_t NativeFile::spilledPages() const {
    std::size_t n = 0;
    cache_.forEach([&n](std::int64_t, const Page* p) { n += p->spilled; });
    return n;
}

bool NativeFile::changeCountAgrees() const {
    std::size_t n = 0;
    bool agree = true;
    cache_.forEach([&](std::int64_t, Page* p) {
        if (!p->changed) return;
        ++n;
        agree = agree && p->changedAt < changed_.size() && changed_[p->changedAt] == p;
    });
    return agree && n == changed_.size();
}

bool NativeFile::cacheBytesAgree() const {
    std::size_t sum = 0;
    bool agree = true;
    cache_.forEach([&](std::int64_t, Page* p) {
        sum += p->counted;
        agree = agree && (p->changed || p->counted == pageMemory(*p));
    });
    return agree && sum == countedBytes_;
}

} // namespace zv::storage
