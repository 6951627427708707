// The bulk clearing of one firm category (window CISTI$QW): every firm of the
// address book loses category n, ADR:Pn becomes 0 and, for the first ten
// categories, the text ADR:PnTXT becomes blank; every firm is written back.
//
// All or nothing: the firms are cleared inside one transaction over Adresar.
// A killed program or a power cut before the commit leaves no trace (the
// uncommitted pages never reach the file), one after it is rolled forward when
// the file is next opened; a key pressed, a failed read or write and a failed
// commit roll back at once. After any interruption either every firm is
// cleared or none is.
//
// Thread rule: runs on the calling procedure's thread and keeps it busy. Other
// windows may read Adresar while the progress is shown; the walk then finds its
// place again. Adresar's record buffer is given back as it was.
#pragma once

#include "app/shell/services/procedure_services.h"

#include <string>

namespace zv::records {

constexpr int kCategoryCount = 20;      // ADR:P1 .. ADR:P20
constexpr int kCategoriesWithText = 10; // ADR:P1TXT .. ADR:P10TXT

// What the clearing shows while it runs (the window shows a bar; tests and
// zevlon-tool show nothing).
class ClearingProgress {
public:
    virtual ~ClearingProgress() = default;
    // The walk begins over `total` firms (the bar's upper bound).
    virtual void begin(long total) = 0;
    // `done` firms are cleared so far. False asks to stop: nothing is kept.
    virtual bool step(long done) = 0;
    // The walk has ended (whatever its result).
    virtual void end() = 0;
};

class NoClearingProgress : public ClearingProgress {
public:
    void begin(long) override {}
    bool step(long) override { return true; }
    void end() override {}
};

enum class ClearingResult {
    Cleared,        // every firm cleared, committed
    Stopped,        // asked to stop: rolled back, no firm changed
    Failed,         // a read, write, lock or commit failed and was reported: no firm changed
    NotOpened,      // Adresar could not be opened (the standard open reported it)
    NoSuchCategory, // n outside 1..20: nothing to clear
};

struct ClearingOutcome {
    ClearingResult result = ClearingResult::NoSuchCategory;
    long firms = 0; // firms cleared (Cleared), or walked before the run ended
};

// Clears category n in every firm. Failures show their standard message (34
// when Adresar cannot be locked, 35 for a failed read, 31 for a failed write
// or commit).
ClearingOutcome clearCategory(services::ProcedureServices& s, int n, ClearingProgress& progress);

// The question asked before clearing category n whose caption is `caption`
// (both Windows-1250).
std::string clearingQuestion(int n, std::string_view caption);

} // namespace zv::records
