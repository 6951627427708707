#include "app/exchange/import/import.h"

#include "app/exchange/import/person_writer.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <cstring>
#include <vector>

namespace zv::exchange {
namespace {

using rec::AdresarRecord;
using rec::ExpLogRecord;
using rec::OsobyRecord;
using rec::SchuzkyRecord;

constexpr long kFirmsPerWriteOut = 100;
const char* const kBook[] = {"Adresar", "Osoby", "Schuzky", "Vybery"};

std::string trimmedRight(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void setExportNames(access::Database& db, const std::string& file) {
    const std::string f = trimmedRight(file);
    db.file("ExpAdr").setPhysicalName(f + "\\!Adresy");
    db.file("ExpOso").setPhysicalName(f + "\\!Osoby");
    db.file("ExpSch").setPhysicalName(f + "\\!Schuzky");
    db.file("ExpLog").setPhysicalName(f + "\\!ExpLog");
}

void copyRecord(const access::RecordFile& from, access::RecordFile& to) {
    std::memcpy(to.record(), from.record(), std::min(from.recordSize(), to.recordSize()));
    for (std::size_t m = 0; m < to.def().memos.size() && m < from.def().memos.size(); ++m)
        to.setMemo(from.memo(m), m);
}

} // namespace

ExportSummary readExportSummary(services::ProcedureServices& s, const std::string& file) {
    ExportSummary out;
    setExportNames(s.db, file);
    auto& log = s.db.file("ExpLog");
    if (log.isOpen()) (void)log.close();
    if (log.open(access::kOpenDenyWrite) != 0) return out;
    if (log.setFile() == 0 && log.next() == 0) {
        const auto& r = log.as<ExpLogRecord>();
        out.found = true;
        out.creator = std::string(r.OSOBA.trimmed());
        out.date = r.DT.get();
        out.entries = r.ZAZNAMU.get();
        out.description = log.memo();
    }
    (void)log.close();
    return out;
}

struct Importer::State {
    services::ProcedureServices& s;
    ImportMode mode;
    std::vector<access::RecordFile*> opened;  // the address book (standard open)
    std::vector<access::RecordFile*> exports; // the export tables
    std::unique_ptr<PersonWriter> persons;    // into Osoby, once it is open
    std::int32_t nextFirm = 1;                // where a renumbered firm's number is looked for
    bool inTransaction = false;
    long sinceWriteOut = 0;

    State(services::ProcedureServices& services, ImportMode m) : s(services), mode(m) {}
    access::RecordFile& f(const char* label) { return s.db.file(label); }

    void begin() {
        access::RecordFile* book[] = {&f("Adresar"), &f("Osoby"), &f("Schuzky")};
        inTransaction = s.db.beginTransaction(2, book) == 0;
    }
    void writeOut() {
        if (inTransaction) (void)s.db.commit();
        inTransaction = false;
        begin();
    }

