#include "app/records/browse/locator_search.h"

#include "platform/codepage.h"
#include "platform/czech_order.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zv::records {
namespace {

// Enough for any sensible text; a search that would need more gives up.
constexpr int kMostPositionings = 2000;

// The forms of a typed letter that lead to different places in the key, the
// plain letter first.
std::vector<char> formsOf(char typed, TextKeyOrder order) {
    const auto plain = cp1250::plainLower(static_cast<unsigned char>(typed));
    std::vector<char> forms;
    std::vector<std::string> letters; // Czech: one form per letter of the alphabet
    auto add = [&](unsigned char b) {
        if (std::find(forms.begin(), forms.end(), static_cast<char>(b)) != forms.end()) return;
        if (order == TextKeyOrder::BytesNoCase && cp1250::upper(b) != b) return;
        if (order == TextKeyOrder::Czech) {
            const std::string l = czech::letters(std::string(1, static_cast<char>(b)));
            if (std::find(letters.begin(), letters.end(), l) != letters.end()) return;
            letters.push_back(l);
        }
        forms.push_back(static_cast<char>(b));
    };
    add(cp1250::upper(plain));
    add(plain);
    for (int b = 0x80; b < 0x100; ++b)
        if (cp1250::plainLower(static_cast<unsigned char>(b)) == plain)
            add(static_cast<unsigned char>(b));
    return forms;
}

bool beginsWith(const std::string& text, const std::string& plainPrefix) {
    return cp1250::plainLower(text).compare(0, plainPrefix.size(), plainPrefix) == 0;
}

bool prefixOf(const std::string& prefix, const std::string& text) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// `text` begins with `at` as the key compares.
bool beginsAsKey(const std::string& text, const std::string& at, TextKeyOrder order) {
    switch (order) {
    case TextKeyOrder::BytesNoCase:
        return prefixOf(cp1250::upper(at), cp1250::upper(text));
    case TextKeyOrder::Czech:
        return prefixOf(czech::letters(at), czech::letters(text));
    case TextKeyOrder::Bytes:
        break;
    }
    return prefixOf(at, text);
}

struct Search {
    std::string_view typed;
    std::string plainTyped;
    TextKeyOrder order;
    const FirstFrom& firstFrom;
    int positionings = 0;

    // The first record at or after `at` matches the typed letters so far,
    // accents and case aside; with `asKey`, it also begins with `at` as the
    // key compares (else no record does, and nothing longer needs trying).
    bool leadsSomewhere(const std::string& at, bool asKey) {
        ++positionings;
        std::string found;
        return firstFrom(at, &found) && beginsWith(found, plainTyped.substr(0, at.size())) &&
               (!asKey || beginsAsKey(found, at, order));
    }

    bool extend(std::string& at) {
        if (at.size() == typed.size()) return true;
        for (char form : formsOf(typed[at.size()], order)) {
            if (positionings >= kMostPositionings) return false;
            at.push_back(form);
            if (leadsSomewhere(at, true) && extend(at)) return true;
            at.pop_back();
        }
        return false;
    }
};

} // namespace

std::string locatorTarget(std::string_view typed, TextKeyOrder order, const FirstFrom& firstFrom) {
    Search search{typed, cp1250::plainLower(typed), order, firstFrom};
    const std::string asTyped(typed);
    if (typed.empty() || search.leadsSomewhere(asTyped, false)) return asTyped;
    std::string at;
    return search.extend(at) ? at : asTyped;
}

} // namespace zv::records
