#include "app/exchange/import/dbase_import.h"

#include "app/exchange/import/dbase_header.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace zv::exchange {
namespace {

using rec::AdresarRecord;

constexpr long kRowsPerWriteOut = 100;
// The firm field each target fills ("" for the note, which is the memo).
constexpr std::array<const char*, 13> kTargetFields = {
    "ADR:FIRMA",  "ADR:ULICE",  "ADR:PSC",  "ADR:MESTO", "ADR:STAT",
    "ADR:JMENO1", "ADR:TF1",    "ADR:FAX1", "ADR:ICO",   "ADR:DIC",
    "ADR:BANKA1", "ADR:BANKA2", ""};

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

} // namespace

struct DbaseImporter::State {
    services::ProcedureServices& s;
    DbaseMapping mapping;
    ImportMode mode;
    DbaseHeader header;
    std::ifstream in;
    std::array<const DbaseField*, 13> source{}; // the mapped field of each target
    std::vector<access::RecordFile*> opened;
    std::int32_t nextFirm = 1;
    long rows = 0;
    bool inTransaction = false;

    State(services::ProcedureServices& services, DbaseMapping m, ImportMode md)
        : s(services), mapping(std::move(m)), mode(md) {}

    void begin() {
        access::RecordFile* book[] = {&s.db.file("Adresar")};
        inTransaction = s.db.beginTransaction(2, book) == 0;
    }
    void end() {
        if (inTransaction) (void)s.db.commit();
        inTransaction = false;
    }
    std::int32_t freeFirmNumber() {
        auto& adr = s.db.file("Adresar");
        const access::SavedRecord keep(adr);
        for (;; ++nextFirm) {
            adr.clearBuffer();
            adr.as<AdresarRecord>().ID.set(nextFirm);
            if (adr.getByKey(adr.keyNumber("ADR:BYID")) != 0) return nextFirm++;
        }
    }
};

DbaseImporter::DbaseImporter(services::ProcedureServices& s, const std::string& nativePath,
                             DbaseMapping mapping, ImportMode mode)
    : state_(std::make_unique<State>(s, std::move(mapping), mode)) {
    State& st = *state_;
    st.header = readDbaseHeader(nativePath);
    if (!st.header.read || st.header.rowLength <= 0 || st.header.headerLength <= 0) {
        error_ = access::kInvalidDataFile;
        return;
    }
    for (std::size_t t = 0; t < st.mapping.fields.size(); ++t)
        for (const auto& f : st.header.fields)
            if (!st.mapping.fields[t].empty() && cp1250::equalNoCase(f.name, st.mapping.fields[t]))
                st.source[t] = &f;
    st.in.open(nativePath, std::ios::binary);
    st.in.seekg(st.header.headerLength);
    auto& adr = s.db.file("Adresar");
    if (services::standardOpen(s, adr) != services::OpenOutcome::Opened) {
        error_ = s.db.errorCode() ? s.db.errorCode() : access::kFileNotOpen;
        return;
    }
    st.opened.push_back(&adr);
    adr.clearBuffer();
    if (adr.setKeyEnd(adr.keyNumber("ADR:BYID")) == 0 && adr.previous() == 0)
        st.nextFirm = adr.as<AdresarRecord>().ID.get() + 1;
    total_ = st.header.rows;
    st.begin();
}

DbaseImporter::~DbaseImporter() {
    if (!finished_) (void)finish();
    for (auto* f : state_->opened)
        services::standardRelease(*f);
}

bool DbaseImporter::next() {
    if (error_ != 0 || finished_) return false;
    State& st = *state_;
    auto& adr = st.s.db.file("Adresar");
    std::string row(std::size_t(st.header.rowLength), '\0');
    for (;;) {
        if (st.rows >= st.header.rows) return false;
        st.in.read(row.data(), std::streamsize(row.size()));
        if (st.in.gcount() != std::streamsize(row.size()) || row[0] == 0x1A) return false;
        ++st.rows;
        if (row[0] != '*') break; // a deleted row
    }
    // The firm as the row gives it.
    std::vector<std::uint8_t> imported(adr.recordSize(), 0);
    std::string note;
    {
        const access::SavedRecord keep(adr);
        adr.clearBuffer();
        for (std::size_t t = 0; t < st.source.size(); ++t) {
            const DbaseField* f = st.source[t];
            if (!f || f->first < 1 || f->last >= int(row.size()) + 1) continue;
            std::string value =
                trimmed(row.substr(std::size_t(f->first - 1), std::size_t(f->length)));
            if (st.mapping.czech) value = cp852::toCp1250(value);
            if (kTargetFields[t][0] == '\0') {
                note = value;
                continue;
            }
            if (const auto* field = dict::fieldOf(adr.def(), kTargetFields[t]))
                dict::setFieldText(*field, adr.record(), value);
        }
        adr.as<AdresarRecord>().TEXTY.set(1);
        std::copy(adr.record(), adr.record() + adr.recordSize(), imported.begin());
    }
    const auto& firm = *reinterpret_cast<const AdresarRecord*>(imported.data());
    adr.clearBuffer();
    adr.as<AdresarRecord>().FIRMA.set(firm.FIRMA.trimmed());
    adr.as<AdresarRecord>().MESTO.set(firm.MESTO.trimmed());
    const bool exists =
        !firm.FIRMA.trimmed().empty() && adr.getByKey(adr.keyNumber("ADR:BYFIRMA")) == 0;
    auto addNew = [&] {
        std::copy(imported.begin(), imported.end(), adr.record());
        adr.setMemo(note);
        adr.as<AdresarRecord>().ID.set(st.freeFirmNumber());
        adr.clearCurrent();
        if (adr.add() == 0)
            ++counts_.added;
        else
            ++counts_.skipped;
    };
    if (!exists) {
        if (firm.FIRMA.trimmed().empty())
            ++counts_.skipped; // a row without a firm name
        else
            addNew();
    } else if (st.mode == ImportMode::Never || st.mode == ImportMode::Newer) {
        ++counts_.skipped; // a row carries no date of change: never newer
    } else {
        // Always: the mapped fields replace the firm's; Fill: they fill its empty ones.
        bool changed = false;
        for (std::size_t t = 0; t < st.source.size(); ++t) {
            if (!st.source[t] || kTargetFields[t][0] == '\0') continue;
            const auto* field = dict::fieldOf(adr.def(), kTargetFields[t]);
            if (!field || dict::isBlankField(*field, imported.data())) continue;
            if (st.mode == ImportMode::Fill && !dict::isBlankField(*field, adr.record())) continue;
            std::memcpy(adr.record() + field->offset, imported.data() + field->offset, field->size);
            changed = true;
        }
        if (!note.empty() && (st.mode == ImportMode::Always ||
                              adr.memo().find_first_not_of(' ') == std::string::npos)) {
            adr.setMemo(note);
            changed = true;
        }
        if (changed && adr.put() == 0)
            ++counts_.changed;
        else if (!changed)
            ++counts_.skipped;
    }
    if (st.rows % kRowsPerWriteOut == 0) {
        st.end();
        st.begin();
    }
    return true;
}

ImportCounts DbaseImporter::finish() {
    if (finished_) return counts_;
    finished_ = true;
    state_->end();
    return counts_;
}

} // namespace zv::exchange
