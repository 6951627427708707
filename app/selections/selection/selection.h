// The working selection: the firms the user works with, one row of `Vybery` per
// firm (a copy of a few of its fields), kept in the program's directory. Every
// operation that builds or empties it: add all, remove all, add or remove the
// firms that meet a condition or carry a keyword, add one firm. Bulk operations
// write in batch mode and show their progress; an evaluation failure ends one
// with its message, keeping what was done. Used by the selection window and by
// zevlon-tool alike.
//
// Thread rule: used by one procedure at a time; it uses the shared buffers of
// Adresar, Klice and Vybery.
#pragma once

#include "app/selections/evaluator/evaluator.h"
#include "app/selections/selection/progress.h"
#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zv::selections {

struct Outcome {
    long processed = 0;    // records looked at
    long changed = 0;      // rows added or removed (additions refused as duplicates count too)
    long rows = 0;         // rows in the selection afterwards
    std::string error;     // the message of an evaluation failure (Windows-1250); "" none
    bool reported = false; // it did not run; the standard services have shown why
};

// The message of a failed evaluation as the window shows it:
// "Error 800 -- Invalid expression for EVALUATE", or "Unkown error evaluating expression".
std::string evaluationErrorMessage(const evaluator::Result& result);

// Copies the firm in Adresar's buffer into Vybery's buffer (the copy rule).
void copyFirm(const access::RecordFile& adresar, access::RecordFile& vybery);

class Selection {
public:
    // Opens Adresar, EVKLICSL, Klice, Schuzky and Vybery through the standard open
    // and binds the fields of Adresar, Schuzky and Vybery for conditions.
    explicit Selection(services::ProcedureServices& s);
    ~Selection();
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // False when a file could not be opened (the standard open has reported it).
    bool opened() const { return opened_; }
    long rows();

    Outcome addAll(Progress& progress);
    Outcome removeAll(Progress& progress);
    // condition: as the condition dialog builds it, without the "ADR:" prefix;
    // caption: its readable words for the progress window.
    Outcome addByCondition(std::string_view condition, std::string_view caption,
                           Progress& progress);
    Outcome removeByCondition(std::string_view condition, std::string_view caption,
                              Progress& progress);
    // keyword: EVK:IDKS; text: EVK:POPIS for the progress window.
    Outcome addByKeyword(std::int32_t keyword, std::string_view text, Progress& progress);
    Outcome removeByKeyword(std::int32_t keyword, std::string_view text, Progress& progress);
    // A firm dropped on the list: true when it is in the selection afterwards.
    bool addFirm(std::int32_t id);

    // Saved selections (AktVyber, its physical name set to the saved file):
    // save writes the IDs of the selection anew in ID order; load rebuilds the
    // selection from the saved IDs and the current address book (firms deleted
    // since are dropped). A saved file that cannot be opened leaves the
    // selection as it was; the standard open has reported it (error is set).
    Outcome save(Progress& progress);
    Outcome load(Progress& progress);

    // Removes after every this many removals write out what was done so far.
    static constexpr long kWriteOutEvery = 100;

private:
    bool fetchFirm(std::int32_t id);
    void addCopy();
    Outcome finish(Outcome out, Progress& progress, bool batch);
    Outcome byKeyword(std::int32_t keyword, std::string_view text, bool add, Progress& progress);

    services::ProcedureServices& s_;
    access::RecordFile& adresar_;
    access::RecordFile& klice_;
    access::RecordFile& vybery_;
    std::unique_ptr<evaluator::BindingScope> names_;
    int opens_ = 0; // files opened through the standard open
    bool opened_ = false;
};

} // namespace zv::selections
