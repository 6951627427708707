// The dBase table's keys: the production index at open, close and after writes,
// and reading in a tag's order.
#include "storage/dbase/dbase_table.h"

#include "storage/dbase/binary_file.h"
#include "storage/dbase/file_swap.h"
#include "storage/dbase/ndx_format.h"

#include <algorithm>

namespace zv::dbase {
namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    for (auto& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return base;
}

// The whole index file; FileNotFound when there is none.
Xbase readWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
    BinaryFile f;
    if (!f.open(path, BinaryFile::Mode::Read)) return Xbase::FileNotFound;
    const long long size = f.size();
    if (size < 0) return Xbase::FileRead;
    if (size > (1LL << 30)) return Xbase::Memory;
    bytes.resize(static_cast<std::size_t>(size));
    if (!bytes.empty() && !f.readAt(0, bytes.data(), bytes.size())) return Xbase::FileRead;
    return Xbase::None;
}

} // namespace

std::string DbaseTable::indexPath() const {
    return siblingPath(path_, "MDX");
}

std::string DbaseTable::ndxPath(const Tag& tag) const {
    const auto slash = path_.find_last_of("/\\");
    return path_.substr(0, slash == std::string::npos ? 0 : slash + 1) + tag.def.tag + ".NDX";
}

Xbase DbaseTable::rebuildTags(TagSet& into) {
    into.clear();
    std::vector<std::uint8_t> row;
    for (std::uint32_t n = 1; n <= file_.rowCount(); ++n) {
        if (const Xbase e = file_.readRow(n, row); e != Xbase::None) return e;
        into.append(row, n);
    }
    const auto slash = path_.find_last_of("/\\");
    // Without room for the sort's work files the entries are sorted in memory.
    (void)into.sortAll(path_.substr(0, slash == std::string::npos ? 0 : slash + 1));
    return Xbase::None;
}

Xbase DbaseTable::saveIndex() {
    if (tags_.hasProduction()) {
        const std::vector<std::uint8_t> bytes = encodeMdx(tags_.image(baseName(path_)));
        const std::string path = indexPath();
        if (const Xbase e = swapFile(path, dynamicWorkPath(path), bytes); e != Xbase::None)
            return e;
    }
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        if (!tags_.tag(i).def.outside) continue;
        const std::vector<std::uint8_t> bytes = encodeNdx(tags_.tagImage(i));
        const std::string path = ndxPath(tags_.tag(i));
        if (const Xbase e = swapFile(path, dynamicWorkPath(path), bytes); e != Xbase::None)
            return e;
    }
    indexDirty_ = false;
    return Xbase::None;
}

int DbaseTable::indexChanged() {
    indexDirty_ = true;
    if (file_.inBatch()) return ok();
    if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    return ok();
}

int DbaseTable::loadIndex() {
    const bool writable = !file_.readOnly();
    std::vector<std::uint8_t> bytes;
    MdxImage image;
    bool complete = true; // every index file was there
    if (tags_.hasProduction()) {
        const Xbase read = readWhole(indexPath(), bytes);
        if (read == Xbase::None) {
            if (const Xbase e = decodeMdx(bytes, image); e != Xbase::None)
                return fail(kInvalidKeyFile, e);
        } else if (read != Xbase::FileNotFound) {
            return fail(kInvalidKeyFile, read);
        } else {
            complete = false;
        }
    }
    for (std::size_t i = 0; i < tags_.size() && complete; ++i) {
        const Tag& t = tags_.tag(i);
        if (!t.def.outside) continue;
        const Xbase read = readWhole(ndxPath(t), bytes);
        if (read == Xbase::FileNotFound) {
            complete = false;
            break;
        }
        MdxTag one;
        if (read != Xbase::None) return fail(kInvalidKeyFile, read);
        if (const Xbase e = decodeNdx(bytes, t.keyType == 'D', one); e != Xbase::None)
            return fail(kInvalidKeyFile, e);
        one.name = t.def.tag;
        one.descending = t.def.descending;
        image.tags.push_back(std::move(one));
    }
    const Xbase read = complete ? Xbase::None : Xbase::FileNotFound;
    // Tags of the .MDX that the declaration does not name stay and are kept up to
    // date; one this driver cannot evaluate would go stale, so the table is not
    // opened for writing then.
    tags_.truncate(defs_.size());
    if (read == Xbase::None) {
        if (const Xbase e = tags_.addForeign(image, file_.columns());
            e != Xbase::None && writable) {
            tags_.truncate(defs_.size());
            return fail(kInvalidKeyFile, e);
        }
    }
    // The table is what counts: an index that does not hold what the table gives
    // (missing, written before a crash, other tags) is made again.
    if (const Xbase e = rebuildTags(tags_); e != Xbase::None) return failXbase(e);
    if (read == Xbase::None) {
        TagSet stored;
        std::vector<Column> columns = file_.columns();
        if (stored.compile(defs_, columns) == Xbase::None &&
            stored.addForeign(image, columns) == Xbase::None && stored.adopt(image) &&
            stored.sameEntries(tags_))
            return ok();
    }
    if (!writable) return ok();
    if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    return ok();
}

int DbaseTable::buildIndex() {
    if (!isOpen()) return fail(kFileNotOpen);
    if (tags_.empty()) return ok();
    if (file_.readOnly()) return failXbase(Xbase::ReadOnly);
    if (const Xbase e = rebuildTags(tags_); e != Xbase::None) return failXbase(e);
    if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    return ok();
}

