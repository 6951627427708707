#include "storage/dbase/file_swap.h"

#include "storage/dbase/binary_file.h"

#include <cstdio>
#include <filesystem>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;

int crashStep = 0;  // test hook: first step to fail, 0 = off
int stepsTaken = 0; // steps counted since the hook was set

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace

void crashAtStepForTest(int n) {
    crashStep = n;
    stepsTaken = 0;
}

bool crashHere() {
    if (crashStep == 0) return false;
    return ++stepsTaken >= crashStep;
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
               std::span<const std::uint8_t> bytes) {
    if (crashHere()) return Xbase::FileWrite;
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
    if (crashHere()) return Xbase::FileWrite;
    std::error_code ec;
    fs::rename(workPath, path, ec);
    if (ec) {
        fs::remove(workPath, ec);
        return Xbase::FileWrite;
    }
    return Xbase::None;
}

} // namespace zv::dbase
