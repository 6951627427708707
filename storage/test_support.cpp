#include "storage/test_support.h"

#include "storage/coding.h"
#include "storage/runtime_error.h"

namespace zv::storage::test {

namespace {
int gCount = 0;
std::string gText;
void countingHandler(const std::string&, const std::string& text) {
    ++gCount;
    gText = text;
}
} // namespace

CatchRuntimeErrors::CatchRuntimeErrors() : previous_(setRuntimeErrorHandler(countingHandler)) {
    reset();
}
CatchRuntimeErrors::~CatchRuntimeErrors() {
    setRuntimeErrorHandler(previous_);
}
int CatchRuntimeErrors::count() {
    return gCount;
}
const std::string& CatchRuntimeErrors::lastText() {
    return gText;
}
void CatchRuntimeErrors::reset() {
    gCount = 0;
    gText.clear();
}

int readAll(NativeFile& file, Model* out) {
    out->clear();
    PageRecord r;
    bool found = false;
    std::string key;
    if (int rc = file.ceiling(std::string(1, '\0'), &r, &found)) return rc;
    while (found) {
        out->emplace(r.key, r.payload);
        key = r.key;
        if (int rc = file.successor(key, &r, &found)) return rc;
    }
    file.endAccess();
    return 0;
}

std::unique_ptr<NativeFile> openFile(platform::FileSystem& fs, const std::string& path, int* rc,
                                     const NativeFile::Options& options) {
    std::unique_ptr<NativeFile> f;
    int r = NativeFile::open(fs, path, true, options, &f);
    if (rc) *rc = r;
    return f;
}

std::string makeKey(std::uint32_t n, std::size_t len) {
    std::string k = "K";
    appendBe32(k, n);
    while (k.size() < len)
        k.push_back(static_cast<char>('a' + (n + k.size()) % 3));
    return k.substr(0, std::max<std::size_t>(len, 1));
}

std::string makePayload(std::uint32_t seed, std::size_t len) {
    std::string p(len, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < len; ++i) {
        // Mix runs (compressible) with noise.
        if ((i / 64) % 2 == 0) {
            p[i] = static_cast<char>(' ' + (seed % 7));
        } else {
            x = x * 1103515245u + 12345u;
            p[i] = static_cast<char>(x >> 16);
        }
    }
    return p;
}

} // namespace zv::storage::test
