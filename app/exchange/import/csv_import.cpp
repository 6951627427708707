#include "app/exchange/import/csv_import.h"

#include "app/exchange/export/csv_export.h"
#include "app/exchange/import/csv_values.h"
#include "app/exchange/import/mapped_firm.h"
#include "app/exchange/import/person_writer.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace zv::exchange {
namespace {

using rec::AdresarRecord;

const char* const kNote = "ADR:POZNAMKA";

// Captions of the firm fields (UTF-8), as the firm form names them.
const std::map<std::string, std::string, std::less<>>& captions() {
    static const std::map<std::string, std::string, std::less<>> c = [] {
        std::map<std::string, std::string, std::less<>> m = {{"FIRMA", "Firma"},
                                                             {"ULICE", "Ulice"},
                                                             {"PSC", "PSČ"},
                                                             {"MESTO", "Město"},
                                                             {"STAT", "Stát"},
                                                             {"ICO", "IČO"},
                                                             {"DIC", "DIČ"},
                                                             {"VLOZIL", "Vložil"},
                                                             {"DT_VLOZENI", "Datum vložení"},
                                                             {"UPRAVIL", "Upravil"},
                                                             {"DT_UPRAVY", "Datum úpravy"},
                                                             {"TF1", "Telefon"},
                                                             {"FAX1", "Fax"},
                                                             {"BANKA1", "Banka"},
                                                             {"BANKA2", "Účet"},
                                                             {"JMENO1", "Osoba pro štítek"},
                                                             {"TEXTY", "Sada popisů kategorií"},
                                                             {"POZNAMKA", "Poznámka"}};
        for (int n = 1; n <= 20; ++n) {
            m["P" + std::to_string(n)] = "Kategorie " + std::to_string(n);
            m["P" + std::to_string(n) + "TXT"] = "Text kategorie " + std::to_string(n);
        }
        return m;
    }();
    return c;
}

// Other names the targets go by (the dBase tab's).
const std::pair<const char*, const char*> kAliases[] = {
    {"Stat", "ADR:STAT"}, {"Osoba", "ADR:JMENO1"}, {"Č. účtu", "ADR:BANKA2"}};

} // namespace

const std::vector<CsvTarget>& csvTargets() {
    static const std::vector<CsvTarget> targets = [] {
        std::vector<CsvTarget> t;
        const dict::FileDef& adr = *dict::fileByLabel("Adresar");
        for (const auto& field : adr.layout->fields) {
            if (field.member == "ID") continue;
            const auto c = captions().find(field.member);
            t.push_back({"ADR:" + std::string(field.member),
                         c == captions().end() ? std::string(field.member) : c->second});
        }
        t.push_back({kNote, captions().find("POZNAMKA")->second});
        return t;
    }();
    return targets;
}

int csvTargetOf(std::string_view utf8) {
    const std::string name = cp1250::fromUtf8(csvTrimmed(utf8));
    if (name.empty()) return -1;
    const auto& targets = csvTargets();
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string& field = targets[i].field;
        if (cp1250::equalNoCase(name, field) || cp1250::equalNoCase(name, field.substr(4)) ||
            cp1250::equalNoCase(name, cp1250::fromUtf8(targets[i].caption)))
            return int(i);
    }
    for (const auto& [alias, field] : kAliases)
        if (cp1250::equalNoCase(name, cp1250::fromUtf8(alias)))
            for (std::size_t i = 0; i < targets.size(); ++i)
                if (targets[i].field == field) return int(i);
    return -1;
}

std::vector<int> csvMappingFromHeader(const std::vector<std::string>& headings) {
    std::vector<int> out(headings.size(), -1);
    std::vector<bool> used(csvTargets().size(), false);
    for (std::size_t c = 0; c < headings.size(); ++c) {
        const int t = csvTargetOf(cp1250::toUtf8(headings[c]));
        if (t >= 0 && !used[std::size_t(t)]) {
            out[c] = t;
            used[std::size_t(t)] = true;
        }
    }
    return out;
}

