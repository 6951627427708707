#include "storage/dbase/dbf_file.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace zv::dbase {
namespace {

Xbase openError(int err) {
    switch (err) {
    case ENOENT:
        return Xbase::FileNotFound;
    case ENOTDIR:
        return Xbase::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Xbase::AccessDenied;
    default:
        return Xbase::CouldNotOpen;
    }
}

void stampToday(DbfHeader& h) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    h.year = tm.tm_year + 1900;
    h.month = tm.tm_mon + 1;
    h.day = tm.tm_mday;
}

bool hasMemoColumn(const std::vector<Column>& columns) {
    return std::any_of(columns.begin(), columns.end(),
                       [](const Column& c) { return c.type == 'M'; });
}

// Reads the header block of an open file.
ParsedHeader readHeaderBlock(BinaryFile& file) {
    const long long size = file.size();
    if (size < 0) {
        ParsedHeader p;
        p.error = Xbase::FileRead;
        return p;
    }
    std::uint8_t fixed[kHeaderSize] = {};
    const long long got = file.readSome(0, fixed, kHeaderSize);
    std::size_t want = kHeaderSize;
    if (got == static_cast<long long>(kHeaderSize))
        want = std::max<std::size_t>(kHeaderSize + 1, getU16(fixed + hdr::kHeaderLength));
    want = std::min<std::size_t>(want, static_cast<std::size_t>(size));
    std::vector<std::uint8_t> block(want);
    const long long n = file.readSome(0, block.data(), block.size());
    if (n < 0) {
        ParsedHeader p;
        p.error = Xbase::FileRead;
        return p;
    }
    block.resize(static_cast<std::size_t>(n));
    return parseHeaderBlock(block, static_cast<std::uint64_t>(size));
}

} // namespace

std::string memoPathFor(const std::string& tablePath) {
    const auto slash = tablePath.find_last_of("/\\");
    const auto dot = tablePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return tablePath + ".DBT";
    std::string ext = tablePath.substr(dot + 1);
    const bool lower = !ext.empty() && ext[0] >= 'a' && ext[0] <= 'z';
    return tablePath.substr(0, dot + 1) + (lower ? "dbt" : "DBT");
}

DbfFile::~DbfFile() {
    if (isOpen()) (void)close();
}

Xbase DbfFile::create(const std::string& path, std::vector<Column> columns, bool productionIndex) {
    if (isOpen()) (void)close();
    if (const Xbase e = layoutColumns(columns); e != Xbase::None) return e;
    std::size_t rowLength = 1;
    for (const auto& c : columns)
        rowLength += c.width;
    const bool memo = hasMemoColumn(columns);
    header_ = DbfHeader{};
    header_.version = memo ? kVersionMemo : kVersionPlain;
    stampToday(header_);
    header_.mdxFlag = productionIndex ? 1 : 0;
    header_.headerLength =
        static_cast<std::uint16_t>(kHeaderSize + kDescriptorSize * columns.size() + 1);
    header_.rowLength = static_cast<std::uint16_t>(rowLength);
    if (!file_.open(path, BinaryFile::Mode::Create)) return openError(file_.lastErrno());
    std::vector<std::uint8_t> block = encodeHeaderBlock(header_, columns);
    block.push_back(kFileEnd);
    if (!file_.writeAt(0, block.data(), block.size())) {
        file_.close();
        return Xbase::FileWrite;
    }
    if (memo) {
        const auto slash = path.find_last_of("/\\");
        std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
        base = base.substr(0, base.find('.'));
        for (auto& ch : base)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (const Xbase e = memo_.create(memoPathFor(path), base); e != Xbase::None) {
            file_.close();
            return e;
        }
    }
    path_ = path;
    columns_ = std::move(columns);
    rows_ = 0;
    readOnly_ = false;
    batch_ = false;
    dirty_ = false;
    return Xbase::None;
}

Xbase DbfFile::open(const std::string& path, bool readOnly) {
    if (isOpen()) (void)close();
    mismatch_ = {};
    memoMissing_ = false;
    if (!file_.open(path, readOnly ? BinaryFile::Mode::Read : BinaryFile::Mode::ReadWrite))
        return openError(file_.lastErrno());
    ParsedHeader parsed = readHeaderBlock(file_);
    if (parsed.error != Xbase::None) {
        file_.close();
        return parsed.error;
    }
    if (parsed.header.recordCount != parsed.rowsInFile) {
        mismatch_ = {parsed.header.recordCount, parsed.rowsInFile};
        file_.close();
        return Xbase::FileCorrupted;
    }
    const bool memoVersion = (parsed.header.version & 0x88) != 0;
    if (hasMemoColumn(parsed.columns)) {
        if (!memoVersion) {
            file_.close();
            return Xbase::InvalidVersion;
        }
        const bool dBase3 = (parsed.header.version & 0x08) == 0;
        if (const Xbase e = memo_.open(memoPathFor(path), readOnly, dBase3); e != Xbase::None) {
            file_.close();
            memoMissing_ = e == Xbase::FileNotFound;
            return memoMissing_ ? Xbase::NotMemoFormat : e;
        }
    }
    path_ = path;
    header_ = parsed.header;
    columns_ = std::move(parsed.columns);
    rows_ = header_.recordCount;
    readOnly_ = readOnly;
    batch_ = false;
    dirty_ = false;
    return Xbase::None;
}

