#include "storage/dbase/dbase_table.h"

#include "storage/dbase/memo_pack.h"

#include <algorithm>

namespace zv::dbase {
namespace {

int runtimeCodeOf(Xbase x) {
    switch (x) {
    case Xbase::None:
        return kOk;
    case Xbase::FileNotFound:
        return kFileNotFound;
    case Xbase::PathNotFound:
        return kPathNotFound;
    case Xbase::AccessDenied:
    case Xbase::ReadOnly:
        return kAccessDenied;
    case Xbase::InvalidVersion:
    case Xbase::HeaderLength:
    case Xbase::FileCorrupted:
    case Xbase::InvalidFieldCount:
    case Xbase::FieldNameInvalid:
    case Xbase::BadFieldLength:
    case Xbase::DecimalsInvalid:
    case Xbase::InvalidFieldType:
    case Xbase::InvalidRecordLength:
        return kInvalidDataFile;
    case Xbase::NotMemoFormat:
        return kInvalidMemoFile;
    default:
        return kFileSystemError;
    }
}

// The name with ".DBF" added when it has no extension.
std::string tablePath(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + ".DBF";
    return name;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool sameColumns(const std::vector<Column>& a, const std::vector<Column>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i].name) != upper(b[i].name) || a[i].type != b[i].type ||
            a[i].width != b[i].width || a[i].decimals != b[i].decimals)
            return false;
    }
    return true;
}

} // namespace

DbaseTable::DbaseTable(storage::TableDecl decl) : decl_(std::move(decl)) {
    mapResult_ = buildColumnMap(decl_, map_);
    if (mapResult_.ok()) mapResult_ = buildTagDefs(decl_, map_, defs_);
    if (mapResult_.ok()) {
        std::vector<Column> columns = map_.columns();
        (void)layoutColumns(columns);
        if (const Xbase e = tags_.compile(defs_, columns); e != Xbase::None) {
            mapResult_.code = kInvalidIndexString;
            mapResult_.xbase = e;
        }
    }
}

DbaseTable::~DbaseTable() {
    if (isOpen()) (void)file_.close();
}

int DbaseTable::ok() {
    error_ = {};
    return kOk;
}

int DbaseTable::fail(int code, Xbase x, std::string text) {
    error_.code = code;
    error_.xbase = static_cast<int>(x);
    error_.text = text.empty() ? std::string(runtimeText(code)) : std::move(text);
    if (extErrors_ && x != Xbase::None && notify_) notify_(xbaseMessage(path_, error_.xbase));
    return code;
}

int DbaseTable::failXbase(Xbase x) {
    return fail(runtimeCodeOf(x), x);
}

std::string DbaseTable::message() const {
    if (extErrors_ && error_.xbase != 0) return xbaseMessage(path_, error_.xbase);
    return error_.text;
}

void DbaseTable::bindName(const std::string& name) {
    if (!isOpen()) path_ = tablePath(name);
}

std::string DbaseTable::driverText() const {
    if (error_.xbase != 0)
        return extErrors_ ? xbaseMessage(path_, error_.xbase)
                          : std::string(xbaseText(error_.xbase));
    if (error_.code != 0 && error_.text != runtimeText(error_.code)) return error_.text;
    return {};
}

int DbaseTable::create(const std::string& name) {
    if (isOpen()) return fail(kFileAlreadyOpen);
    path_ = tablePath(name);
    if (!mapResult_.ok()) return fail(mapResult_.code, mapResult_.xbase, mapResult_.message);
    if (const Xbase e = file_.create(path_, map_.columns(), tags_.hasProduction());
        e != Xbase::None)
        return failXbase(e);
    if (const Xbase e = file_.close(); e != Xbase::None) return failXbase(e);
    if (!tags_.empty()) {
        tags_.clear();
        if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    }
    return ok();
}

