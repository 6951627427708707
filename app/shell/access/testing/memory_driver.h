// A file driver that keeps its tables in memory, for tests of the record access
// services and of the procedures above them without files on disk. It orders
// keys on BYTE, SHORT, LONG, STRING and CSTRING components (ascending, with the
// case-insensitive, optional and duplicates flags) and answers the operations
// the record access services use. One instance is one "disk".
#pragma once

#include "storage/driver.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::access::testing {

class MemoryDriver : public storage::Driver {
public:
    std::string name() const override { return "QUARTO"; }
    std::string description() const override { return "In-memory test driver"; }
    storage::DriverLimits limits() const override { return {15000, 240, 255}; }
    bool supports(storage::DriverOp op) const override;
    int dispatch(storage::DriverOp op, storage::ControlBlock& cb) override;

    // Test hooks: the number of tables held, and changing a stored record behind
    // the program's back (as another station would).
    std::size_t tableCount() const { return tables_.size(); }
    bool overwrite(const std::string& physicalName, std::uint32_t recordNumber, std::size_t offset,
                   const std::string& bytes);
    // The next opens fail with these codes, one each (as a locked or damaged file would).
    void failNextOpens(std::vector<int> codes) { openFailures_ = std::move(codes); }
    // Commands received, in order.
    const std::vector<std::string>& commands() const { return commands_; }
    // Whether a table lock is taken (another station's lock makes LockTable fail).
    void setForeignLock(const std::string& physicalName, bool locked);

    struct Record {
        std::vector<std::uint8_t> image;
        std::vector<std::vector<std::uint8_t>> memos;
    };
    struct Table {
        storage::TableDecl decl;
        std::map<std::uint32_t, Record> records;
        std::uint32_t counter = 0;
        bool locked = false;      // by one of our blocks
        bool foreignLock = false; // by "another station"
    };

private:
    std::map<std::string, Table> tables_;              // by upper-cased physical name
    std::map<std::string, Table> transactionSnapshot_; // tables as they were at BeginTransaction
    bool inTransaction_ = false;
    std::vector<int> openFailures_;
    std::vector<std::string> commands_;
};

} // namespace zv::access::testing