    // The next firm number free in the address book now.
    std::int32_t freeFirmNumber() {
        auto& adr = f("Adresar");
        const access::SavedRecord keep(adr);
        for (;; ++nextFirm) {
            adr.clearBuffer();
            adr.as<AdresarRecord>().ID.set(nextFirm);
            if (adr.getByKey(adr.keyNumber("ADR:BYID")) != 0) return nextFirm++;
        }
    }
    // The persons and meetings of the exported firm `from`, under `to` in the book.
    // With `missingOnly` those the firm has already (same name; same date, time
    // and subject) are left out.
    void carryOver(std::int32_t from, std::int32_t to, bool missingOnly, ImportCounts& counts) {
        auto& expOso = f("ExpOso");
        expOso.clearBuffer();
        expOso.as<OsobyRecord>().ID.set(from);
        if (expOso.setKeyValue(expOso.keyNumber("EOS:BYID")) == 0) {
            while (expOso.next() == 0 && expOso.as<OsobyRecord>().ID.get() == from)
                if (persons->add(expOso.record(), expOso.memo(), to, missingOnly)) ++counts.persons;
        }
        auto& expSch = f("ExpSch");
        auto& sch = f("Schuzky");
        expSch.clearBuffer();
        expSch.as<SchuzkyRecord>().ID.set(from);
        if (expSch.setKeyValue(expSch.keyNumber("ESC:BYID")) == 0) {
            while (expSch.next() == 0 && expSch.as<SchuzkyRecord>().ID.get() == from) {
                if (missingOnly && hasMeeting(to, expSch.as<SchuzkyRecord>())) continue;
                copyRecord(expSch, sch);
                sch.as<SchuzkyRecord>().ID.set(to);
                sch.clearCurrent();
                if (sch.add() == 0) ++counts.meetings;
            }
        }
    }
    bool hasMeeting(std::int32_t firm, const SchuzkyRecord& m) {
        auto& sch = f("Schuzky");
        sch.clearBuffer();
        sch.as<SchuzkyRecord>().ID.set(firm);
        if (sch.setKeyValue(sch.keyNumber("SCH:BYID")) != 0) return false;
        while (sch.next() == 0 && sch.as<SchuzkyRecord>().ID.get() == firm) {
            const auto& r = sch.as<SchuzkyRecord>();
            if (r.Datum.get() == m.Datum.get() && r.CAS.get() == m.CAS.get() &&
                r.Popis.trimmed() == m.Popis.trimmed())
                return true;
        }
        return false;
    }
};

Importer::Importer(services::ProcedureServices& s, const std::string& file, ImportMode mode)
    : state_(std::make_unique<State>(s, mode)) {
    for (const char* label : kBook) {
        auto& f = s.db.file(label);
        if (services::standardOpen(s, f) != services::OpenOutcome::Opened) {
            error_ = s.db.errorCode() ? s.db.errorCode() : access::kFileNotOpen;
            return;
        }
        state_->opened.push_back(&f);
    }
    setExportNames(s.db, file);
    for (const char* label : {"ExpAdr", "ExpOso", "ExpSch"}) {
        auto& f = s.db.file(label);
        if (f.isOpen()) (void)f.close();
        if (f.open(access::kOpenDenyWrite) != 0) {
            error_ = s.db.errorCode() ? s.db.errorCode() : access::kInvalidDataFile;
            return;
        }
        state_->exports.push_back(&f);
    }
    auto& adr = s.db.file("Adresar");
    adr.clearBuffer();
    if (adr.setKeyEnd(adr.keyNumber("ADR:BYID")) == 0 && adr.previous() == 0)
        state_->nextFirm = adr.as<AdresarRecord>().ID.get() + 1;
    state_->persons = std::make_unique<PersonWriter>(s);
    auto& exp = s.db.file("ExpAdr");
    total_ = exp.records();
    if (exp.setFile() != 0) error_ = s.db.errorCode();
    state_->begin();
}

Importer::~Importer() {
    if (!finished_) (void)finish();
    for (auto* f : state_->opened)
        services::standardRelease(*f);
}

bool Importer::next() {
    if (error_ != 0 || finished_) return false;
    State& st = *state_;
    auto& exp = st.f("ExpAdr");
    if (exp.next() != 0) return false;
    auto& adr = st.f("Adresar");
    const auto& imported = exp.as<AdresarRecord>();
    const std::int32_t fileId = imported.ID.get();

    // The number: taken when another firm bears it.
    adr.clearBuffer();
    adr.as<AdresarRecord>().ID.set(fileId);
    const bool idTaken = adr.getByKey(adr.keyNumber("ADR:BYID")) == 0 &&
                         (std::memcmp(adr.as<AdresarRecord>().FIRMA.bytes, imported.FIRMA.bytes,
                                      sizeof imported.FIRMA.bytes) != 0 ||
                          std::memcmp(adr.as<AdresarRecord>().MESTO.bytes, imported.MESTO.bytes,
                                      sizeof imported.MESTO.bytes) != 0);
    // The firm by name and town.
    adr.clearBuffer();
    adr.as<AdresarRecord>().FIRMA.set(imported.FIRMA.trimmed());
    adr.as<AdresarRecord>().MESTO.set(imported.MESTO.trimmed());
    const bool exists = adr.getByKey(adr.keyNumber("ADR:BYFIRMA")) == 0;
    if (!exists) adr.clearBuffer();
    const std::int32_t existingId = exists ? adr.as<AdresarRecord>().ID.get() : 0;

    auto addNew = [&](bool withChildren) {
        copyRecord(exp, adr);
        std::int32_t id = fileId;
        if (idTaken) id = st.freeFirmNumber(); // the next number really free now
        adr.as<AdresarRecord>().ID.set(id);
        adr.clearCurrent();
        if (adr.add() != 0) {
            ++counts_.skipped;
            return;
        }
        ++counts_.added;
        if (withChildren) st.carryOver(fileId, id, false, counts_);
    };

    switch (st.mode) {
    case ImportMode::Never:
        if (existingId > 0)
            ++counts_.skipped;
        else
            addNew(true);
        break;
    case ImportMode::Newer:
    case ImportMode::Always:
        if (exists) {
            if (st.mode == ImportMode::Newer &&
                adr.as<AdresarRecord>().DT_UPRAVY.get() >= imported.DT_UPRAVY.get()) {
                ++counts_.skipped;
                break;
            }
            copyRecord(exp, adr); // over the firm just read, keeping its number
            adr.as<AdresarRecord>().ID.set(existingId);
            if (adr.put() == 0)
                ++counts_.changed;
            else
                ++counts_.skipped;
        } else {
            addNew(false);
        }
        break;
    case ImportMode::Fill:
        if (!exists) {
            addNew(true);
            break;
        }
        {
            bool filled = false;
            for (const auto& field : adr.def().layout->fields) {
                if (!dict::isBlankField(field, adr.record()) ||
                    dict::isBlankField(field, exp.record()))
                    continue;
                std::memcpy(adr.record() + field.offset, exp.record() + field.offset, field.size);
                filled = true;
            }
            if (adr.memo().find_first_not_of(' ') == std::string::npos && !exp.memo().empty()) {
                adr.setMemo(exp.memo());
                filled = true;
            }
            if (filled && adr.put() == 0) ++counts_.changed;
            st.carryOver(fileId, existingId, true, counts_);
        }
        break;
    }
    if (++st.sinceWriteOut % kFirmsPerWriteOut == 0) st.writeOut();
    return true;
}

ImportCounts Importer::finish() {
    if (finished_) return counts_;
    finished_ = true;
    if (state_->inTransaction) (void)state_->s.db.commit();
    state_->inTransaction = false;
    for (auto* f : state_->exports)
        (void)f->close();
    state_->exports.clear();
    return counts_;
}

} // namespace zv::exchange
