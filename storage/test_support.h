// Helpers shared by the storage tests: a runtime-error handler that counts
// instead of ending the process, and reading a whole native file into a map.
#pragma once

#include "platform/file_io.h"
#include "storage/native_file.h"
#include "storage/runtime_error.h"

#include <map>
#include <memory>
#include <string>

namespace zv::storage::test {

// Installs a counting handler for the life of the object.
class CatchRuntimeErrors {
public:
    CatchRuntimeErrors();
    ~CatchRuntimeErrors();
    static int count();
    static const std::string& lastText();
    static void reset();

private:
    RuntimeErrorHandler previous_;
};

using Model = std::map<std::string, std::string>;

// Every record of the file in key order (walked with successor()).
[[nodiscard]] int readAll(NativeFile& file, Model* out);

// Opens `path` on `fs` for reading and writing, creating it.
std::unique_ptr<NativeFile> openFile(platform::FileSystem& fs, const std::string& path,
                                     int* rc = nullptr,
                                     const NativeFile::Options& options = NativeFile::Options{});

// Deterministic record contents for seeded tests.
std::string makeKey(std::uint32_t n, std::size_t len);
std::string makePayload(std::uint32_t seed, std::size_t len);

} // namespace zv::storage::test