bool DbaseTable::keyRowFrom(std::span<const std::uint8_t> record, std::vector<std::uint8_t>& row) {
    if (record.size() < decl_.recordLength) return false;
    const std::vector<std::uint32_t> blocks(map_.bindings.size(), 0);
    return encodeRow(map_, decl_, record, blocks, row) == Xbase::None;
}

int DbaseTable::setKeyStart(int tag, bool atEnd) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (!validTag(tag)) return fail(kInvalidIndexString);
    order_ = tag;
    keyWhere_ = atEnd ? 2 : 0;
    pending_ = 0;
    return ok();
}

int DbaseTable::setKeyValue(int tag, std::span<const std::uint8_t> record, KeySeek seek,
                            std::uint32_t recno) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (!validTag(tag)) return fail(kInvalidIndexString);
    std::vector<std::uint8_t> row;
    if (!keyRowFrom(record, row)) return fail(kInvalidRecordDeclaration);
    const Tag& t = tags_.tag(static_cast<std::size_t>(tag));
    order_ = tag;
    keyAt_ = t.keyOf(row, 0);
    keyAt_.recno = seek == KeySeek::Forward ? 0 : seek == KeySeek::Backward ? 0xFFFFFFFFu : recno;
    keyWhere_ = 1;
    keyInclusive_ = true;
    pending_ = 0;
    return ok();
}

int DbaseTable::keyStep(int direction, std::span<std::uint8_t> record,
                        std::vector<std::string>& memos) {
    const Tag& t = tags_.tag(static_cast<std::size_t>(order_));
    const auto& entries = t.entries;
    auto less = [&t](const TagEntry& a, const TagEntry& b) { return t.less(a, b); };
    for (;;) {
        std::ptrdiff_t at = 0;
        if (direction > 0) {
            const auto it = keyWhere_ == 0   ? entries.begin()
                            : keyWhere_ == 2 ? entries.end()
                            : keyInclusive_
                                ? std::lower_bound(entries.begin(), entries.end(), keyAt_, less)
                                : std::upper_bound(entries.begin(), entries.end(), keyAt_, less);
            at = it - entries.begin();
        } else {
            const auto it = keyWhere_ == 0   ? entries.begin()
                            : keyWhere_ == 2 ? entries.end()
                            : keyInclusive_
                                ? std::upper_bound(entries.begin(), entries.end(), keyAt_, less)
                                : std::lower_bound(entries.begin(), entries.end(), keyAt_, less);
            at = (it - entries.begin()) - 1;
        }
        if (at < 0 || at >= static_cast<std::ptrdiff_t>(entries.size())) {
            keyWhere_ = direction > 0 ? 2 : 0;
            current_ = 0;
            return fail(kRecordNotAvailable);
        }
        keyAt_ = entries[static_cast<std::size_t>(at)];
        keyWhere_ = 1;
        keyInclusive_ = false;
        if (keyAt_.recno > file_.rowCount()) return failXbase(Xbase::FileCorrupted);
        if (!visible(keyAt_.recno)) continue;
        cursor_ = keyAt_.recno;
        return readInto(keyAt_.recno, record, memos);
    }
}

int DbaseTable::getByKey(int tag, std::span<std::uint8_t> record, std::vector<std::string>& memos) {
    if (const int e = setKeyValue(tag, record, KeySeek::Forward); e != kOk) return e;
    const Tag& t = tags_.tag(static_cast<std::size_t>(tag));
    const TagEntry wanted = keyAt_;
    std::vector<std::uint8_t> scratch(decl_.recordLength);
    std::vector<std::string> scratchMemos;
    if (const int e = keyStep(+1, scratch, scratchMemos); e != kOk)
        return e == kRecordNotAvailable ? fail(kRecordNotFound) : e;
    if (!t.sameKey(keyAt_, wanted)) {
        current_ = 0;
        return fail(kRecordNotFound);
    }
    std::copy(scratch.begin(), scratch.end(), record.begin());
    memos = std::move(scratchMemos);
    return ok();
}

int DbaseTable::keyRecords(int tag, std::uint32_t& count) {
    count = 0;
    if (!isOpen()) return fail(kFileNotOpen);
    if (!validTag(tag)) return fail(kInvalidIndexString);
    const auto& entries = tags_.tag(static_cast<std::size_t>(tag)).entries;
    for (const TagEntry& e : entries)
        if (visible(e.recno)) ++count;
    return ok();
}

int DbaseTable::testDuplicate(int tag, std::span<const std::uint8_t> record, bool& duplicate) {
    duplicate = false;
    if (!isOpen()) return fail(kFileNotOpen);
    if (!validTag(tag)) return fail(kInvalidIndexString);
    std::vector<std::uint8_t> row;
    if (!keyRowFrom(record, row)) return fail(kInvalidRecordDeclaration);
    const Tag& t = tags_.tag(static_cast<std::size_t>(tag));
    if (!t.def.unique) return ok();
    TagEntry e;
    if (!t.entryFor(row, current_, e)) return ok();
    for (const TagEntry& x : t.entries)
        if (t.sameKey(x, e) && x.recno != current_) duplicate = true;
    return ok();
}

} // namespace zv::dbase