Xbase DbfFile::writeHeader() {
    header_.recordCount = rows_;
    stampToday(header_);
    std::uint8_t fixed[kHeaderSize];
    encodeHeader(header_, fixed);
    if (!file_.writeAt(0, fixed, kHeaderSize)) return Xbase::FileWrite;
    dirty_ = false;
    return Xbase::None;
}

Xbase DbfFile::close() {
    if (!isOpen()) return Xbase::None;
    Xbase result = Xbase::None;
    if (!readOnly_ && dirty_) result = writeHeader();
    if (!readOnly_ && result == Xbase::None && !file_.sync()) result = Xbase::FlushFailure;
    if (const Xbase e = memo_.flush(); result == Xbase::None) result = e;
    file_.close();
    memo_.close();
    batch_ = false;
    return result;
}

Xbase DbfFile::endBatch() {
    batch_ = false;
    if (!isOpen() || readOnly_ || !dirty_) return Xbase::None;
    return writeHeader();
}

Xbase DbfFile::readRow(std::uint32_t number, std::vector<std::uint8_t>& row) {
    if (number == 0 || number > rows_) return Xbase::BadData;
    row.resize(header_.rowLength);
    return file_.readAt(rowOffset(number), row.data(), row.size()) ? Xbase::None : Xbase::FileRead;
}

Xbase DbfFile::writeRow(std::uint32_t number, const std::vector<std::uint8_t>& row) {
    if (readOnly_) return Xbase::ReadOnly;
    if (number == 0 || number > rows_ || row.size() != header_.rowLength) return Xbase::BadData;
    if (!file_.writeAt(rowOffset(number), row.data(), row.size())) return Xbase::FileWrite;
    dirty_ = true;
    return Xbase::None;
}

Xbase DbfFile::appendRow(const std::vector<std::uint8_t>& row, std::uint32_t& number) {
    number = 0;
    if (readOnly_) return Xbase::ReadOnly;
    if (row.size() != header_.rowLength || rows_ == UINT32_MAX) return Xbase::BadData;
    std::vector<std::uint8_t> bytes(row);
    bytes.push_back(kFileEnd);
    if (!file_.writeAt(rowOffset(rows_ + 1), bytes.data(), bytes.size())) return Xbase::FileWrite;
    ++rows_;
    dirty_ = true;
    number = rows_;
    if (!batch_) return writeHeader();
    return Xbase::None;
}

Xbase DbfFile::setDeleted(std::uint32_t number, bool deleted) {
    if (readOnly_) return Xbase::ReadOnly;
    if (number == 0 || number > rows_) return Xbase::BadData;
    const std::uint8_t flag = deleted ? kDeleted : kLive;
    if (!file_.writeAt(rowOffset(number), &flag, 1)) return Xbase::FileWrite;
    dirty_ = true;
    return Xbase::None;
}

Xbase DbfFile::empty() {
    if (readOnly_) return Xbase::ReadOnly;
    rows_ = 0;
    if (!file_.writeAt(header_.headerLength, &kFileEnd, 1) ||
        !file_.truncate(header_.headerLength + 1u))
        return Xbase::FileWrite;
    return writeHeader();
}

Xbase DbfFile::readMemo(std::uint32_t block, std::string& text) {
    text.clear();
    if (!memo_.isOpen()) return block == 0 ? Xbase::None : Xbase::NotMemoFormat;
    return memo_.read(block, text);
}

Xbase DbfFile::writeMemo(const std::string& text, std::uint32_t oldBlock, std::uint32_t& block) {
    block = 0;
    if (readOnly_) return Xbase::ReadOnly;
    if (text.empty()) return Xbase::None;
    if (!memo_.isOpen()) return Xbase::NotMemoFormat;
    return memo_.write(text, oldBlock, block);
}

Xbase DbfFile::recover(const std::string& path) {
    BinaryFile file;
    if (!file.open(path, BinaryFile::Mode::ReadWrite)) return openError(file.lastErrno());
    ParsedHeader parsed = readHeaderBlock(file);
    if (parsed.error != Xbase::None) return parsed.error;
    const std::uint64_t held = std::min<std::uint64_t>(parsed.rowsInFile, UINT32_MAX);
    const std::uint64_t end =
        parsed.header.headerLength + held * static_cast<std::uint64_t>(parsed.header.rowLength);
    std::uint8_t last = 0;
    const bool endMark = file.readSome(end, &last, 1) == 1 && last == kFileEnd;
    const long long size = file.size();
    if (parsed.header.recordCount == held && endMark && size == static_cast<long long>(end + 1))
        return Xbase::None;
    DbfHeader h = parsed.header;
    h.recordCount = static_cast<std::uint32_t>(held);
    stampToday(h);
    std::uint8_t fixed[kHeaderSize];
    encodeHeader(h, fixed);
    if (!file.writeAt(0, fixed, kHeaderSize)) return Xbase::FileWrite;
    if (!file.writeAt(end, &kFileEnd, 1) || !file.truncate(end + 1)) return Xbase::FileWrite;
    return file.sync() ? Xbase::None : Xbase::FlushFailure;
}

} // namespace zv::dbase
