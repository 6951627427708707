// zevlon-tool check FILE: verifies every invariant of a native file.
#include "platform/file_io.h"
#include "storage/block_cipher.h"
#include "storage/native_file.h"
#include "storage/quarto_driver.h"
#include "storage/runtime_error.h"
#include "storage/table_records.h"
#include "tools/commands.h"

#include <cstdio>
#include <string>

namespace zv::tool {

namespace {
std::string gInternal; // the text of an internal error met while opening
void remember(const std::string&, const std::string& text) {
    if (gInternal.empty()) gInternal = text;
}
} // namespace

// Opens a native file read-only for the tool; prints the reason and returns
// nullptr when it cannot.
std::unique_ptr<storage::NativeFile> openForTool(const std::string& path, int* exitCode) {
    auto previous = storage::setRuntimeErrorHandler(remember);
    std::unique_ptr<storage::NativeFile> file;
    storage::NativeFile::Options options;
    options.readOnly = true;
    options.shared = true; // stations may have it open: read it while none commits
    static std::unique_ptr<platform::FileSystem> enciphered; // outlives the file
    if (!ownerPassword().empty() && !enciphered)
        enciphered = storage::cipher::cipherFileSystem(
            platform::posixFileSystem(), storage::cipher::keyFromPassword(ownerPassword()));
    int rc = storage::NativeFile::open(enciphered ? *enciphered : platform::posixFileSystem(), path,
                                       false, options, &file);
    if (rc == 0) rc = storage::holdAgainstCommits(*file);
    if (rc == 0) {
        rc = file->beginAccess();
        file->endAccess();
    }
    storage::setRuntimeErrorHandler(previous);
    if (rc == 0) return file;
    if (!gInternal.empty()) {
        std::printf("%s\n", gInternal.c_str());
        *exitCode = 1;
    } else if (rc == storage::kErrNotNative) {
        std::printf("not a native file\n");
        *exitCode = 1;
    } else {
        *exitCode = badInput("cannot open " + path + ": error " + std::to_string(rc));
    }
    return nullptr;
}

int runCheck(Args args) {
    if (args.size() != 1) return badInput("usage: check FILE");
    int exitCode = 0;
    const std::string path(args[0]);
    const storage::RuntimeErrorFileScope naming(path); // a runtime error names the file
    auto file = openForTool(path, &exitCode);
    if (!file) return exitCode;
    std::string problem = file->check();
    std::vector<storage::TableEntry> tables;
    if (problem.empty() && storage::listTables(*file, &tables) != 0)
        problem = "tables cannot be read";
    for (const auto& t : tables) {
        if (!problem.empty()) break;
        problem = storage::checkTable(*file, t);
    }
    if (!problem.empty()) {
        std::printf("%s\n", problem.c_str());
        return 1;
    }
    std::puts("ok");
    return 0;
}

int runStats(Args args) {
    if (args.size() != 1) return badInput("usage: stats FILE");
    int exitCode = 0;
    const std::string path(args[0]);
    const storage::RuntimeErrorFileScope naming(path); // a runtime error names the file
    auto file = openForTool(path, &exitCode);
    if (!file) return exitCode;
    storage::FileStats st;
    std::string problem = file->check(&st);
    if (!problem.empty()) {
        std::printf("%s\n", problem.c_str());
        return 1;
    }
    std::puts("pages per size class:");
    int pages = 0;
    for (int c = 1; c <= 59; ++c)
        if (st.pagesPerClass[c]) {
            std::printf("  %2d (%5d bytes): %d\n", c, c * 256, st.pagesPerClass[c]);
            pages += st.pagesPerClass[c];
        }
    std::printf("pages: %d\n", pages);
    std::printf("tree depth: %d\n", st.depth);
    std::printf("records: %llu\n", static_cast<unsigned long long>(st.records));
    std::printf("bytes on disk: %llu\n", static_cast<unsigned long long>(st.fileBytes));
    double ratio = st.expandedBytes ? static_cast<double>(st.storedBytes) / st.expandedBytes : 1.0;
    std::printf("compression ratio: %.3f (stored %llu / expanded %llu)\n", ratio,
                static_cast<unsigned long long>(st.storedBytes),
                static_cast<unsigned long long>(st.expandedBytes));
    return 0;
}

} // namespace zv::tool