CsvPreview readCsvPreview(const std::string& nativePath, std::size_t rows) {
    CsvPreview p;
    int error = 0;
    const std::string text = readCsvFile(nativePath, error);
    if (error != 0) return p;
    p.read = true;
    p.format = detectCsvFormat(text);
    CsvReader reader(text, p.format);
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        if (p.rows.size() < rows) p.rows.push_back(fields);
        ++p.lines;
    }
    if (!p.rows.empty()) {
        p.suggested = csvMappingFromHeader(p.rows.front());
        p.header =
            std::any_of(p.suggested.begin(), p.suggested.end(), [](int t) { return t >= 0; });
    }
    const std::string persons = personsCsvName(nativePath);
    std::error_code ec;
    if (std::filesystem::exists(persons, ec)) {
        p.personsFile = persons;
        p.personLines = readCsvPersons(persons, error).lines;
    }
    return p;
}

int csvFirmNumberColumn(const std::vector<std::string>& headings) {
    for (std::size_t c = 0; c < headings.size(); ++c) {
        const std::string h = csvTrimmed(headings[c]);
        if (cp1250::equalNoCase(h, "ID") || cp1250::equalNoCase(h, "ADR:ID")) return int(c);
    }
    return -1;
}

struct CsvImporter::State {
    services::ProcedureServices& s;
    CsvMapping mapping;
    ImportMode mode;
    std::string text;
    std::unique_ptr<CsvReader> reader;
    std::vector<const dict::FieldSpec*> fields; // per column: the firm field it fills, or null
    std::vector<int> layoutIndex;               // per column: that field's index in the layout
    int noteColumn = -1;
    int firmNumberColumn = -1; // the column of the firms' numbers that persons name, -1 none
    std::map<std::int32_t, std::vector<CsvPerson>> persons; // by the number of their firm
    std::vector<access::RecordFile*> opened;
    std::unique_ptr<MappedFirmWriter> writer;
    std::unique_ptr<PersonWriter> personWriter; // with a persons' file only

    State(services::ProcedureServices& services, CsvMapping m, ImportMode md)
        : s(services), mapping(std::move(m)), mode(md) {}

    // The firm number a line of the firms' file gives, 0 for none.
    std::int32_t firmNumber(const std::vector<std::string>& line) const {
        if (firmNumberColumn < 0 || std::size_t(firmNumberColumn) >= line.size()) return 0;
        return csvNumber(line[std::size_t(firmNumberColumn)]).value_or(0);
    }
};

