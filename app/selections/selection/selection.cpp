#include "app/selections/selection/selection.h"

#include "app/selections/bindings/file_bindings.h"
#include "app/shell/access/database.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <string>

namespace zv::selections {
namespace {

using rec::AdresarRecord;
using rec::KliceRecord;
using rec::VyberyRecord;

const std::string kAdded = cp1250::fromUtf8("Přidáno záznamů : ");
const std::string kRemoved = cp1250::fromUtf8("Odebráno záznamů : ");

std::string text(const char* utf8) {
    return cp1250::fromUtf8(utf8);
}

// Writes the removals from the selection in batches: a transaction on the
// selection file, committed at every write-out and at the end. (Reading the
// file in batch mode would write out every change at once.) Without a
// transaction each removal is written on its own.
class WriteOut {
public:
    WriteOut(access::Database& db, access::RecordFile& file, bool on = true)
        : db_(db), file_(file) {
        if (on) begin();
    }
    ~WriteOut() { end(); }
    WriteOut(const WriteOut&) = delete;
    WriteOut& operator=(const WriteOut&) = delete;
    void writeOut() {
        if (!running_) return;
        end();
        begin();
    }
    void end() {
        if (running_) (void)db_.commit();
        running_ = false;
    }

private:
    void begin() {
        access::RecordFile* files[] = {&file_};
        running_ = db_.beginTransaction(kLockSeconds, files) == 0;
    }
    static constexpr int kLockSeconds = 2;
    access::Database& db_;
    access::RecordFile& file_;
    bool running_ = false;
};

} // namespace

std::string evaluationErrorMessage(const evaluator::Result& result) {
    if (result.error == 0) return "Unkown error evaluating expression";
    return "Error " + std::to_string(result.error) + " -- " +
           std::string(evaluator::errorText(result.error));
}

void copyFirm(const access::RecordFile& adresar, access::RecordFile& vybery) {
    const auto& a = *reinterpret_cast<const AdresarRecord*>(adresar.record());
    vybery.clearBuffer();
    auto& v = vybery.as<VyberyRecord>();
    v.ID.set(a.ID.get());
    v.FIRMA.set(a.FIRMA.trimmed());
    v.ULICE.set(a.ULICE.trimmed());
    v.PSC.set(a.PSC.trimmed());
    v.MESTO.set(a.MESTO.trimmed());
    v.TF1.set(a.TF1.trimmed());
    v.FAX1.set(a.FAX1.trimmed());
    v.JMENO1.set(a.JMENO1.trimmed());
    v.TEXTY.set(a.TEXTY.get());
    v.STAT.set(a.STAT.trimmed());
}

Selection::Selection(services::ProcedureServices& s)
    : s_(s), adresar_(s.db.file("Adresar")), klice_(s.db.file("Klice")),
      vybery_(s.db.file("Vybery")) {
    for (const char* label : {"Adresar", "EVKLICSL", "Klice", "Schuzky", "Vybery"}) {
        if (services::standardOpen(s_, s_.db.file(label)) != services::OpenOutcome::Opened) return;
        ++opens_;
    }
    // Conditions name the fields of these files.
    names_ = std::make_unique<evaluator::BindingScope>();
    opened_ = bindFile(adresar_) && bindFile(s_.db.file("Schuzky")) && bindFile(vybery_);
}

Selection::~Selection() {
    names_.reset();
    const char* labels[] = {"Adresar", "EVKLICSL", "Klice", "Schuzky", "Vybery"};
    for (int i = 0; i < opens_; ++i)
        services::standardRelease(s_.db.file(labels[i]));
}

long Selection::rows() {
    return vybery_.records();
}

bool Selection::fetchFirm(std::int32_t id) {
    adresar_.clearBuffer();
    adresar_.as<AdresarRecord>().ID.set(id);
    return adresar_.getByKey(adresar_.keyNumber("ADR:BYID")) == 0;
}

void Selection::addCopy() {
    copyFirm(adresar_, vybery_);
    vybery_.clearCurrent();
    (void)vybery_.add(); // a firm already selected is refused by the unique keys
}

Outcome Selection::finish(Outcome out, Progress& progress, bool batch) {
    if (batch) (void)vybery_.flush();
    progress.close();
    out.rows = rows();
    return out;
}

Outcome Selection::addAll(Progress& progress) {
    Outcome out;
    progress.open(text("Vkládám do výběru všechny firmy z adresáře"), {}, adresar_.records());
    if (vybery_.empty() != 0) return finish(out, progress, false);
    (void)vybery_.stream();
    for (int rc = adresar_.setFile(); rc == 0 && adresar_.next() == 0;) {
        progress.step(++out.processed);
        addCopy();
        ++out.changed;
    }
    return finish(out, progress, true);
}

Outcome Selection::removeAll(Progress& progress) {
    Outcome out;
    out.processed = out.changed = rows();
    progress.open(text("Ruším všechny záznamy z výběru"), {}, out.processed);
    (void)vybery_.empty();
    return finish(out, progress, false);
}

Outcome Selection::addByCondition(std::string_view condition, std::string_view caption,
                                  Progress& progress) {
    Outcome out;
    progress.open(text("Přidávám do výběru firmy z adresáře pro které platí:"), caption,
                  adresar_.records());
    const std::string expression = "ADR:" + std::string(condition);
    evaluator::Filter filter;
    const bool compiled = filter.compile(expression) == 0;
    (void)vybery_.stream();
    for (int rc = adresar_.setFile(); rc == 0 && adresar_.next() == 0;) {
        progress.step(++out.processed);
        const evaluator::Result r = compiled ? filter.evaluate() : evaluator::evaluate(expression);
        if (r.value.empty()) {
            out.error = evaluationErrorMessage(r);
            break;
        }
        if (r.value == "0") continue;
        addCopy();
        progress.count(kAdded + std::to_string(++out.changed));
    }
    return finish(out, progress, true);
}

Outcome Selection::removeByCondition(std::string_view condition, std::string_view caption,
                                     Progress& progress) {
    Outcome out;
    progress.open(text("Odebírám z výběru firmy pro které platí:"), caption, rows());
    const std::string expression = "ADR:" + std::string(condition);
    evaluator::Filter filter;
    const bool compiled = filter.compile(expression) == 0;
    WriteOut batch(s_.db, vybery_);
    for (int rc = vybery_.setFile(); rc == 0 && vybery_.next() == 0;) {
        progress.step(++out.processed);
        // A row whose firm has left the address book stays.
        if (!fetchFirm(vybery_.as<VyberyRecord>().ID.get())) continue;
        const evaluator::Result r = compiled ? filter.evaluate() : evaluator::evaluate(expression);
        if (r.value.empty()) {
            out.error = evaluationErrorMessage(r);
            break;
        }
        if (r.value == "0") continue;
        if (vybery_.remove() != 0) continue;
        progress.count(kRemoved + std::to_string(++out.changed));
        if (out.changed % kWriteOutEvery == 0) batch.writeOut();
    }
    batch.end();
    return finish(out, progress, false);
}

Outcome Selection::byKeyword(std::int32_t keyword, std::string_view caption, bool add,
                             Progress& progress) {
    Outcome out;
    progress.open(add ? text("Přidávám do výběru firmy s klíčem:")
                      : text("Odebírám z výběru firmy s klíčem:"),
                  caption, klice_.records());
    // Adds are batched; removals read the row first, so they go in a transaction.
    WriteOut batch(s_.db, vybery_, !add);
    if (add) (void)vybery_.stream();
    klice_.clearBuffer();
    klice_.as<KliceRecord>().IDKL.set(keyword);
    if (klice_.setKeyValue(klice_.keyNumber("KLI:BYKLIC")) == 0) {
        // A read error ends the keyword's records as their end does.
        while (klice_.next() == 0 && klice_.as<KliceRecord>().IDKL.get() == keyword) {
            progress.step(++out.processed);
            const std::int32_t firm = klice_.as<KliceRecord>().ID.get();
            if (add) {
                if (!fetchFirm(firm)) continue;
                addCopy();
                progress.count(kAdded + std::to_string(++out.changed));
            } else {
                vybery_.clearBuffer();
                vybery_.as<VyberyRecord>().ID.set(firm);
                if (vybery_.getByKey(vybery_.keyNumber("VYB:BYID")) != 0 || vybery_.remove() != 0)
                    continue;
                progress.count(kRemoved + std::to_string(++out.changed));
                if (out.changed % kWriteOutEvery == 0) batch.writeOut();
            }
        }
    }
    batch.end();
    return finish(out, progress, add);
}

Outcome Selection::addByKeyword(std::int32_t keyword, std::string_view text, Progress& progress) {
    return byKeyword(keyword, text, true, progress);
}

Outcome Selection::removeByKeyword(std::int32_t keyword, std::string_view text,
                                   Progress& progress) {
    return byKeyword(keyword, text, false, progress);
}

Outcome Selection::save(Progress& progress) {
    Outcome out;
    auto& akt = s_.db.file("AktVyber");
    progress.open(text("Ukládám výběr"), {}, rows());
    const bool wasOpen = akt.isOpen();
    if (wasOpen) (void)akt.close();
    // An existing file of that name is replaced by an empty one.
    if (akt.create() != 0 || akt.open() != 0) {
        out.error = "Error " + std::to_string(s_.db.errorCode()) + " -- " +
                    access::errorText(s_.db.errorCode()) + " (" + akt.name() + ")";
        return finish(out, progress, false);
    }
    (void)akt.stream();
    for (int rc = vybery_.setKey(vybery_.keyNumber("VYB:BYID")); rc == 0 && vybery_.next() == 0;) {
        progress.step(++out.processed);
        akt.clearBuffer();
        akt.as<rec::AktVyberRecord>().ID.set(vybery_.as<VyberyRecord>().ID.get());
        akt.clearCurrent();
        if (akt.add() == 0) ++out.changed;
        if (out.processed % kWriteOutEvery == 0) {
            (void)akt.flush();
            (void)akt.stream();
        }
    }
    (void)akt.flush();
    (void)akt.close();
    return finish(out, progress, false);
}

Outcome Selection::load(Progress& progress) {
    Outcome out;
    auto& akt = s_.db.file("AktVyber");
    progress.open(text("Načítám uložený výběr"), {}, 0);
    if (services::standardOpen(s_, akt) != services::OpenOutcome::Opened) {
        // The standard open has reported it; the selection stays as it was.
        out.reported = true;
        return finish(out, progress, false);
    }
    progress.open(text("Načítám uložený výběr"), {}, akt.records());
    if (vybery_.empty() == 0) {
        (void)vybery_.stream();
        for (int rc = akt.setFile(); rc == 0 && akt.next() == 0;) {
            progress.step(++out.processed);
            if (out.processed % kWriteOutEvery == 0) {
                (void)vybery_.flush();
                (void)vybery_.stream();
            }
            if (!fetchFirm(akt.as<rec::AktVyberRecord>().ID.get())) continue; // gone since
            addCopy();
            ++out.changed;
        }
    }
    services::standardRelease(akt);
    return finish(out, progress, true);
}

bool Selection::addFirm(std::int32_t id) {
    if (!fetchFirm(id)) return false;
    addCopy();
    vybery_.clearBuffer();
    vybery_.as<VyberyRecord>().ID.set(id);
    return vybery_.getByKey(vybery_.keyNumber("VYB:BYID")) == 0;
}

} // namespace zv::selections