bool DbaseTable::countLive() {
    live_ = 0;
    for (std::uint32_t n = 1; n <= file_.rowCount(); ++n) {
        bool deleted = false;
        if (!rowDeleted(n, deleted)) return false;
        if (!deleted) ++live_;
    }
    return true;
}

int DbaseTable::open(const std::string& name, int mode) {
    if (isOpen()) return fail(kFileAlreadyOpen);
    path_ = tablePath(name);
    if (!mapResult_.ok()) return fail(mapResult_.code, mapResult_.xbase, mapResult_.message);
    readOnlyOpen_ = (mode & 0x0F) == 0;
    if (!readOnlyOpen_) settleMemoPack(path_);
    if (const Xbase e = file_.open(path_, readOnlyOpen_); e != Xbase::None)
        return e == Xbase::NotMemoFormat && file_.memoMissing() ? fail(kMemoFileMissing, e)
                                                                : failXbase(e);
    if (!sameColumns(file_.columns(), map_.columns())) {
        (void)file_.close();
        return fail(kInvalidRecordDeclaration);
    }
    if (!countLive()) {
        (void)file_.close();
        return failXbase(Xbase::FileRead);
    }
    current_ = cursor_ = pending_ = 0;
    order_ = -1;
    if (!tags_.empty()) {
        if (const int e = loadIndex(); e != kOk) {
            (void)file_.close();
            return e;
        }
    }
    return ok();
}

int DbaseTable::close() {
    if (!isOpen()) return fail(kFileNotOpen);
    current_ = cursor_ = pending_ = 0;
    const Xbase saved = indexDirty_ && !file_.readOnly() ? saveIndex() : Xbase::None;
    if (const Xbase e = file_.close(); e != Xbase::None) return failXbase(e);
    if (saved != Xbase::None) return failXbase(saved);
    return ok();
}

bool DbaseTable::rowDeleted(std::uint32_t number, bool& deleted) {
    if (file_.readRow(number, row_) != Xbase::None) return false;
    deleted = row_[0] == kDeleted;
    return true;
}

bool DbaseTable::visible(std::uint32_t number) {
    if (ignoreStatus_) return true;
    bool deleted = false;
    return rowDeleted(number, deleted) && !deleted;
}

int DbaseTable::readInto(std::uint32_t number, std::span<std::uint8_t> record,
                         std::vector<std::string>& memos) {
    if (record.size() < decl_.recordLength) return fail(kInvalidRecordDeclaration);
    if (const Xbase e = file_.readRow(number, row_); e != Xbase::None) return failXbase(e);
    std::vector<std::uint32_t> blocks;
    decodeRow(map_, decl_, row_, record, blocks);
    memos.assign(decl_.memos.size(), std::string());
    Xbase memoError = Xbase::None;
    for (std::size_t i = 0; i < map_.bindings.size(); ++i) {
        const Binding& b = map_.bindings[i];
        if (b.memo < 0 || blocks[i] == 0) continue;
        std::string text;
        if (const Xbase e = file_.readMemo(blocks[i], text); e != Xbase::None) {
            memoError = e;
            continue;
        }
        const std::uint16_t max = decl_.memos[static_cast<std::size_t>(b.memo)].maxLength;
        if (max > 0 && text.size() > max) text.resize(max);
        memos[static_cast<std::size_t>(b.memo)] = std::move(text);
    }
    current_ = number;
    if (memoError != Xbase::None) return fail(kInvalidMemoFile, memoError);
    return ok();
}

