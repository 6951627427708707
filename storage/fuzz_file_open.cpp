// libFuzzer target: any bytes as a native file; opening it, walking every
// record and checking it must end in an error code or the "Runtime error"
// handler, never in a crash.
#include "platform/file_io.h"
#include "storage/native_file.h"
#include "storage/runtime_error.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
void ignore(const std::string&, const std::string&) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::storage;
    setRuntimeErrorHandler(ignore);
    zv::platform::MemFileSystem fs;
    fs.put("f.qtf", std::vector<std::uint8_t>(data, data + size));
    std::unique_ptr<NativeFile> file;
    if (NativeFile::open(fs, "f.qtf", false, {}, &file) != 0) return 0;
    PageRecord r;
    bool found = false;
    if (file->ceiling(std::string(1, '\0'), &r, &found) != 0) return 0;
    for (int i = 0; found && i < 100000; ++i) {
        std::string key = r.key;
        if (file->successor(key, &r, &found) != 0) return 0;
    }
    (void)file->check();
    if (file->insert("fuzz", "payload") == 0) (void)file->commit();
    return 0;
}
