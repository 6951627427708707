#include "app/exchange/import/dbase_import.h"

#include "app/exchange/import/dbase_header.h"
#include "app/exchange/import/mapped_firm.h"
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
    std::unique_ptr<MappedFirmWriter> writer;
    long rows = 0;

    State(services::ProcedureServices& services, DbaseMapping m, ImportMode md)
        : s(services), mapping(std::move(m)), mode(md) {}
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
    total_ = st.header.rows;
    st.writer = std::make_unique<MappedFirmWriter>(s);
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
    std::vector<int> mapped;
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
            if (const auto* field = dict::fieldOf(adr.def(), kTargetFields[t])) {
                dict::setFieldText(*field, adr.record(), value);
                mapped.push_back(adr.def().layout->indexOf(field->member));
            }
        }
        adr.as<AdresarRecord>().TEXTY.set(1);
        std::copy(adr.record(), adr.record() + adr.recordSize(), imported.begin());
    }
    st.writer->apply(imported, mapped, note, st.source[12] != nullptr, st.mode, counts_);
    return true;
}

ImportCounts DbaseImporter::finish() {
    if (finished_) return counts_;
    finished_ = true;
    if (state_->writer) state_->writer->finish();
    return counts_;
}

} // namespace zv::exchange
