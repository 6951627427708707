#include "app/exchange/import/csv_persons.h"

#include "app/exchange/import/csv_reader.h"
#include "app/exchange/import/csv_values.h"
#include "app/shell/dictionary/dictionary.h"
#include "app/shell/dictionary/field_values.h"
#include "platform/codepage.h"

#include <algorithm>

namespace zv::exchange {
namespace {

const char* const kNote = "OSO:POZN";

// The person form's and list's captions (UTF-8) of the fields.
const std::pair<const char*, const char*> kCaptions[] = {
    {"Kontakt", "KONTAKT"},       {"Funkce", "FUNKCE"},    {"Oslovení", "OSLOVENI"},
    {"Tel. - zaměstnání", "TFZ"}, {"Tel. zam.", "TFZ"},    {"Tel. - domů", "TFD"},
    {"Tel. domů", "TFD"},         {"Mobil", "TFM"},        {"Fax", "FAX"},
    {"E-mail", "E_MAIL"},         {"Upozornit", "VYROCI"}, {"Svátek", "SVATEK"},
    {"Narozeniny", "NAROZENINY"}, {"Záliby", "ZALIBY"},    {"Poznámka", "POZN"}};

} // namespace

std::string csvPersonField(const std::string& heading1250) {
    std::string name = csvTrimmed(heading1250);
    if (!name.empty() && name.back() == ':') name.pop_back();
    if (name.size() > 4 && cp1250::equalNoCase(name.substr(0, 4), "OSO:")) name.erase(0, 4);
    if (name.empty()) return {};
    const dict::FileDef& osoby = *dict::fileByLabel("Osoby");
    for (const auto& field : osoby.layout->fields)
        if (cp1250::equalNoCase(name, field.member)) return "OSO:" + std::string(field.member);
    if (cp1250::equalNoCase(name, "POZN")) return kNote;
    for (const auto& [caption, member] : kCaptions)
        if (cp1250::equalNoCase(name, cp1250::fromUtf8(caption)))
            return "OSO:" + std::string(member);
    return {};
}

CsvPersons readCsvPersons(const std::string& nativePath, int& error) {
    CsvPersons out;
    const std::string text = readCsvFile(nativePath, error);
    if (error != 0) return out;
    CsvReader reader(text, detectCsvFormat(text));
    std::vector<std::string> headings;
    if (!reader.next(headings)) return out;

    // Per column the field it fills; each field from one column, the first.
    const dict::FileDef& osoby = *dict::fileByLabel("Osoby");
    std::vector<const dict::FieldSpec*> fields(headings.size(), nullptr);
    int firmColumn = -1, numberColumn = -1, noteColumn = -1;
    std::vector<std::string> taken;
    for (std::size_t c = 0; c < headings.size(); ++c) {
        const std::string name = csvPersonField(headings[c]);
        if (name.empty() || std::find(taken.begin(), taken.end(), name) != taken.end()) continue;
        taken.push_back(name);
        if (name == kNote) {
            noteColumn = int(c);
            continue;
        }
        fields[c] = dict::fieldOf(osoby, name);
        if (name == "OSO:ID") firmColumn = int(c);
        if (name == "OSO:REC") numberColumn = int(c);
    }

    std::vector<std::uint8_t> blank(osoby.layout->size, 0);
    for (const auto& field : osoby.layout->fields)
        dict::blankField(field, blank.data());
    std::vector<std::string> line;
    while (reader.next(line)) {
        if (line.size() == 1 && line.front().empty()) continue; // a blank line
        ++out.lines;
        if (line.size() != headings.size() || firmColumn < 0) {
            ++out.malformed;
            continue;
        }
        const auto firm = csvNumber(line[std::size_t(firmColumn)]);
        const bool numbered = numberColumn < 0 ||
                              csvTrimmed(line[std::size_t(numberColumn)]).empty() ||
                              csvNumber(line[std::size_t(numberColumn)]).has_value();
        if (!firm || *firm <= 0 || !numbered) {
            ++out.malformed;
            continue;
        }
        CsvPerson person{blank, {}};
        for (std::size_t c = 0; c < line.size(); ++c) {
            const dict::FieldSpec* field = fields[c];
            if (!field || int(c) == numberColumn || int(c) == firmColumn) continue;
            setCsvValue(*field, field->type == storage::FieldType::Byte, person.record.data(),
                        line[c]);
        }
        const std::int32_t number =
            numberColumn < 0 ? 0 : csvNumber(line[std::size_t(numberColumn)]).value_or(0);
        dict::setFieldInteger(*dict::fieldOf(osoby, "OSO:REC"), person.record.data(), number);
        dict::setFieldInteger(*dict::fieldOf(osoby, "OSO:ID"), person.record.data(), *firm);
        if (noteColumn >= 0) person.note = csvNoteText(csvTrimmed(line[std::size_t(noteColumn)]));
        out.persons.push_back(std::move(person));
    }
    return out;
}

} // namespace zv::exchange