CsvImporter::CsvImporter(services::ProcedureServices& s, const std::string& nativePath,
                         CsvMapping mapping, ImportMode mode)
    : state_(std::make_unique<State>(s, std::move(mapping), mode)) {
    State& st = *state_;
    st.text = readCsvFile(nativePath, error_);
    if (error_ != 0) {
        failedFile_ = nativePath;
        return;
    }
    CsvPersons persons;
    {
        const std::string file = personsCsvName(nativePath);
        std::error_code ec;
        if (std::filesystem::exists(file, ec)) {
            persons = readCsvPersons(file, error_);
            if (error_ != 0) {
                failedFile_ = file;
                return;
            }
            personCounts_.file = file;
            personCounts_.lines = persons.lines;
            personCounts_.malformed = persons.malformed;
        }
    }
    auto& adr = s.db.file("Adresar");
    const auto& targets = csvTargets();
    for (std::size_t c = 0; c < st.mapping.targets.size(); ++c) {
        const int t = st.mapping.targets[c];
        const dict::FieldSpec* field = nullptr;
        if (t >= 0 && std::size_t(t) < targets.size()) {
            if (targets[std::size_t(t)].field == kNote)
                st.noteColumn = int(c);
            else
                field = dict::fieldOf(adr.def(), targets[std::size_t(t)].field);
        }
        st.fields.push_back(field);
        st.layoutIndex.push_back(field ? adr.def().layout->indexOf(field->member) : -1);
    }
    // The lines to import, and the firm numbers they give.
    std::set<std::int32_t> numbers;
    {
        CsvReader counter(st.text, st.mapping.format);
        std::vector<std::string> line;
        if (st.mapping.header && counter.next(line))
            st.firmNumberColumn = csvFirmNumberColumn(line);
        while (counter.next(line)) {
            ++total_;
            if (const std::int32_t n = st.firmNumber(line); n > 0) numbers.insert(n);
        }
    }
    for (CsvPerson& p : persons.persons) {
        const std::int32_t firm =
            reinterpret_cast<const rec::OsobyRecord*>(p.record.data())->ID.get();
        if (numbers.count(firm))
            st.persons[firm].push_back(std::move(p));
        else
            ++personCounts_.withoutFirm;
    }
    st.reader = std::make_unique<CsvReader>(st.text, st.mapping.format);
    if (st.mapping.header) {
        std::vector<std::string> headings;
        (void)st.reader->next(headings);
    }
    const bool withPersons = !personCounts_.file.empty();
    for (const char* label : {"Adresar", "Osoby"}) {
        if (std::string_view(label) == "Osoby" && !withPersons) break;
        auto& f = s.db.file(label);
        if (services::standardOpen(s, f) != services::OpenOutcome::Opened) {
            error_ = s.db.errorCode() ? s.db.errorCode() : access::kFileNotOpen;
            return; // the standard open has said why
        }
        st.opened.push_back(&f);
    }
    st.writer = std::make_unique<MappedFirmWriter>(s, withPersons);
    if (withPersons) st.personWriter = std::make_unique<PersonWriter>(s);
}

CsvImporter::~CsvImporter() {
    if (!finished_) (void)finish();
    for (auto* f : state_->opened)
        services::standardRelease(*f);
}

bool CsvImporter::next() {
    if (error_ != 0 || finished_) return false;
    State& st = *state_;
    std::vector<std::string> line;
    if (!st.reader->next(line)) return false;
    auto& adr = st.s.db.file("Adresar");
    std::vector<std::uint8_t> imported(adr.recordSize(), 0);
    std::vector<int> mapped;
    std::string note;
    {
        const access::SavedRecord keep(adr);
        adr.clearBuffer();
        for (std::size_t c = 0; c < line.size() && c < st.fields.size(); ++c) {
            const dict::FieldSpec* field = st.fields[c];
            if (int(c) == st.noteColumn) note = csvNoteText(csvTrimmed(line[c]));
            if (!field) continue;
            const bool flag = field->type == storage::FieldType::Byte && field->member != "TEXTY";
            setCsvValue(*field, flag, adr.record(), line[c]);
            mapped.push_back(st.layoutIndex[c]);
        }
        std::copy(adr.record(), adr.record() + adr.recordSize(), imported.begin());
    }
    const MappedFirm firm =
        st.writer->apply(imported, mapped, note, st.noteColumn >= 0, st.mode, counts_);
    if (!st.personWriter) return true;
    // The firm's persons, in the firm's batch, as the native import carries them
    // over: all with a firm added (but in the overwriting modes), the missing
    // ones with a firm filled. The first line of a number takes them.
    const auto persons = st.persons.find(st.firmNumber(line));
    if (persons == st.persons.end()) return true;
    const bool all =
        firm.added != 0 && (st.mode == ImportMode::Never || st.mode == ImportMode::Fill);
    const bool missing = firm.existing != 0 && st.mode == ImportMode::Fill;
    for (const CsvPerson& p : persons->second) {
        if ((all || missing) && st.personWriter->add(p.record.data(), p.note,
                                                     all ? firm.added : firm.existing, missing))
            ++counts_.persons;
        else
            ++personCounts_.leftOut;
    }
    st.persons.erase(persons);
    return true;
}

ImportCounts CsvImporter::finish() {
    if (finished_) return counts_;
    finished_ = true;
    if (state_->writer) state_->writer->finish();
    return counts_;
}

} // namespace zv::exchange
