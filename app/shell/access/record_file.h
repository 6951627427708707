// One file of the data dictionary bound to this process: its one record buffer
// (shared by every procedure and thread), its memo buffers, physical name,
// driver, open counter and the file operations procedures call on it.
//
// Every operation leaves the database's error state (code and text, and for 90
// the driver's own text) and returns the code: 0 success, 33 end of data.
#pragma once

#include "error_codes.h"
#include "position.h"

#include "app/shell/dictionary/dictionary.h"
#include "storage/driver.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv::access {

class Database;

// Access modes used by the program.
constexpr std::uint16_t kOpenShared = 0x42;    // read/write, deny none
constexpr std::uint16_t kOpenDenyWrite = 0x22; // read/write, deny write

class RecordFile {
public:
    RecordFile(Database& db, const dict::FileDef& def);
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const dict::FileDef& def() const { return def_; }
    const storage::TableDecl& declaration() const { return decl_; }

    // The record buffer.
    std::uint8_t* record() { return record_.data(); }
    const std::uint8_t* record() const { return record_.data(); }
    std::size_t recordSize() const { return record_.size(); }
    // The buffer as the file's typed record (REQUIRES: R is this file's layout).
    template <typename R> R& as() {
        static_assert(alignof(R) == 1);
        return *reinterpret_cast<R*>(record_.data());
    }
    template <typename R> const R& as() const {
        static_assert(alignof(R) == 1);
        return *reinterpret_cast<const R*>(record_.data());
    }
    // Blank the record and its memos (text fields blank, numbers zero).
    void clearBuffer();

    // Memo i as text (Windows-1250), and setting it (cut to the memo's size).
    std::string memo(std::size_t i = 0) const;
    void setMemo(std::string_view text, std::size_t i = 0);

    // The bytes of memo i, as wide as the memo (blank padded); they stay at this
    // place for the life of the file object.
    const std::uint8_t* memoBuffer(std::size_t i) const { return memos_.at(i).data(); }

    // The physical name used at the next open.
    const std::string& physicalName() const { return physicalName_; }
    void setPhysicalName(std::string_view name) { physicalName_ = name; }

    // The order its text keys are declared in: Czech alphabetical or by bytes.
    // A file keeps the order it was made or last fully rebuilt in; the
    // declared one is what a new file and a full rebuild take.
    void declareCzechOrder(bool czech);
    // The order the file keeps ("CZ" or "BYTES"); the file must be open.
    int storedOrder(std::string* order);

    // Key number by name ("ADR:BYFIRMA" or "BYFIRMA", any case), or -1.
    int keyNumber(std::string_view keyName) const;

    // Open counter: how many procedures use the file (see the standard open).
    int users() const { return users_; }
    int addUser() { return ++users_; }
    int removeUser() { return users_ > 0 ? --users_ : 0; }

    bool isOpen() const { return open_; }

    // File operations.
    int open(std::uint16_t mode = kOpenShared);
    int create();
    int close();
    int build();
    int empty(); // removes every record (one commit)
    long records();
    long keyRecords(int key);
    std::string name() const; // the physical name, for messages
    int send(std::string_view command, std::string* answer = nullptr);

    int setKey(int key);          // before the first record of a key order
    int setKeyEnd(int key);       // after the last record of a key order
    int setKeyValue(int key);     // at the first record at or after the buffer's key value
    int setKeyValueBack(int key); // at the last record at or before the buffer's key value
    int setFile();                // start of record-number order
    // Reads the first record whose value in key `key` equals the buffer's (in the
    // key's order). 33 when there is none; the buffer then keeps what it held.
    int getByKey(int key);
    int next();
    int previous();
    bool eof() const { return eof_; }

    void clearCurrent(); // no current record (before an insert)
    int add();
    int put();
    int remove();
    bool duplicate(int key); // the buffer's value already exists in another record

    Position
    position(int key) const;        // the current record's place in a key order (-1: record order)
    int reset(const Position& pos); // the next read returns the record at pos
    int reget(const Position& pos); // re-read the record at pos into the buffer
    void watch();                   // a later put detects a change by another station

    int lockTable(int seconds); // -1 waits without limit
    int unlockTable();

    // Batch writing: adds and changes are committed once, at flush.
    int stream();
    int flush();

    // Counts the driver calls made for this file: a view that finds the count
    // unchanged since its last read knows the file still stands where it left it.
    std::uint64_t calls() const { return calls_; }

    // The driver's control block (for the database's transaction handling).
    storage::ControlBlock& controlBlock() { return cb_; }

private:
    int run(storage::DriverOp op);
    void bind(std::uint16_t mode); // fills the control block's lasting inputs
    void copyKeyBytes(int key, std::vector<std::uint8_t>& out) const;

    Database& db_;
    const dict::FileDef& def_;
    storage::TableDecl decl_;
    std::vector<std::uint8_t> record_;
    std::vector<std::vector<std::uint8_t>> memos_;
    std::string physicalName_;
    storage::ControlBlock cb_;
    storage::Driver* driver_ = nullptr; // bound at open
    std::uint64_t calls_ = 0;
    int users_ = 0;
    bool open_ = false;
    bool eof_ = false;
    bool recordOrder_ = false; // reading in record-number order (eof applies)
};

} // namespace zv::access
