#include "app/exchange/export/vcard.h"

#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <cstdio>

namespace zv::exchange {
namespace {

constexpr std::size_t kFoldWidth = 75;

std::string utf8(std::string_view text1250) {
    std::size_t n = text1250.size();
    while (n > 0 && (text1250[n - 1] == ' ' || text1250[n - 1] == '\0'))
        --n;
    std::size_t from = 0;
    while (from < n && text1250[from] == ' ')
        ++from;
    return cp1250::toUtf8(text1250.substr(from, n - from));
}

// The escaped UTF-8 value of record text.
std::string value(std::string_view text1250) {
    return vcardEscaped(utf8(text1250));
}

// Appends "NAME:value" when the value is not empty.
void property(std::string& card, std::string_view name, std::string_view text1250) {
    const std::string v = value(text1250);
    if (v.empty()) return;
    card += vcardFolded(std::string(name) + ":" + v);
}

std::string isoDate(std::int32_t day) {
    dates::DateParts p;
    if (day == 0 || dates::dateToParts(day, p) != 0) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
    return text;
}

} // namespace

std::string vcardEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
        case ',':
        case ';':
            out += '\\';
            out += c;
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            // Other control characters have no place in a content line.
            out += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? ' ' : c;
        }
    }
    return out;
}

std::string vcardFolded(std::string_view line) {
    std::string out;
    std::size_t width = kFoldWidth; // the first line; continuations start with a blank
    while (line.size() > width) {
        std::size_t cut = width;
        // Never inside a UTF-8 sequence: back up to the start of a character.
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = kFoldWidth - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string firmVcard(const rec::AdresarRecord& firm, std::string_view note1250,
                      std::string_view email1250) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "UID:zevlon-firma-" + std::to_string(firm.ID.get()) + "\r\n";
    std::string name = value(firm.FIRMA.view());
    if (name.empty()) name = "Firma " + std::to_string(firm.ID.get());
    card += "N:;;;;\r\n"; // a firm has no name of a person
    card += vcardFolded("FN:" + name);
    card += vcardFolded("ORG:" + name);
    const std::string street = value(firm.ULICE.view()), town = value(firm.MESTO.view()),
                      code = value(firm.PSC.view()), country = value(firm.STAT.view());
    if (!(street + town + code + country).empty())
        card += vcardFolded("ADR;TYPE=WORK:;;" + street + ";" + town + ";;" + code + ";" + country);
    property(card, "TEL;TYPE=WORK,VOICE", firm.TF1.view());
    property(card, "TEL;TYPE=WORK,FAX", firm.FAX1.view());
    property(card, "EMAIL;TYPE=INTERNET", email1250);
    property(card, "NOTE", note1250);
    card += "END:VCARD\r\n";
    return card;
}

std::string personVcard(const rec::OsobyRecord& person, std::string_view note1250,
                        std::string_view firmName1250) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "UID:zevlon-osoba-" + std::to_string(person.REC.get()) + "\r\n";
    // "Novák Jan Petr": the surname, then the given names.
    const std::string whole = utf8(person.KONTAKT.view());
    const std::size_t space = whole.find(' ');
    const std::string surname = whole.substr(0, space);
    std::string given = space == std::string::npos ? std::string() : whole.substr(space + 1);
    while (!given.empty() && given.front() == ' ')
        given.erase(0, 1);
    card += vcardFolded("N:" + vcardEscaped(surname) + ";" + vcardEscaped(given) + ";;;");
    std::string shown = given.empty() ? surname : given + " " + surname;
    if (shown.empty()) shown = "Osoba " + std::to_string(person.REC.get());
    card += vcardFolded("FN:" + vcardEscaped(shown));
    property(card, "TITLE", person.FUNKCE.view());
    property(card, "ORG", firmName1250);
    property(card, "TEL;TYPE=WORK,VOICE", person.TFZ.view());
    property(card, "TEL;TYPE=HOME,VOICE", person.TFD.view());
    property(card, "TEL;TYPE=CELL,VOICE", person.TFM.view());
    property(card, "TEL;TYPE=WORK,FAX", person.FAX.view());
    property(card, "EMAIL;TYPE=INTERNET", person.E_MAIL.view());
    const std::string birthday = isoDate(person.NAROZENINY.get());
    if (!birthday.empty()) card += "BDAY:" + birthday + "\r\n";
    property(card, "NOTE", note1250);
    card += "END:VCARD\r\n";
    return card;
}

} // namespace zv::exchange