int DbaseTable::writeRecord(std::uint32_t number, std::span<std::uint8_t> record,
                            const std::vector<std::string>& memos) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (file_.readOnly()) return failXbase(Xbase::ReadOnly);
    if (record.size() < decl_.recordLength) return fail(kInvalidRecordDeclaration);
    std::vector<std::uint32_t> blocks(map_.bindings.size(), 0);
    std::vector<std::uint8_t> row;
    // Check the numbers fit before any memo is written.
    if (const Xbase e = encodeRow(map_, decl_, record, blocks, row); e != Xbase::None)
        return failXbase(e);
    std::uint8_t flag = kLive;
    std::vector<std::uint8_t> oldRow;
    if (number != 0) {
        if (const Xbase e = file_.readRow(number, row_); e != Xbase::None) return failXbase(e);
        flag = row_[0];
        if (!tags_.empty()) oldRow = row_;
    }
    row[0] = flag;
    if (!tags_.empty() && tags_.duplicates(row, number != 0 ? number : file_.rowCount() + 1))
        return fail(kDuplicateKey);
    for (std::size_t i = 0; i < map_.bindings.size(); ++i) {
        const Binding& b = map_.bindings[i];
        if (b.memo < 0) continue;
        const auto m = static_cast<std::size_t>(b.memo);
        const std::string text = m < memos.size() ? cleanMemoText(memos[m]) : std::string();
        const std::uint32_t old = number != 0 ? memoBlockInRow(b, row_) : 0;
        if (const Xbase e = file_.writeMemo(text, old, blocks[i]); e != Xbase::None)
            return failXbase(e);
        storeMemoBlock(b, decl_, blocks[i], record);
    }
    if (const Xbase e = encodeRow(map_, decl_, record, blocks, row); e != Xbase::None)
        return failXbase(e);
    row[0] = flag;
    if (number == 0) {
        std::uint32_t added = 0;
        if (const Xbase e = file_.appendRow(row, added); e != Xbase::None) return failXbase(e);
        ++live_;
        current_ = added;
        number = added;
    } else if (const Xbase e = file_.writeRow(number, row); e != Xbase::None) {
        return failXbase(e);
    }
    if (tags_.empty()) return ok();
    if (!oldRow.empty()) tags_.remove(oldRow, number);
    tags_.insert(row, number);
    return indexChanged();
}

int DbaseTable::add(std::span<std::uint8_t> record, const std::vector<std::string>& memos) {
    return writeRecord(0, record, memos);
}

int DbaseTable::put(std::span<std::uint8_t> record, const std::vector<std::string>& memos) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (current_ == 0) return fail(kRecordNotAvailable);
    return writeRecord(current_, record, memos);
}

int DbaseTable::putAt(std::uint32_t number, std::span<std::uint8_t> record,
                      const std::vector<std::string>& memos) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (number == 0 || number > file_.rowCount()) return fail(kRecordNotAvailable);
    current_ = number;
    return writeRecord(number, record, memos);
}

int DbaseTable::empty() {
    if (!isOpen()) return fail(kFileNotOpen);
    if (const Xbase e = file_.empty(); e != Xbase::None) return failXbase(e);
    live_ = 0;
    current_ = cursor_ = pending_ = 0;
    if (tags_.empty()) return ok();
    tags_.clear();
    return indexChanged();
}

int DbaseTable::setRecordNumber(std::uint32_t number, bool backward) {
    if (!isOpen()) return fail(kFileNotOpen);
    order_ = -1;
    if (number == 0) return backward ? setEnd() : setStart();
    if (number > file_.rowCount()) return fail(kRecordNotFound);
    pending_ = number;
    return ok();
}

int DbaseTable::erase() {
    if (!isOpen()) return fail(kFileNotOpen);
    if (current_ == 0) return fail(kRecordNotAvailable);
    bool deleted = false;
    if (!rowDeleted(current_, deleted)) return failXbase(Xbase::FileRead);
    const std::vector<std::uint8_t> oldRow = row_;
    if (const Xbase e = file_.setDeleted(current_, true); e != Xbase::None) return failXbase(e);
    if (!deleted && live_ > 0) --live_;
    const std::uint32_t erased = current_;
    current_ = 0;
    if (tags_.empty() || deleted) return ok();
    std::vector<std::uint8_t> newRow = oldRow;
    newRow[0] = kDeleted;
    tags_.remove(oldRow, erased);
    tags_.insert(newRow, erased);
    return indexChanged();
}

