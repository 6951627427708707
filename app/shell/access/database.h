// The record access services of one process: every dictionary file with its
// one record buffer, the registered drivers, the error state of the last
// operation, and transactions over several files.
//
// Thread rule: one thread at a time (the process-wide run lock serialises the
// procedures); buffers are shared, so a procedure re-reads by position before it
// relies on a buffer after another window could have run.
#pragma once

#include "error_codes.h"
#include "record_file.h"

#include "storage/driver.h"

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::access {

// The state after the last operation.
struct ErrorState {
    int code = 0;           // 0 or an error code
    std::string text;       // its text
    std::string driverText; // for 90: the driver's own wording
    int driverCode = 0;     // for 90: the driver's own number
    std::string fileName;   // the physical name of the file concerned
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Drivers are looked up by their registered name (any letter case). The
    // database does not own them; they outlive it.
    void registerDriver(storage::Driver& driver);
    storage::Driver* driver(std::string_view name) const;

    // Every file of the dictionary, by label ("Adresar"); the same object for the
    // life of the database. A label that is not in the dictionary is a fault of
    // the program: it ends through the "Runtime error" handler, naming the label
    // (fileOrNull answers null instead).
    RecordFile& file(std::string_view label);
    RecordFile* fileOrNull(std::string_view label);

    // Gives every file whose name hangs on the data directory its physical name.
    void setDataPrefix(std::string_view prefix);
    const std::string& dataPrefix() const { return dataPrefix_; }

    // Declares the text keys of the program's own native files (not the export
    // and import files) in Czech alphabetical order, or in byte order.
    void setCzechOrder(bool czech);
    bool czechOrder() const { return czechOrder_; }
    // True for the files the setting applies to.
    static bool followsTextOrder(const dict::FileDef& def);

    // The error state of the last operation.
    const ErrorState& error() const { return error_; }
    int errorCode() const { return error_.code; }
    void setError(int code, std::string_view fileName = {}, std::string_view driverText = {},
                  int driverCode = 0);

    // A transaction over the listed files: waits at most timeoutSeconds for their
    // table locks. On failure nothing is left locked and the error is returned.
    int beginTransaction(int timeoutSeconds, std::span<RecordFile* const> files);
    int beginTransaction(int timeoutSeconds, std::initializer_list<RecordFile*> files) {
        return beginTransaction(timeoutSeconds,
                                std::span<RecordFile* const>(files.begin(), files.size()));
    }
    int commit();
    int rollback();
    bool inTransaction() const { return !transaction_.empty(); }

private:
    std::vector<storage::Driver*> drivers_;
    std::vector<std::unique_ptr<RecordFile>> files_; // lazily made, in dictionary order
    std::vector<RecordFile*> transaction_;           // files of the running transaction
    std::string dataPrefix_;
    bool czechOrder_ = false;
    ErrorState error_;
};

} // namespace zv::access
