#include "app/utilities/repair/file_check.h"

#include "platform/file_io.h"
#include "storage/native_file.h"
#include "storage/quarto_driver.h"
#include "storage/runtime_error.h"
#include "storage/table_records.h"

#include <memory>
#include <vector>

namespace zv::utilities {
namespace {

std::string& internalError() {
    static std::string text;
    return text;
}

void remember(const std::string&, const std::string& text) {
    if (internalError().empty()) internalError() = text;
}

// Runs the check with inconsistencies reported instead of ending the program.
class ReportedInconsistencies {
public:
    ReportedInconsistencies() : previous_(storage::setRuntimeErrorHandler(remember)) {
        internalError().clear();
    }
    ~ReportedInconsistencies() { storage::setRuntimeErrorHandler(previous_); }
    ReportedInconsistencies(const ReportedInconsistencies&) = delete;
    ReportedInconsistencies& operator=(const ReportedInconsistencies&) = delete;

private:
    storage::RuntimeErrorHandler previous_;
};

std::string checked(const std::string& path) {
    std::unique_ptr<storage::NativeFile> file;
    storage::NativeFile::Options options;
    options.readOnly = true;
    options.shared = true; // stations may have it open: read it while none commits
    int rc = storage::NativeFile::open(platform::posixFileSystem(), path, false, options, &file);
    if (rc == 0) rc = storage::holdAgainstCommits(*file);
    if (rc == 0) {
        rc = file->beginAccess();
        file->endAccess();
    }
    if (rc != 0) {
        if (rc == storage::kErrNotNative) return "not a native file";
        return "cannot open: error " + std::to_string(rc);
    }
    std::string problem = file->check();
    std::vector<storage::TableEntry> tables;
    if (problem.empty() && storage::listTables(*file, &tables) != 0)
        problem = "tables cannot be read";
    for (const auto& t : tables) {
        if (!problem.empty()) break;
        problem = storage::checkTable(*file, t);
    }
    return problem;
}

} // namespace

std::string checkDataFile(const std::string& physicalName) {
    std::string path, table;
    storage::splitPhysicalName(physicalName, &path, &table);
    const ReportedInconsistencies reported;
    const storage::RuntimeErrorFileScope naming(path);
    std::string problem = checked(path);
    if (!internalError().empty()) return internalError();
    return problem;
}

} // namespace zv::utilities
