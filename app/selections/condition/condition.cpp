#include "app/selections/condition/condition.h"

#include "app/shell/dictionary/category_captions.h"
#include "platform/codepage.h"
#include "platform/dates/picture.h"

#include <algorithm>

namespace zv::selections {
namespace {

std::string trimmedRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return trimmedRight(s);
}

FieldChoice choice(const char* captionUtf8, const char* field, FieldKind kind) {
    return {cp1250::fromUtf8(captionUtf8), field, kind};
}

// An optionally signed whole number, nothing else.
bool isNumber(std::string_view s) {
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    return !s.empty() && s.size() <= 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string quoted(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\''; // an apostrophe inside the text stays text
    }
    return out + "'";
}

} // namespace

std::array<std::string, 20> firstCategoryCaptions(access::RecordFile& kategorie) {
    std::array<std::string, 20> out;
    if (!kategorie.isOpen() || kategorie.setFile() != 0 || kategorie.next() != 0) return out;
    return dict::categoryCaptions(kategorie.as<rec::KategorieRecord>());
}

std::vector<FieldChoice> fieldChoices(const std::array<std::string, 20>& categoryCaptions) {
    std::vector<FieldChoice> out = {
        choice("ID firmy", "ID", FieldKind::Number),
        choice("Název firmy", "FIRMA", FieldKind::Text),
        choice("Název ulice", "ULICE", FieldKind::Text),
        choice("PSČ", "PSC", FieldKind::Text),
        choice("Název města", "MESTO", FieldKind::Text),
        choice("Název státu", "STAT", FieldKind::Text),
        choice("IČO", "ICO", FieldKind::Text),
        choice("DIČ", "DIC", FieldKind::Text),
    };
    for (std::size_t n = 0; n < 20; ++n)
        if (!trimmed(categoryCaptions[n]).empty())
            out.push_back(
                {trimmedRight(categoryCaptions[n]), "P" + std::to_string(n + 1), FieldKind::Flag});
    for (std::size_t n = 0; n < 10; ++n)
        if (!trimmed(categoryCaptions[n]).empty())
            out.push_back({trimmedRight(categoryCaptions[n]) + " - Text",
                           "P" + std::to_string(n + 1) + "TXT", FieldKind::Text});
    // "Zásilková služba" and "Oznamovací povinnost" name no field of a firm and
    // could only ever fail: they are not offered.
    const FieldChoice rest[] = {
        choice("Vložil", "VLOZIL", FieldKind::Text),
        choice("Datum vložení", "DT_VLOZENI", FieldKind::Date),
        choice("Upravil", "UPRAVIL", FieldKind::Text),
        choice("Datum úpravy", "DT_UPRAVY", FieldKind::Date),
        choice("Telefon", "TF1", FieldKind::Text),
        choice("FAX", "FAX1", FieldKind::Text),
        choice("Banka", "BANKA1", FieldKind::Text),
        choice("Č. účtu", "BANKA2", FieldKind::Text),
        choice("Jméno", "JMENO1", FieldKind::Text),
        choice("Poznámka", "POZNAMKA", FieldKind::Text),
    };
    out.insert(out.end(), std::begin(rest), std::end(rest));
    return out;
}

const std::vector<std::string>& operatorChoices() {
    static const std::vector<std::string> operators = {"=", ">", "<", ">=", "<=", "<>"};
    return operators;
}

Condition buildCondition(const FieldChoice& field, std::string_view op, std::string_view value,
                         bool flag) {
    Condition c;
    const std::string name = trimmedRight(field.field);
    const std::string caption = trimmedRight(field.caption);
    if (field.kind == FieldKind::Flag) {
        const std::string v = flag ? "1" : "0";
        c.text = name + " = " + v;
        c.caption = caption + " = " + v;
        return c;
    }
    const std::string o = trimmed(op);
    const auto& ops = operatorChoices();
    if (std::find(ops.begin(), ops.end(), o) == ops.end()) {
        c.error = cp1250::fromUtf8("Vyberte podmínku.");
        return c;
    }
    const std::string v = trimmedRight(value);
    switch (field.kind) {
    case FieldKind::Text:
        c.text = name + " " + o + " " + quoted(v);
        c.caption = caption + " " + o + " " + v;
        break;
    case FieldKind::Number: {
        const std::string number = trimmed(v);
        if (!isNumber(number)) {
            c.error = cp1250::fromUtf8("Položka \"") + caption +
                      cp1250::fromUtf8("\" je číslo: zadejte celé číslo.");
            return c;
        }
        c.text = name + " " + o + " " + number;
        c.caption = caption + " " + o + " " + number;
        break;
    }
    case FieldKind::Date: {
        const auto picture = dates::compile("@d5.");
        const auto day = picture ? dates::parse(*picture, v) : std::nullopt;
        if (!day) {
            c.error = cp1250::fromUtf8("Položka \"") + caption +
                      cp1250::fromUtf8("\" je datum: zadejte je ve tvaru DD.MM.RR.");
            return c;
        }
        c.text = name + " " + o + " " + std::to_string(*day);
        c.caption = caption + " " + o + " " + dates::format(*picture, *day);
        break;
    }
    case FieldKind::Flag:
        break;
    }
    return c;
}

} // namespace zv::selections