int DbaseTable::setStart() {
    if (!isOpen()) return fail(kFileNotOpen);
    order_ = -1;
    cursor_ = pending_ = 0;
    return ok();
}

int DbaseTable::setEnd() {
    if (!isOpen()) return fail(kFileNotOpen);
    order_ = -1;
    cursor_ = file_.rowCount() + 1;
    pending_ = 0;
    return ok();
}

int DbaseTable::step(int direction, std::span<std::uint8_t> record,
                     std::vector<std::string>& memos) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (order_ >= 0) return keyStep(direction, record, memos);
    const std::uint32_t rows = file_.rowCount();
    std::int64_t n = pending_ != 0 ? pending_ : static_cast<std::int64_t>(cursor_) + direction;
    pending_ = 0;
    while (n >= 1 && n <= rows && !visible(static_cast<std::uint32_t>(n)))
        n += direction;
    if (n < 1 || n > rows) {
        cursor_ = n < 1 ? 0 : rows + 1;
        current_ = 0;
        return fail(kRecordNotAvailable);
    }
    cursor_ = static_cast<std::uint32_t>(n);
    return readInto(cursor_, record, memos);
}

int DbaseTable::next(std::span<std::uint8_t> record, std::vector<std::string>& memos) {
    return step(+1, record, memos);
}

int DbaseTable::previous(std::span<std::uint8_t> record, std::vector<std::string>& memos) {
    return step(-1, record, memos);
}

bool DbaseTable::eof() {
    if (!isOpen()) return true;
    if (order_ >= 0) {
        const auto& entries = tags_.tag(static_cast<std::size_t>(order_)).entries;
        const Tag& t = tags_.tag(static_cast<std::size_t>(order_));
        auto less = [&t](const TagEntry& a, const TagEntry& b) { return t.less(a, b); };
        auto it = keyWhere_ == 0   ? entries.begin()
                  : keyWhere_ == 2 ? entries.end()
                  : keyInclusive_  ? std::lower_bound(entries.begin(), entries.end(), keyAt_, less)
                                   : std::upper_bound(entries.begin(), entries.end(), keyAt_, less);
        for (; it != entries.end(); ++it)
            if (visible(it->recno)) return false;
        return true;
    }
    for (std::uint32_t n = cursor_ + 1; n <= file_.rowCount(); ++n)
        if (visible(n)) return false;
    return true;
}

void DbaseTable::clearCurrent() {
    current_ = 0;
}

int DbaseTable::records(std::uint32_t& count) {
    count = 0;
    if (!isOpen()) return fail(kFileNotOpen);
    count = ignoreStatus_ ? file_.rowCount() : live_;
    return ok();
}

