// The file driver interface: the one entry through which the record access
// services run every file operation, whatever the file's format. The native
// driver (QUARTO) and the dBase IV driver implement it; the record access layer
// looks a driver up by its registered name and calls dispatch() with an
// operation code and the file's control block.
//
// Thread rule: a driver is used from one thread at a time (the process-wide run
// lock serialises callers). A control block belongs to one open file of one
// procedure set; the driver keeps its own per-table state behind `driverState`.
#pragma once

#include "storage/declaration.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zv::storage {

// Operation codes passed to dispatch(). The numbers are the contract between the
// record access services and every driver; a driver refuses the codes it does not
// list in its registration with error 80 "Unsupported File Driver Function".
enum class DriverOp : int {
    Add = 1,                  // add the record in the buffer, maintaining keys
    TestPrevious = 2,         // does a previous record exist (answer in `answer`)
    BuildAll = 3,             // build all keys
    AddWithoutKeys = 4,       // add without key maintenance (keys built later)
    BuildKey = 5,             // build one key (`keyNumber`)
    BuildIndex = 6,           // build one index (`keyNumber`)
    Close = 7,                // close the table
    CommitTransaction = 8,    // commit the transaction
    Copy = 9,                 // copy the table to `text` (an existing target is replaced)
    Create = 10,              // create the table (54 when the declaration forbids it)
    Delete = 11,              // delete the current record
    Empty = 13,               // remove every record of the table
    TestNext = 14,            // does a next record exist (answer in `answer`)
    GetByKey = 15,            // read the first record whose key value equals the buffer's
    LockTable = 20,           // lock the table, waiting without limit
    LockTableTimed = 21,      // lock the table, waiting at most `seconds`
    BeginTransaction = 22,    // begin a transaction; this file joins it
    Next = 24,                // read the next record from the position
    Open = 25,                // open the table with `accessMode`
    BuildAllKeys = 26,        // build all keys (second code)
    Flush = 29,               // commit pending changes and release the call lock
    Change = 30,              // change the current record
    Previous = 31,            // read the previous record from the position
    Records = 32,             // number of records of the table (answer in `answer`)
    KeyRecords = 33,          // number of entries of a key (answer in `answer`)
    BuildKeyOrIndex = 34,     // build one key or index (`keyNumber`)
    ReleaseRecord = 36,       // release the held record
    Rename = 38,              // rename the table to `text` (an existing target is an error)
    RollbackTransaction = 40, // roll the transaction back
    SetKeyStart = 41,         // position at the start of key `keyNumber`'s order
    SetKeyValue = 42,         // position at the buffer's key value, reading forward
    SetRecordNumber = 43,     // position at `recordNumber` in record-number order, forward
    SetKeyEnd = 44,           // position at the end of a key's order
    SetKeyValueBack = 45,     // position at the buffer's key value, reading backward
    SetRecordNumberBack = 46, // position at `recordNumber`, reading backward
    SetKeyValueRecord = 47,   // position at the buffer's key value and `recordNumber`
    OpenShared = 48,          // open the table with `accessMode` (second code)
    SkipRecords = 49,         // skip `count` records forward without reading them
    UnlockTable = 50,         // unlock the table
    ChangeByNumber = 54,      // change the record given by `recordNumber`
    SetFlags = 56,            // set table flags (`flags`); no file access
    TestDuplicate = 57,       // would the buffer duplicate another record in key `keyNumber`
    Watch = 58,               // the next read remembers its record for the change check
    Command = 60,             // driver command in `text`; the answer in `answerText`
    SetRecordStart = 63,      // position at the start of record-number order
    ResetPosition = 64,       // position at the saved position in `position`
    SetFlagsSecond = 65,      // set table flags (second code); no file access
    HoldNext = 18,            // the next read holds its record, waiting `seconds`
    HoldNextSecond = 19,      // as HoldNext (second code)
};

// Access mode word: bits 0-1 access, bits 4-6 sharing, 0x100 create.
enum AccessMode : std::uint16_t {
    kAccessRead = 0x00,
    kAccessWrite = 0x01,
    kAccessReadWrite = 0x02,
    kAccessMask = 0x03,
    kShareCompat = 0x00,
    kShareDenyAll = 0x10,
    kShareDenyWrite = 0x20,
    kShareDenyRead = 0x30,
    kShareDenyNone = 0x40,
    kShareMask = 0x70,
    kAccessCreate = 0x100,
};

// Run flags the record access services set on a control block.
enum RunFlags : std::uint32_t {
    kRunTransaction = 0x01, // a transaction is active
    kRunBatch = 0x02,       // batch writing: results are committed when the batch ends
    kRunWriting = 0x04,     // opened for writing
    kRunDenyWrite = 0x08,   // others are denied writing
};

// Per-table state a driver keeps behind a control block; owned by the block.
class DriverTableState {
public:
    virtual ~DriverTableState() = default;
};

// The generic control block of one open file. The record access services fill
// the inputs before dispatch(); the driver fills the outputs.
struct ControlBlock {
    // Inputs that stay for the life of the open file.
    const TableDecl* decl = nullptr; // the declaration; outlives the block
    std::string physicalName;        // e.g. "C:\\DATA\\X.EMS\\!ADRESY" or "data/adresar"
    std::string ownerPassword;       // empty: no cipher
    std::uint16_t accessMode = kAccessReadWrite | kShareDenyNone; // AccessMode bits
    std::vector<std::uint8_t>* record = nullptr;             // record buffer, decl->recordLength
    std::vector<std::vector<std::uint8_t>>* memos = nullptr; // one buffer per declared memo
    std::uint32_t runFlags = 0;                              // RunFlags

    // Inputs of one call (which ones an operation reads is said at DriverOp).
    int keyNumber = 0;                  // key in declaration order
    std::uint32_t recordNumber = 0;     // record number (0: none given)
    std::int32_t count = 0;             // records to skip
    std::int32_t seconds = 0;           // waiting time; -1 waits without limit
    std::uint32_t flags = 0;            // table flags for SetFlags
    bool leaveMemos = false;            // a change leaves the stored memos alone
    std::string text;                   // command text, target name of copy/rename
    std::vector<std::uint8_t> position; // saved position (at most 512 bytes)

    // Outputs of one call.
    int error = 0;                   // 0 or an error code of the record access services
    std::string errorText;           // the driver's own wording for error 90
    std::int64_t answer = 0;         // counts and yes/no answers (1/0)
    std::string answerText;          // answers of driver commands, reported names
    std::uint32_t currentRecord = 0; // the record number of the current record, 0: none

    // The driver's private state for this table; created at open, dropped at close.
    std::unique_ptr<DriverTableState> driverState;
};

// Capability limits a driver registers.
struct DriverLimits {
    int maxRecordLength = 0;
    int maxKeys = 0;
    int maxMemos = 0;
};

// A file driver. dispatch() runs one operation and returns the error code it also
// leaves in `cb.error` (0 on success).
class Driver {
public:
    virtual ~Driver() = default;
    virtual std::string name() const = 0;        // "QUARTO", "DBASE4"
    virtual std::string description() const = 0; // "Quarto (QTF) Driver 1.00"
    virtual DriverLimits limits() const = 0;
    virtual bool supports(DriverOp op) const = 0;
    [[nodiscard]] virtual int dispatch(DriverOp op, ControlBlock& cb) = 0;
};

} // namespace zv::storage
