// The consistency check of a committed native file (zevlon-tool check and the
// tests): reads the file as it is on disk, page by page, without the cache.
#include "storage/native_file.h"

#include "storage/coding.h"

#include <algorithm>
#include <map>
#include <set>

namespace zv::storage {

namespace {

struct Walker {
    platform::File& file;
    const std::map<std::uint64_t, std::uint64_t>& through; // pages read from logs
    RegionTable regions;
    FileStats* stats;
    std::set<std::uint32_t> seen;
    std::string lastKey;
    bool haveLast = false;
    std::uint64_t records = 0;
    int leafDepth = -1;

    std::string page(std::uint32_t number, int depth, int wantLevel, std::string* firstKey) {
        std::string at = "page " + std::to_string(number) + ": ";
        int cls = regions.classOf(number);
        if (cls == 0) return at + "lies in no region";
        if (!seen.insert(number).second) return at + "is reachable more than once";
        if (depth > 64) return at + "the tree is too deep";
        std::string buf(static_cast<std::size_t>(cls) * qtf::kUnit, '\0');
        std::size_t got = 0;
        std::uint64_t offset = qtf::pageOffset(number);
        if (auto l = through.find(offset); l != through.end()) offset = l->second;
        if (file.read(offset, buf.data(), buf.size(), &got) || got != buf.size())
            return at + "cannot be read";
        PageImage img;
        std::uint32_t own = 0;
        auto rc = decodePage(bytes(buf), buf.size(), &img, &own);
        if (rc == PageDecode::BadSizes) return at + "sizes are inconsistent";
        if (rc == PageDecode::BadRecords) return at + "records do not decode in order";
        if (own != qtf::pageOffset(number)) return at + "own offset is wrong";
        std::size_t stored = storedSizeOf(bytes(buf));
        if ((stored + qtf::kUnit - 1) / qtf::kUnit != static_cast<std::size_t>(cls))
            return at + "stored size does not match its size class";
        std::size_t expanded = getLe16(bytes(buf) + qtf::pg::kExpandedSize);
        if (expandedSize(img) != expanded) return at + "expanded size does not add up";
        if (img.sizeBound < expanded) return at + "size bound below the expanded size";
        for (std::size_t i = stored; i < buf.size(); ++i)
            if (static_cast<std::uint8_t>(buf[i]) != qtf::kPadByte)
                return at + "padding is not 0xB0";
        if (wantLevel >= 0 && img.level != wantLevel) return at + "level does not fit its parent";
        if (img.records.empty() && depth > 0) return at + "is empty";
        if (stats) {
            stats->pagesPerClass[cls]++;
            stats->storedBytes += stored;
            stats->expandedBytes += expanded;
        }
        if (!img.records.empty()) *firstKey = img.records.front().key;
        if (img.level == 0) {
            if (leafDepth >= 0 && leafDepth != depth) return at + "leaves at different depths";
            leafDepth = depth;
            for (const auto& r : img.records) {
                if (haveLast && !(lastKey < r.key)) return at + "records out of order across pages";
                lastKey = r.key;
                haveLast = true;
                ++records;
            }
            return {};
        }
        for (std::size_t i = 0; i < img.records.size(); ++i) {
            std::string childFirst;
            if (auto e = page(img.children[i], depth + 1, img.level - 1, &childFirst); !e.empty())
                return e;
            if (childFirst != img.records[i].key)
                return at + "index entry " + std::to_string(i) +
                       " differs from its child's first key";
        }
        return {};
    }
};

} // namespace

std::string NativeFile::check(FileStats* stats) {
    std::uint8_t hb[qtf::kHeaderSize];
    std::size_t got = 0;
    std::uint64_t size = 0;
    if (file_->read(0, hb, sizeof hb, &got) || file_->size(&size)) return "the file cannot be read";
    if (stats) {
        *stats = FileStats{};
        stats->fileBytes = size;
    }
    if (got == 0) return {};
    // A window's pages are read from its logs, up to the newest whole one.
    std::map<std::uint64_t, std::uint64_t> through;
    if (qtf::FileHeader disk; got == qtf::kHeaderSize && getLe32(hb) == 0 &&
                              qtf::decodeHeader(hb, &disk) && (disk.window & qtf::kLogWindow)) {
        std::vector<LogRun> logs;
        if (readLogs(disk, &logs)) return "header: the logs it names cannot be read";
        qtf::FileHeader committed = logs.empty() ? disk : logs.back().header;
        through = mergedMap(logs);
        committed.committedEnd = committed.logEnd = static_cast<std::uint32_t>(
            qtf::kHeaderSize +
            std::uint64_t{RegionTable(committed.regionStart, committed.regionEnd).storeUnits()} *
                qtf::kUnit);
        qtf::encodeHeader(committed, hb);
    }
    qtf::FileHeader h;
    if (got < qtf::kHeaderSize || !qtf::decodeHeader(hb, &h)) return "not a native file";
    if (getLe32(hb) != 0) return "header: first field is not zero";
    if (h.committedEnd != h.logEnd) return "header: a redo log is in force";
    RegionTable rt(h.regionStart, h.regionEnd);
    if (auto e = rt.check(); !e.empty()) return "header: " + e;
    std::uint64_t end = qtf::kHeaderSize + static_cast<std::uint64_t>(rt.storeUnits()) * qtf::kUnit;
    if (h.committedEnd != end) return "header: committed end is not the end of the page store";
    if (end > size) return "header: the page store runs past the end of the file";
    if (h.root == qtf::kNoRoot) return rt.storeUnits() ? "header: pages but no root" : "";
    Walker w{*file_, through, rt, stats, {}, {}, false, 0, -1};
    std::string first;
    if (auto e = w.page(h.root, 0, -1, &first); !e.empty()) return e;
    std::size_t pages = 0;
    for (int c = 1; c <= 59; ++c)
        pages += rt.pagesIn(c);
    if (pages != w.seen.size())
        return "page store: " + std::to_string(pages - w.seen.size()) + " pages are unreachable";
    if (stats) {
        stats->records = w.records;
        stats->depth = w.leafDepth + 1;
    }
    return {};
}

} // namespace zv::storage
