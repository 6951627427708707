#include "storage/dbase/tag_sort.h"

#include "storage/dbase/binary_file.h"
#include "storage/dbase/dbf_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zv::dbase {
namespace {

// A run file holds its entries one after another: record number (4 bytes),
// value (8 bytes, the double's bits), key length (2 bytes), key.
void putEntry(std::vector<std::uint8_t>& out, const TagEntry& e) {
    std::uint8_t fixed[14];
    putU32(fixed, e.recno);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &e.value, sizeof bits);
    for (int i = 0; i < 8; ++i)
        fixed[4 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    putU16(fixed + 12, static_cast<std::uint16_t>(e.key.size()));
    out.insert(out.end(), fixed, fixed + sizeof fixed);
    out.insert(out.end(), e.key.begin(), e.key.end());
}

class RunReader {
public:
    explicit RunReader(const std::string& path) { ok_ = file_.open(path, BinaryFile::Mode::Read); }
    // The next entry; false at the end or on a read error (failed() tells).
    bool next(TagEntry& e) {
        std::uint8_t fixed[14];
        const long long n = file_.readSome(at_, fixed, sizeof fixed);
        if (n == 0) return false;
        if (n != static_cast<long long>(sizeof fixed)) return fail();
        e.recno = getU32(fixed);
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<std::uint64_t>(fixed[4 + i]) << (8 * i);
        std::memcpy(&e.value, &bits, sizeof bits);
        e.key.assign(getU16(fixed + 12), '\0');
        at_ += sizeof fixed;
        if (!e.key.empty() && !file_.readAt(at_, e.key.data(), e.key.size())) return fail();
        at_ += e.key.size();
        return true;
    }
    bool failed() const { return !ok_; }

private:
    bool fail() {
        ok_ = false;
        return false;
    }
    BinaryFile file_;
    std::uint64_t at_ = 0;
    bool ok_ = false;
};

} // namespace

Xbase sortTagEntries(Tag& tag, const std::string& directory, std::size_t run) {
    auto less = [&tag](const TagEntry& a, const TagEntry& b) { return tag.less(a, b); };
    auto& entries = tag.entries;
    if (run == 0 || entries.size() <= run) {
        std::sort(entries.begin(), entries.end(), less);
        return Xbase::None;
    }
    std::vector<std::string> files;
    auto removeAll = [&files] {
        std::error_code ec;
        for (const auto& f : files)
            std::filesystem::remove(f, ec);
    };
    // Sorted runs out to the work files.
    for (std::size_t from = 0; from < entries.size(); from += run) {
        const std::size_t to = std::min(entries.size(), from + run);
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(from),
                  entries.begin() + static_cast<std::ptrdiff_t>(to), less);
        char name[64];
        std::snprintf(name, sizeof name, "STKS%zu.TMP", files.size());
        files.push_back(directory + name);
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = from; i < to; ++i)
            putEntry(bytes, entries[i]);
        BinaryFile f;
        if (!f.open(files.back(), BinaryFile::Mode::Create) ||
            !f.writeAt(0, bytes.data(), bytes.size())) {
            f.close();
            removeAll();
            std::sort(entries.begin(), entries.end(), less);
            return Xbase::FileWrite;
        }
    }
    // Merged back: the smallest head of the runs each time.
    std::vector<RunReader> readers;
    readers.reserve(files.size());
    std::vector<TagEntry> heads(files.size());
    std::vector<bool> live(files.size(), false);
    for (std::size_t i = 0; i < files.size(); ++i) {
        readers.emplace_back(files[i]);
        live[i] = readers[i].next(heads[i]);
    }
    std::vector<TagEntry> merged;
    merged.reserve(entries.size());
    for (;;) {
        std::size_t best = files.size();
        for (std::size_t i = 0; i < files.size(); ++i)
            if (live[i] && (best == files.size() || less(heads[i], heads[best]))) best = i;
        if (best == files.size()) break;
        merged.push_back(std::move(heads[best]));
        live[best] = readers[best].next(heads[best]);
    }
    const bool failed =
        std::any_of(readers.begin(), readers.end(), [](const RunReader& r) { return r.failed(); });
    readers.clear();
    removeAll();
    if (failed || merged.size() != entries.size()) {
        std::sort(entries.begin(), entries.end(), less);
        return Xbase::FileRead;
    }
    entries = std::move(merged);
    return Xbase::None;
}

} // namespace zv::dbase