Position DbaseTable::position() const {
    const std::uint32_t n = current_;
    return {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

int DbaseTable::reset(std::span<const std::uint8_t> pos) {
    if (!isOpen()) return fail(kFileNotOpen);
    if (pos.size() < 4) return fail(kRecordNotFound);
    const std::uint32_t n = (static_cast<std::uint32_t>(pos[0]) << 24) |
                            (static_cast<std::uint32_t>(pos[1]) << 16) |
                            (static_cast<std::uint32_t>(pos[2]) << 8) | pos[3];
    if (n == 0 || n > file_.rowCount()) return fail(kRecordNotFound);
    if (order_ >= 0) {
        // In key order: at the row's entry of the tag.
        if (const Xbase e = file_.readRow(n, row_); e != Xbase::None) return failXbase(e);
        keyAt_ = tags_.tag(static_cast<std::size_t>(order_)).keyOf(row_, n);
        keyWhere_ = 1;
        keyInclusive_ = true;
        return ok();
    }
    pending_ = n;
    return ok();
}

int DbaseTable::reget(std::span<const std::uint8_t> pos, std::span<std::uint8_t> record,
                      std::vector<std::string>& memos) {
    if (const int e = reset(pos); e != kOk) return e;
    pending_ = 0;
    const std::uint32_t n = (static_cast<std::uint32_t>(pos[0]) << 24) |
                            (static_cast<std::uint32_t>(pos[1]) << 16) |
                            (static_cast<std::uint32_t>(pos[2]) << 8) | pos[3];
    if (!visible(n)) return fail(kRecordNotFound);
    cursor_ = n;
    return readInto(n, record, memos);
}

void DbaseTable::beginBatch() {
    if (isOpen()) file_.beginBatch();
}

int DbaseTable::endBatch() {
    if (!isOpen()) return fail(kFileNotOpen);
    if (const Xbase e = file_.endBatch(); e != Xbase::None) return failXbase(e);
    if (indexDirty_ && !file_.readOnly()) {
        if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    }
    return ok();
}

int DbaseTable::recover() {
    if (path_.empty()) return fail(kFileNotOpen);
    const bool wasOpen = isOpen();
    if (wasOpen) {
        if (const Xbase e = file_.close(); e != Xbase::None) return failXbase(e);
    }
    if (const Xbase e = DbfFile::recover(path_); e != Xbase::None) return failXbase(e);
    // The memo file is packed unless the table was opened for reading only.
    if (!(wasOpen && readOnlyOpen_)) {
        settleMemoPack(path_);
        if (const Xbase e = packMemos(path_); e != Xbase::None) return failXbase(e);
    }
    if (!wasOpen && tags_.empty()) return ok();
    const std::uint32_t current = current_;
    if (const Xbase e = file_.open(path_, wasOpen && readOnlyOpen_); e != Xbase::None)
        return failXbase(e);
    if (!countLive()) return failXbase(Xbase::FileRead);
    if (current > file_.rowCount()) current_ = cursor_ = 0;
    if (!tags_.empty() && !file_.readOnly()) {
        // The index is made again from the table, whatever the file held.
        if (const Xbase e = rebuildTags(tags_); e != Xbase::None) return failXbase(e);
        if (const Xbase e = saveIndex(); e != Xbase::None) return failXbase(e);
    }
    if (!wasOpen) {
        if (const Xbase e = file_.close(); e != Xbase::None) return failXbase(e);
    }
    return ok();
}

std::string DbaseTable::command(std::string_view text) {
    text = trimmed(text);
    const auto eq = text.find('=');
    const std::string word = upper(trimmed(text.substr(0, eq)));
    const bool setting = eq != std::string_view::npos;
    const std::string value = setting ? upper(trimmed(text.substr(eq + 1))) : std::string();
    if (word.empty()) return {};
    auto onOff = [](bool on) { return std::string(on ? "ON" : "OFF"); };
    switch (word[0]) {
    case 'B':
        if (word != "BUFFERS") break;
        if (!setting) return std::to_string(buffers_);
        if (!value.empty() && value.size() <= 4 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            buffers_ = std::max(1, std::stoi(value));
        return {};
    case 'D':
        if (word != "DELETED") break;
        if (ignoreStatus_ && isOpen() && current_ != 0) {
            bool deleted = false;
            if (rowDeleted(current_, deleted)) return onOff(deleted);
        }
        return {};
    case 'E':
        if (word != "EXTERRORS") break;
        if (!setting) return onOff(extErrors_);
        extErrors_ = value == "ON";
        return {};
    case 'I':
        if (word != "IGNORESTATUS") break;
        if (!setting) return onOff(ignoreStatus_);
        ignoreStatus_ = value == "ON";
        return {};
    case 'R':
        if (word == "RECOVER") {
            (void)recover();
            return {};
        }
        if (word == "REGISTER") return std::string(kDriverName);
        break;
    default:
        break;
    }
    return {};
}

} // namespace zv::dbase
