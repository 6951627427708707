// The text of vCards (version 3.0) for the firms and persons of an export:
// one card per firm (ORG, ADR, TEL, EMAIL, NOTE) and one per person (N, FN,
// TITLE, TEL, EMAIL, BDAY, ORG, NOTE). Cards are UTF-8 with CRLF line ends;
// values are escaped and long lines folded at 75 bytes, never inside a
// character. Record text comes in as Windows-1250.
#pragma once

#include "app/shell/dictionary/records.h"

#include <string>
#include <string_view>

namespace zv::exchange {

// A text value escaped for a vCard: "\" "," ";" and line breaks.
std::string vcardEscaped(std::string_view utf8);

// One content line ("NAME:value" without its line end) folded into lines of at
// most 75 bytes, each ended by CRLF.
std::string vcardFolded(std::string_view line);

// The card of a firm; email is the e-mail of its contact person ("" none).
std::string firmVcard(const rec::AdresarRecord& firm, std::string_view note1250,
                      std::string_view email1250);

// The card of a person of firm `firmName`. KONTAKT holds the surname first.
std::string personVcard(const rec::OsobyRecord& person, std::string_view note1250,
                        std::string_view firmName1250);

} // namespace zv::exchange
