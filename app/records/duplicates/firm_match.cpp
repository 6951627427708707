#include "app/records/duplicates/firm_match.h"

#include "platform/codepage.h"

#include <array>
#include <vector>

namespace zv::records {
namespace {

// The legal forms a name may end with, as words of matchText.
const std::vector<std::vector<std::string_view>>& legalForms() {
    static const std::vector<std::vector<std::string_view>> forms = {{"spol", "s", "r", "o"},
                                                                     {"a", "spol"},
                                                                     {"s", "r", "o"},
                                                                     {"v", "o", "s"},
                                                                     {"o", "p", "s"},
                                                                     {"a", "s"},
                                                                     {"k", "s"},
                                                                     {"s", "p"},
                                                                     {"z", "s"},
                                                                     {"sro"},
                                                                     {"spol"},
                                                                     {"as"},
                                                                     {"vos"},
                                                                     {"ops"},
                                                                     {"ks"},
                                                                     {"gmbh"},
                                                                     {"ltd"},
                                                                     {"inc"}};
    return forms;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

} // namespace

std::string matchText(std::string_view text1250) {
    std::string out;
    bool blank = false;
    for (const char byte : text1250) {
        const char32_t c = cp1250::toUnicode(cp1250::plainLower(std::uint8_t(byte)));
        const bool letter = (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'ß';
        if (letter) {
            if (blank && !out.empty()) out += ' ';
            blank = false;
            if (c == U'ß')
                out += "ss";
            else
                out += char(c);
        } else {
            blank = true; // blanks, punctuation and what has no plain letter part words
        }
    }
    return out;
}

std::string firmNameKey(std::string_view name1250) {
    const std::string text = matchText(name1250);
    std::vector<std::string_view> w = words(text);
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const auto& form : legalForms()) {
            if (w.size() <= form.size()) continue; // the name itself stays
            if (std::equal(form.begin(), form.end(), w.end() - long(form.size()))) {
                w.resize(w.size() - form.size());
                stripped = true;
                break;
            }
        }
    }
    std::string out;
    for (const auto& word : w) {
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

std::string icoKey(std::string_view ico1250) {
    std::string digits;
    for (const char c : ico1250)
        if (c >= '0' && c <= '9' && !(c == '0' && digits.empty())) digits += c;
    return digits; // an IČO is a number: written with or without its leading zeros
}

} // namespace zv::records
