#include "storage/dbase/memo_pack.h"

#include "storage/dbase/dbf_file.h"
#include "storage/dbase/file_swap.h"

#include <filesystem>
#include <utility>
#include <vector>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::uint32_t blockIn(const std::vector<std::uint8_t>& row, const Column& c) {
    std::uint64_t v = 0;
    bool digits = false;
    for (std::size_t i = c.offset; i < static_cast<std::size_t>(c.offset) + c.width; ++i) {
        const char ch = static_cast<char>(row[i]);
        if (ch == ' ' && !digits) continue;
        if (ch < '0' || ch > '9' || v > UINT32_MAX / 10) return 0;
        v = v * 10 + static_cast<unsigned>(ch - '0');
        digits = true;
    }
    return static_cast<std::uint32_t>(v);
}

void putBlock(std::vector<std::uint8_t>& row, const Column& c, std::uint32_t block) {
    std::string text = block == 0 ? std::string() : std::to_string(block);
    if (text.size() > c.width) text.clear();
    text.insert(0, c.width - text.size(), ' ');
    for (std::size_t i = 0; i < c.width; ++i)
        row[c.offset + i] = static_cast<std::uint8_t>(text[i]);
}

std::string tableName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    for (auto& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return base;
}

Xbase copyFile(const std::string& from, const std::string& to) {
    BinaryFile in;
    BinaryFile out;
    if (!in.open(from, BinaryFile::Mode::Read)) return Xbase::FileRead;
    if (!out.open(to, BinaryFile::Mode::Create)) return Xbase::FileWrite;
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t at = 0;
    for (;;) {
        const long long n = in.readSome(at, buffer.data(), buffer.size());
        if (n < 0) return Xbase::FileRead;
        if (n == 0) break;
        if (!out.writeAt(at, buffer.data(), static_cast<std::size_t>(n))) return Xbase::FileWrite;
        at += static_cast<std::uint64_t>(n);
    }
    return out.sync() ? Xbase::None : Xbase::FlushFailure;
}

} // namespace

Xbase packMemos(const std::string& tablePath) {
    const std::string memoPath = memoPathFor(tablePath);
    const std::string tableBackup = siblingPath(tablePath, "BAK");
    const std::string memoBackup = siblingPath(tablePath, "BKT");
    // Step 1: the new memo file, and the rows' new references.
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> changed;
    const std::string work = memoWorkPath(tablePath);
    {
        DbfFile table;
        if (const Xbase e = table.open(tablePath, true); e != Xbase::None) return e;
        if (!table.hasMemo()) return table.close();
        if (crashHere()) return Xbase::FileWrite;
        MemoFile packed;
        if (const Xbase e = packed.create(work, tableName(tablePath)); e != Xbase::None) return e;
        std::vector<std::uint8_t> row;
        for (std::uint32_t n = 1; n <= table.rowCount(); ++n) {
            if (const Xbase e = table.readRow(n, row); e != Xbase::None) return e;
            const std::vector<std::uint8_t> before = row;
            for (const Column& c : table.columns()) {
                if (c.type != 'M') continue;
                const std::uint32_t block = blockIn(row, c);
                std::string text;
                std::uint32_t moved = 0;
                // A memo that cannot be read is dropped; the row keeps its other values.
                if (block != 0 && table.readMemo(block, text) == Xbase::None && !text.empty()) {
                    if (const Xbase e = packed.write(text, 0, moved); e != Xbase::None) return e;
                }
                putBlock(row, c, moved);
            }
            if (row != before) changed.emplace_back(n, row);
        }
        if (const Xbase e = packed.flush(); e != Xbase::None) return e;
        packed.close();
        if (const Xbase e = table.close(); e != Xbase::None) return e;
    }
    // Steps 2-4: backups, then the new memo file in place.
    if (crashHere()) return Xbase::FileWrite;
    if (const Xbase e = copyFile(tablePath, tableBackup); e != Xbase::None) return e;
    std::error_code ec;
    if (crashHere()) return Xbase::FileWrite;
    fs::rename(memoPath, memoBackup, ec);
    if (ec) return Xbase::FileWrite;
    if (crashHere()) return Xbase::FileWrite;
    fs::rename(work, memoPath, ec);
    if (ec) return Xbase::FileWrite;
    // Step 5: the rows' references.
    if (crashHere()) return Xbase::FileWrite;
    {
        DbfFile table;
        if (const Xbase e = table.open(tablePath, false); e != Xbase::None) return e;
        for (const auto& [n, row] : changed) {
            if (crashHere()) return Xbase::FileWrite;
            if (const Xbase e = table.writeRow(n, row); e != Xbase::None) return e;
        }
        if (const Xbase e = table.close(); e != Xbase::None) return e;
    }
    // Step 6.
    if (crashHere()) return Xbase::FileWrite;
    fs::remove(tableBackup, ec);
    if (crashHere()) return Xbase::FileWrite;
    fs::remove(memoBackup, ec);
    return Xbase::None;
}

void settleMemoPack(const std::string& tablePath) {
    const std::string memoPath = memoPathFor(tablePath);
    const std::string tableBackup = siblingPath(tablePath, "BAK");
    const std::string memoBackup = siblingPath(tablePath, "BKT");
    std::error_code ec;
    // Without a ".BKT" the memo file never moved and the table was not touched.
    if (!exists(memoBackup)) return;
    if (exists(tableBackup)) {
        fs::rename(tableBackup, tablePath, ec);
        if (ec) return;
        fs::rename(memoBackup, memoPath, ec);
        return;
    }
    fs::remove(memoBackup, ec);
}

} // namespace zv::dbase
