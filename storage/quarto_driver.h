// The native storage driver, registered as QUARTO: tables inside native files,
// shared between processes through byte-range locks at fixed offsets, each
// call committed atomically, transactions across files through a transaction
// control file, key rebuilds and driver commands.
//
// Lock layout on a data file (all above 2 GB, never covering data):
//   exclusive file lock  0x80000000, 1024 bytes  (a writing call in shared mode;
//                                                 apply and recovery in deny-write mode)
//   shared file lock     0x80000000 + slot, 1    (a reading call in shared mode)
//   table lock / record hold  0x80000400 + the number's stored bytes read as a
//                        little-endian 32-bit number (modulo 2^32), 1 byte
//
// Thread rule: one thread at a time. The list of open physical files and the
// transaction control file's name are process-wide.
#pragma once

#include "storage/driver.h"

#include <string>

namespace zv::storage {

class NativeFile;

class QuartoDriver : public Driver {
public:
    std::string name() const override { return "QUARTO"; }
    std::string description() const override { return "Quarto (QTF) Driver 1.00"; }
    DriverLimits limits() const override { return {15000, 240, 255}; }
    bool supports(DriverOp op) const override;
    [[nodiscard]] int dispatch(DriverOp op, ControlBlock& cb) override;
};

// Splits a physical name into the file name (".QTF" added when it has no
// extension, "\" turned into "/") and the table name (upper case, "UNNAMED"
// without "\!").
void splitPhysicalName(const std::string& physical, std::string* file, std::string* table);

// The name the driver reports for an open table: the file name, then "\!" and
// the table name unless the table is UNNAMED.
std::string reportedName(const ControlBlock& cb);

// Keeps every station from committing to `file` until it is closed, waiting
// while one commits; for readers outside the driver such as the tools. 0 or
// the system error.
int holdAgainstCommits(NativeFile& file);

// Number of physical files open in this process (for tests).
int openPhysicalFiles();

// In a child process made by fork(): forgets the parent's open files without
// touching them, so the child opens its own handles (and locks of its own).
void forgetOpenFilesAfterFork();

// Test hook: called during a commit across several files with stage 1 when
// every file is prepared (before the commit point) and 2 just after the commit
// point (before any file is applied). Crash tests end the process there.
extern void (*testHookTransactionStage)(int stage);

} // namespace zv::storage
