#include "app/records/categories/category_clearing.h"

#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

namespace zv::records {
namespace {

constexpr int kLockSeconds = 2;

// Adresar through the standard open, released when the clearing ends.
class OpenAdresar {
public:
    explicit OpenAdresar(services::ProcedureServices& s) : file_(s.db.file("Adresar")) {
        opened_ = services::standardOpen(s, file_) == services::OpenOutcome::Opened;
    }
    ~OpenAdresar() {
        if (opened_) services::standardRelease(file_);
    }
    OpenAdresar(const OpenAdresar&) = delete;
    OpenAdresar& operator=(const OpenAdresar&) = delete;
    bool opened() const { return opened_; }
    access::RecordFile& file() { return file_; }

private:
    access::RecordFile& file_;
    bool opened_ = false;
};

} // namespace

ClearingOutcome clearCategory(services::ProcedureServices& s, int n, ClearingProgress& progress) {
    ClearingOutcome out;
    if (n < 1 || n > kCategoryCount) return out;
    OpenAdresar open(s);
    if (!open.opened()) {
        out.result = ClearingResult::NotOpened;
        return out;
    }
    access::RecordFile& adresar = open.file();
    const access::SavedRecord kept(adresar); // another window's firm stays in the buffer
    const std::string flagName = "ADR:P" + std::to_string(n);
    const dict::FieldSpec* flag = dict::fieldOf(adresar.def(), flagName);
    const dict::FieldSpec* text =
        n <= kCategoriesWithText ? dict::fieldOf(adresar.def(), flagName + "TXT") : nullptr;
    if (!flag) return out;

    progress.begin(adresar.records());
    if (s.db.beginTransaction(kLockSeconds, {&adresar}) != 0) {
        s.saveError();
        s.message(msg::TransactionFraming, adresar.def().label, "Update");
        progress.end();
        out.result = ClearingResult::Failed;
        return out;
    }
    out.result = ClearingResult::Cleared;
    for (int code = adresar.setFile(); code == 0;) {
        code = adresar.next();
        if (code == access::kRecordNotAvailable) break;
        if (code != 0) {
            s.saveError();
            s.message(msg::RecordRetrieval, adresar.def().label);
            out.result = ClearingResult::Failed;
            break;
        }
        dict::setFieldInteger(*flag, adresar.record(), 0);
        if (text) dict::blankField(*text, adresar.record());
        if (adresar.put() != 0) {
            s.saveError();
            s.message(msg::ProcessError, adresar.def().label, "PUT");
            out.result = ClearingResult::Failed;
            break;
        }
        ++out.firms;
        const access::Position here = adresar.position(-1);
        const std::uint64_t calls = adresar.calls();
        if (!progress.step(out.firms)) {
            out.result = ClearingResult::Stopped;
            break;
        }
        // Another window read the file while the progress was shown: the walk
        // goes on after the firm it cleared last.
        if (adresar.calls() != calls) code = adresar.reset(here) == 0 ? adresar.next() : 1;
        if (code != 0) {
            s.saveError();
            s.message(msg::RecordRetrieval, adresar.def().label);
            out.result = ClearingResult::Failed;
        }
    }
    if (out.result == ClearingResult::Cleared) {
        if (s.db.commit() != 0) {
            s.saveError();
            s.message(msg::ProcessError, adresar.def().label, "PUT");
            out.result = ClearingResult::Failed;
        }
    } else {
        (void)s.db.rollback();
    }
    progress.end();
    return out;
}

std::string clearingQuestion(int n, std::string_view caption) {
    std::string named = "Kategorie " + std::to_string(n);
    if (!caption.empty()) named += " (" + cp1250::toUtf8(caption) + ")";
    const std::string loses =
        n <= kCategoriesWithText ? "tuto kategorii i její text" : "tuto kategorii";
    return cp1250::fromUtf8(named +
                            " bude vyčištěna ve všech firmách adresáře: každá firma ztratí " +
                            loses + ".\nVrátit to nelze. Chcete kategorii vyčistit?");
}

} // namespace zv::records
