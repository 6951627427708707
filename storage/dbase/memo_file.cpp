#include "storage/dbase/memo_file.h"

#include "storage/dbase/dbf_format.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zv::dbase {
namespace {

constexpr std::uint8_t kMemoMark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr std::uint32_t kMemoHead = 8; // the mark and the length, which counts these 8 bytes
constexpr std::uint8_t kMemoEnd = 0x1F;
constexpr std::size_t kNextBlock = 0;
constexpr std::size_t kTableName = 8;
constexpr std::size_t kBlockLength = 20;
constexpr std::uint64_t kMaxMemo = 64u * 1024 * 1024; // refuse absurd lengths from damaged files

Xbase openError(int err) {
    switch (err) {
    case ENOENT:
        return Xbase::FileNotFound;
    case EACCES:
    case EPERM:
        return Xbase::AccessDenied;
    default:
        return Xbase::CouldNotOpen;
    }
}

} // namespace

std::uint32_t MemoFile::blocksFor(std::uint64_t n) const {
    // The text, its 8-byte head and the end mark after it.
    return static_cast<std::uint32_t>((n + kMemoHead + 1 + blockSize_ - 1) / blockSize_);
}

Xbase MemoFile::create(const std::string& path, const std::string& tableName) {
    if (!file_.open(path, BinaryFile::Mode::Create)) return openError(file_.lastErrno());
    blockSize_ = kDefaultBlockSize;
    nextBlock_ = 1;
    dBase3_ = false;
    readOnly_ = false;
    std::vector<std::uint8_t> head(blockSize_, 0);
    putU32(head.data() + kNextBlock, nextBlock_);
    for (std::size_t i = 0; i < 8 && i < tableName.size(); ++i)
        head[kTableName + i] = static_cast<std::uint8_t>(tableName[i]);
    putU16(head.data() + kBlockLength, static_cast<std::uint16_t>(blockSize_));
    if (!file_.writeAt(0, head.data(), head.size())) return Xbase::FileWrite;
    return Xbase::None;
}

Xbase MemoFile::open(const std::string& path, bool readOnly, bool dBase3) {
    if (!file_.open(path, readOnly ? BinaryFile::Mode::Read : BinaryFile::Mode::ReadWrite))
        return openError(file_.lastErrno());
    readOnly_ = readOnly || dBase3;
    dBase3_ = dBase3;
    std::uint8_t head[32] = {};
    if (!file_.readAt(0, head, sizeof head)) return Xbase::NotMemoFormat;
    nextBlock_ = getU32(head + kNextBlock);
    blockSize_ = dBase3 ? kDefaultBlockSize : getU16(head + kBlockLength);
    if (blockSize_ == 0) blockSize_ = kDefaultBlockSize;
    if (blockSize_ < 32) return Xbase::NotMemoFormat;
    // The next free block never lies before the end of the file's used blocks.
    const long long size = file_.size();
    if (size < 0) return Xbase::FileRead;
    const auto used = static_cast<std::uint64_t>(
        (static_cast<std::uint64_t>(size) + blockSize_ - 1) / blockSize_);
    if (nextBlock_ < used)
        nextBlock_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(used, UINT32_MAX));
    if (nextBlock_ == 0) nextBlock_ = 1;
    return Xbase::None;
}

Xbase MemoFile::read(std::uint32_t block, std::string& text) {
    text.clear();
    if (block == 0) return Xbase::None;
    const long long size = file_.size();
    if (size < 0) return Xbase::FileRead;
    const std::uint64_t at = static_cast<std::uint64_t>(block) * blockSize_;
    if (at >= static_cast<std::uint64_t>(size)) return Xbase::BadData;
    const std::uint64_t room = static_cast<std::uint64_t>(size) - at;
    if (dBase3_) {
        // Text up to the first 0x1A, read a block at a time.
        std::vector<char> buf(blockSize_);
        for (std::uint64_t off = at;
             off < static_cast<std::uint64_t>(size) && text.size() < kMaxMemo; off += blockSize_) {
            const long long n = file_.readSome(off, buf.data(), buf.size());
            if (n <= 0) break;
            const auto end = std::find(buf.begin(), buf.begin() + n, '\x1A');
            text.append(buf.begin(), end);
            if (end != buf.begin() + n) break;
        }
        return Xbase::None;
    }
    std::uint8_t head[kMemoHead];
    if (room < kMemoHead || !file_.readAt(at, head, kMemoHead)) return Xbase::BadData;
    if (!std::equal(head, head + 4, kMemoMark)) return Xbase::BadData;
    const std::uint32_t length = getU32(head + 4);
    if (length < kMemoHead || length > room || length - kMemoHead > kMaxMemo) return Xbase::BadData;
    text.resize(length - kMemoHead);
    if (!text.empty() && !file_.readAt(at + kMemoHead, text.data(), text.size()))
        return Xbase::FileRead;
    return Xbase::None;
}

Xbase MemoFile::write(const std::string& text, std::uint32_t oldBlock, std::uint32_t& block) {
    block = 0;
    if (readOnly_) return Xbase::ReadOnly;
    if (text.size() > kMaxMemo) return Xbase::BadData;
    const std::uint32_t need = blocksFor(text.size());
    std::uint32_t target = 0;
    if (oldBlock != 0 && oldBlock < nextBlock_) {
        std::uint8_t head[kMemoHead];
        if (file_.readAt(static_cast<std::uint64_t>(oldBlock) * blockSize_, head, kMemoHead) &&
            std::equal(head, head + 4, kMemoMark) && getU32(head + 4) >= kMemoHead) {
            const std::uint32_t had = blocksFor(getU32(head + 4) - kMemoHead);
            if (need <= had && oldBlock + had <= nextBlock_) target = oldBlock;
        }
    }
    const bool append = target == 0;
    if (append) {
        if (static_cast<std::uint64_t>(nextBlock_) + need > 999999999u) return Xbase::BadData;
        target = nextBlock_;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(need) * blockSize_, 0);
    std::copy(kMemoMark, kMemoMark + 4, data.begin());
    putU32(data.data() + 4, static_cast<std::uint32_t>(text.size() + kMemoHead));
    std::copy(text.begin(), text.end(), data.begin() + kMemoHead);
    // Readers that take the length for the text's alone stop at this mark.
    data[kMemoHead + text.size()] = kMemoEnd;
    if (!file_.writeAt(static_cast<std::uint64_t>(target) * blockSize_, data.data(), data.size()))
        return Xbase::FileWrite;
    if (append) {
        nextBlock_ = target + need;
        std::uint8_t next[4];
        putU32(next, nextBlock_);
        if (!file_.writeAt(kNextBlock, next, 4)) return Xbase::FileWrite;
    }
    block = target;
    return Xbase::None;
}

Xbase MemoFile::flush() {
    if (!file_.isOpen() || readOnly_) return Xbase::None;
    return file_.sync() ? Xbase::None : Xbase::FlushFailure;
}

} // namespace zv::dbase
