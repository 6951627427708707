// Internals of the QUARTO driver shared by its source files: the process-wide
// list of physical files, the per-table state, the call protocol (reading and
// writing states with the call lock) and the operations that span files.
// Nothing outside the driver includes this header.
#pragma once

#include "storage/coding.h"
#include "storage/driver.h"
#include "storage/native_file.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::storage::quarto {

// Error codes of the record access services.
enum : int {
    kFileNotFound = 2,
    kAccessDenied = 5,
    kNoMemory = 8,
    kFileLocked = 32,
    kNotAvailable = 33,
    kInvalidData = 36,
    kDuplicateKey = 40,
    kRecordHeld = 43,
    kInvalidName = 45,
    kBadDeclaration = 47,
    kNoCreate = 54,
    kBadTypeDescriptor = 75,
    kBadType = 79,
    kUnsupported = 80,
    kFileSystem = 90,
    kChanged = 89,
};

constexpr std::uint64_t kLockBase = 0x80000000ull;
constexpr std::uint64_t kLockSlots = 1024;

inline std::uint64_t byteLockOffset(std::uint32_t number) {
    std::uint8_t b[4];
    putBe32(b, number);
    return kLockBase + static_cast<std::uint32_t>(0x400u + getLe32(b));
}

struct PhysicalFile {
    std::string name;
    std::unique_ptr<NativeFile> file;
    int refs = 0;
    bool shared = false;
    bool cachedReads = false; // reads may run on cached pages without the call lock
    enum class Lock { None, Shared, Exclusive } lock = Lock::None;
    std::uint64_t slot = 0;
    bool inTransaction = false;
    // While this handle holds the exclusive lock: whether another handle was
    // found holding a record (known: it was looked for since the lock was taken).
    bool holdsElsewhereKnown = false;
    bool holdsElsewhere = false;
    std::uint64_t writes = 0; // counts the writing calls of this process
    std::string password;     // owner password of an enciphered file, empty: none

    int fd() { return file->file().descriptor(); }
};

struct Globals {
    std::map<std::string, std::unique_ptr<PhysicalFile>> files;
    std::string tcf; // set by "TCF="; empty: beside the data files
    std::vector<PhysicalFile*> transaction;
};

Globals& globals();

// A key kept outside the file: its entries (key bytes -> record number as
// stored) in this process's memory, built from the data records.
struct OutsideKey {
    bool built = false;
    std::uint32_t changeCounter = 0; // the file's, when built
    std::uint64_t writes = 0;        // the physical file's, when built
    std::map<std::string, std::string> entries;
};

struct Table : DriverTableState {
    PhysicalFile* pf = nullptr;
    std::string tableName;
    std::uint32_t number = 0;
    TableDecl def;
    std::uint32_t current = 0;
    // Position: the entry key reading continues from; `exclusive` moves past it.
    int posKey = -1; // key number, -1 record-number order
    std::string posEntry;
    bool posExclusive = false;
    bool holdRequested = false;
    int holdSeconds = 0;
    bool held = false;
    std::uint32_t heldRecord = 0;
    bool tableLocked = false;
    bool fullBuild = false;
    bool watchNext = false;
    bool watched = false;
    std::uint32_t watchRecord = 0;
    std::vector<std::uint8_t> watchImage;
    std::uint32_t flags = 0;
    std::map<int, OutsideKey> outside; // by key number
};

std::string upper(const std::string& s);
// The record access services' code for a system error (90 with its text for
// the rest).
int mapOsError(int e, ControlBlock& cb);
std::string directoryOf(const std::string& path);
// Is transaction `number` still registered in its control file? A relative
// name is taken from the directory of the data file carrying the marker.
bool transactionRegistered(std::uint32_t number, const std::string& controlFile,
                           const std::string& dataPath);

// Drops the file's pending changes (what this process's tables built from them
// is out of date).
void dropChanges(PhysicalFile& pf);
int releaseCallLock(PhysicalFile& pf);
// Ends the reading or writing state: commits pending changes, releases the lock.
int endState(PhysicalFile& pf);
int beginCall(Table& t, bool writing);
int endCall(Table& t, std::uint32_t runFlags, int rc);
// Starts a reading call without the call lock when the file's cached pages are
// known current (see NativeFile::beginCachedRead); false: use beginCall.
bool beginCachedCall(Table& t);
void closePhysical(PhysicalFile* pf);
int openPhysical(const std::string& fileName, std::uint16_t mode, bool create, ControlBlock& cb,
                 PhysicalFile** out);
// Groups may nest this deep inside the record.
constexpr int kMaxGroupDepth = 100;
// How deep the declaration's groups nest (0: no group inside the record).
int groupDepth(const TableDecl& d);
// The declaration's limits: 47 for length, keys and memos, 75 for groups nested
// too deep, 79 for a field type the file cannot store.
int checkLimits(const TableDecl& d);

// Keys kept outside the file.
bool isOutsideKey(const Table& t, int key);
// Builds the key's store afresh from record 1; 40 when a value of a key
// without duplicates occurred twice (the later record gets no entry).
int buildOutsideKey(Table& t, int key);
// Lookups in the tree or, for a key kept outside, in its store (built or
// rebuilt first when missing or out of date).
enum class Seek { Ceiling, Floor, Successor, Predecessor };
int seekEntry(Table& t, int key, Seek how, const std::string& at, PageRecord* out, bool* found);
// The number of entries of a key kept outside the file.
int outsideCount(Table& t, int key, std::uint32_t* count);

// Copy (9) and rename (38) of a table.
int doCopy(ControlBlock& cb, Table& t, bool rename);
// Commits the changed files among `files` as one: a single file by itself,
// several through the transaction control file. On failure every file is in
// its old state (the caller drops the pending changes).
int commitFiles(const std::vector<PhysicalFile*>& files);
// Commits every changed file of the transaction; several through the control file.
int commitTransaction();
void rollbackTransaction();

} // namespace zv::storage::quarto
