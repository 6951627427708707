#include "app/exchange/import/csv_import.h"

#include "app/exchange/import/mapped_firm.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <map>

namespace zv::exchange {
namespace {

using rec::AdresarRecord;

constexpr std::uintmax_t kLargestFile = 256u << 20; // more is no address book

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

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return std::string(s);
}

// One line for a field of one line: line breaks become blanks.
std::string oneLine(std::string s) {
    std::replace(s.begin(), s.end(), '\r', ' ');
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

// The note's line breaks as the program keeps them (CRLF).
std::string noteText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

int number(std::string_view s) {
    int v = -1;
    if (s.empty() || s.size() > 4) return -1;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() ? v : -1;
}

// "2024-03-15" or "15.3.2024" as a standard date; 0 when it is neither.
std::int32_t dateOf(std::string_view s) {
    int y = -1, m = -1, d = -1;
    if (s.size() == 10 && s[4] == '-' && s[7] == '-') {
        y = number(s.substr(0, 4)), m = number(s.substr(5, 2)), d = number(s.substr(8, 2));
    } else if (const auto dot1 = s.find('.'); dot1 != std::string_view::npos) {
        const auto dot2 = s.find('.', dot1 + 1);
        if (dot2 == std::string_view::npos) return 0;
        d = number(s.substr(0, dot1));
        m = number(s.substr(dot1 + 1, dot2 - dot1 - 1));
        y = number(trimmed(s.substr(dot2 + 1)));
        if (y >= 0 && y < 1000) return 0; // a four-digit year only
    }
    if (y < 0 || m < 0 || d < 0) return 0;
    const std::int32_t day = dates::dateFromParts(m, d, y);
    return day > 0 ? day : 0;
}

bool checked(std::string_view s1250) {
    const std::string v = cp1250::lower(trimmed(s1250));
    return v == "1" || v == "x" || v == "ano" || v == "a" || v == "true" || v == "yes";
}

std::string readAll(const std::string& path, int& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errno ? access::osErrorCode(errno) : access::kFileNotFound;
        return {};
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uintmax_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (size > kLargestFile) {
        error = access::kInvalidDataFile;
        return {};
    }
    in.seekg(0);
    std::string text(size, '\0');
    in.read(text.data(), std::streamsize(size));
    text.resize(std::size_t(std::max<std::streamsize>(in.gcount(), 0)));
    error = 0;
    return text;
}

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
    const std::string name = cp1250::fromUtf8(trimmed(utf8));
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
    const std::string text = readAll(nativePath, error);
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
    return p;
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
    std::vector<access::RecordFile*> opened;
    std::unique_ptr<MappedFirmWriter> writer;

    State(services::ProcedureServices& services, CsvMapping m, ImportMode md)
        : s(services), mapping(std::move(m)), mode(md) {}
};

CsvImporter::CsvImporter(services::ProcedureServices& s, const std::string& nativePath,
                         CsvMapping mapping, ImportMode mode)
    : state_(std::make_unique<State>(s, std::move(mapping), mode)) {
    State& st = *state_;
    st.text = readAll(nativePath, error_);
    if (error_ != 0) return;
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
    {
        CsvReader counter(st.text, st.mapping.format);
        std::vector<std::string> line;
        while (counter.next(line))
            ++total_;
    }
    st.reader = std::make_unique<CsvReader>(st.text, st.mapping.format);
    if (st.mapping.header && total_ > 0) {
        std::vector<std::string> headings;
        (void)st.reader->next(headings);
        --total_;
    }
    if (services::standardOpen(s, adr) != services::OpenOutcome::Opened) {
        error_ = s.db.errorCode() ? s.db.errorCode() : access::kFileNotOpen;
        return;
    }
    st.opened.push_back(&adr);
    st.writer = std::make_unique<MappedFirmWriter>(s);
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
            if (int(c) == st.noteColumn) note = noteText(trimmed(line[c]));
            if (!field) continue;
            const std::string value = oneLine(trimmed(line[c]));
            if (field->picture.starts_with("@d"))
                dict::setFieldInteger(*field, adr.record(), dateOf(value));
            else if (field->type == storage::FieldType::Byte && field->member != "TEXTY")
                dict::setFieldInteger(*field, adr.record(), checked(value) ? 1 : 0);
            else
                dict::setFieldText(*field, adr.record(), value);
            mapped.push_back(st.layoutIndex[c]);
        }
        std::copy(adr.record(), adr.record() + adr.recordSize(), imported.begin());
    }
    st.writer->apply(imported, mapped, note, st.noteColumn >= 0, st.mode, counts_);
    return true;
}

ImportCounts CsvImporter::finish() {
    if (finished_) return counts_;
    finished_ = true;
    if (state_->writer) state_->writer->finish();
    return counts_;
}

} // namespace zv::exchange
