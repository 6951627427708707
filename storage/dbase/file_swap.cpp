#include "storage/dbase/file_swap.h"

#include "storage/dbase/binary_file.h"

#include <cstdio>
#include <filesystem>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;

int crashStep = 0;   // test hook: step to stop before, 0 = off
int crashAfter = 0;  // swaps still to pass before the hook fires

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool crashesAt(int step) {
    return crashStep != 0 && crashAfter == 0 && step == crashStep;
}

} // namespace

void crashSwapForTest(int step, int afterSwaps) {
    crashStep = step;
    crashAfter = afterSwaps;
}

std::string siblingPath(const std::string& tablePath, const char* upperExtension) {
    const auto slash = tablePath.find_last_of("/\\");
    const auto dot = tablePath.find_last_of('.');
    std::string ext(upperExtension);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return tablePath + "." + ext;
    const char first = dot + 1 < tablePath.size() ? tablePath[dot + 1] : 'A';
    if (first >= 'a' && first <= 'z')
        for (auto& c : ext)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tablePath.substr(0, dot + 1) + ext;
}

std::string dynamicWorkPath(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (unsigned n = 0; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "DYN%03u.$$$", n);
        if (!exists(dir + name)) return dir + name;
    }
    return dir + "DYN999.$$$";
}

std::string memoWorkPath(const std::string& tablePath) {
    const auto slash = tablePath.find_last_of("/\\");
    auto dot = tablePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = tablePath.size();
    const std::string base = tablePath.substr(0, dot);
    for (int n = 0; n < 1000; ++n) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%d.DBT", n);
        if (!exists(base + suffix)) return base + suffix;
    }
    return base + "999.DBT";
}

Xbase swapFile(const std::string& path, const std::string& workPath,
               const std::string& backupPath, std::span<const std::uint8_t> bytes) {
    if (crashStep != 0 && crashAfter > 0) --crashAfter;
    if (crashesAt(1)) return Xbase::FileWrite;
    {
        BinaryFile work;
        if (!work.open(workPath, BinaryFile::Mode::Create)) return Xbase::FileWrite;
        if (!work.writeAt(0, bytes.data(), bytes.size()) || !work.sync()) {
            work.close();
            std::error_code ec;
            fs::remove(workPath, ec);
            return Xbase::FileWrite;
        }
    }
    if (crashesAt(2)) return Xbase::FileWrite;
    std::error_code ec;
    const bool had = exists(path);
    if (had) {
        fs::remove(backupPath, ec);
        fs::rename(path, backupPath, ec);
        if (ec) {
            fs::remove(workPath, ec);
            return Xbase::FileWrite;
        }
    }
    if (crashesAt(3)) return Xbase::FileWrite;
    fs::rename(workPath, path, ec);
    if (ec) {
        if (had) fs::rename(backupPath, path, ec);
        return Xbase::FileWrite;
    }
    if (crashesAt(4)) return Xbase::FileWrite;
    if (had) fs::remove(backupPath, ec);
    return Xbase::None;
}

void restoreSwap(const std::string& path, const std::string& backupPath) {
    std::error_code ec;
    if (!exists(backupPath)) return;
    if (!exists(path))
        fs::rename(backupPath, path, ec);
    else
        fs::remove(backupPath, ec);
}

} // namespace zv::dbase
