#include "platform/czech_order.h"

#include "platform/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace zv::czech {
namespace {

// Accents, in the order they break ties between equal letters.
enum Accent : std::uint8_t {
    kPlain = 1,
    kAcute,
    kBreve,
    kCircumflex,
    kCaron,
    kRing,
    kDiaeresis,
    kDoubleAcute,
    kDotAbove,
    kCedilla,
    kOgonek,
    kStroke,
};

constexpr std::uint8_t kLower = 1;
constexpr std::uint8_t kUpper = 2;

struct Weight {
    std::uint8_t letter = 0; // 0: the byte does not count
    std::uint8_t accent = 0;
    std::uint8_t letterCase = 0;
};

struct Table {
    std::array<Weight, 256> weights{};
    std::uint8_t ch = 0; // the letter CH
    std::uint8_t s = 0;  // the letter S, twice for ß
};

unsigned char byteOf(std::string_view utf8) {
    const std::string b = cp1250::fromUtf8(utf8);
    return b.empty() ? 0 : static_cast<unsigned char>(b[0]);
}

// Signs that are not letters, lowest first: blanks, punctuation, symbols, digits.
constexpr std::string_view kSigns[] = {
    "\t", " ", "_",  "-", "–", "—", ",", ";", ":", "!", "?", ".", "…", "'", "‘", "’", "‚",
    "‹",  "›", "\"", "“", "”", "„", "«", "»", "(", ")", "[", "]", "{", "}", "§", "¶", "@",
    "*",  "/", "\\", "&", "#", "%", "‰", "†", "‡", "•", "`", "´", "˝", "˘", "˙", "¸", "˛",
    "¨",  "ˇ", "^",  "°", "©", "®", "+", "±", "÷", "×", "<", "=", ">", "¬", "|", "¦", "~",
    "¤",  "$", "€",  "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

// The letters in order; "ch" stands for the pair C and H.
constexpr std::string_view kLetters[] = {"a", "b", "c", "č", "d", "e", "f", "g", "h", "ch", "i",
                                         "j", "k", "l", "m", "n", "o", "p", "q", "r", "ř",  "s",
                                         "š", "t", "u", "v", "w", "x", "y", "z", "ž", "µ"};

struct Accented {
    std::string_view letter; // lower case
    std::string_view base;
    Accent accent;
};
constexpr Accented kAccented[] = {
    {"á", "a", kAcute},      {"ă", "a", kBreve},     {"â", "a", kCircumflex},
    {"ä", "a", kDiaeresis},  {"ą", "a", kOgonek},    {"ć", "c", kAcute},
    {"ç", "c", kCedilla},    {"ď", "d", kCaron},     {"đ", "d", kStroke},
    {"é", "e", kAcute},      {"ě", "e", kCaron},     {"ë", "e", kDiaeresis},
    {"ę", "e", kOgonek},     {"í", "i", kAcute},     {"î", "i", kCircumflex},
    {"ĺ", "l", kAcute},      {"ľ", "l", kCaron},     {"ł", "l", kStroke},
    {"ń", "n", kAcute},      {"ň", "n", kCaron},     {"ó", "o", kAcute},
    {"ô", "o", kCircumflex}, {"ö", "o", kDiaeresis}, {"ő", "o", kDoubleAcute},
    {"ŕ", "r", kAcute},      {"ś", "s", kAcute},     {"ş", "s", kCedilla},
    {"ť", "t", kCaron},      {"ţ", "t", kCedilla},   {"ú", "u", kAcute},
    {"ů", "u", kRing},       {"ü", "u", kDiaeresis}, {"ű", "u", kDoubleAcute},
    {"ý", "y", kAcute},      {"ź", "z", kAcute},     {"ż", "z", kDotAbove},
};

void setLetter(Table& t, unsigned char lower, Weight w) {
    w.letterCase = kLower;
    t.weights[lower] = w;
    const unsigned char upper = cp1250::upper(lower);
    if (upper != lower) {
        w.letterCase = kUpper;
        t.weights[upper] = w;
    }
}

Table makeTable() {
    Table t;
    std::uint8_t next = 1;
    for (auto sign : kSigns)
        t.weights[byteOf(sign)] = {next++, kPlain, kLower};
    // A no-break space is a blank.
    t.weights[0xA0] = {t.weights[' '].letter, kPlain, kUpper};
    std::array<std::uint8_t, 256> letterOf{};
    for (auto letter : kLetters) {
        const std::uint8_t weight = next++;
        if (letter == "ch") {
            t.ch = weight;
            continue;
        }
        const unsigned char b = byteOf(letter);
        letterOf[b] = weight;
        setLetter(t, b, {weight, kPlain, kLower});
    }
    t.s = letterOf['s'];
    for (const auto& a : kAccented)
        setLetter(t, byteOf(a.letter), {letterOf[byteOf(a.base)], a.accent, kLower});
    // ß sorts as "ss"; see the expansion in the key.
    t.weights[0xDF] = {t.s, kPlain, 3};
    return t;
}

const Table& table() {
    static const Table t = makeTable();
    return t;
}

bool isC(unsigned char b) {
    return b == 'c' || b == 'C';
}
bool isH(unsigned char b) {
    return b == 'h' || b == 'H';
}

// The weights of a text, one per letter, in order.
std::vector<Weight> weightsOf(std::string_view text) {
    const Table& t = table();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    std::vector<Weight> out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (isC(b) && i + 1 < text.size() && isH(static_cast<unsigned char>(text[i + 1]))) {
            // ch < cH < Ch < CH
            const auto h = static_cast<unsigned char>(text[i + 1]);
            const auto letterCase =
                static_cast<std::uint8_t>(1 + (b == 'C' ? 2 : 0) + (h == 'H' ? 1 : 0));
            out.push_back({t.ch, kPlain, letterCase});
            ++i;
            continue;
        }
        const Weight w = t.weights[b];
        if (w.letter == 0) continue;
        out.push_back(w);
        if (b == 0xDF) out.push_back(w); // ß: s twice
    }
    return out;
}

} // namespace

std::string sortKey(std::string_view text1250, std::size_t width, bool withCase) {
    const std::vector<Weight> w = weightsOf(text1250);
    const std::size_t n = std::min(w.size(), width);
    std::string key((withCase ? 3 : 2) * width, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        key[i] = static_cast<char>(w[i].letter);
        key[width + i] = static_cast<char>(w[i].accent);
        if (withCase) key[2 * width + i] = static_cast<char>(w[i].letterCase);
    }
    return key;
}

int compare(std::string_view a, std::string_view b) {
    const std::size_t width = std::max(a.size(), b.size()) * 2;
    return sortKey(a, width, true).compare(sortKey(b, width, true));
}

std::string letters(std::string_view text1250) {
    const std::vector<Weight> w = weightsOf(text1250);
    std::string out;
    out.reserve(w.size());
    for (const auto& x : w)
        out.push_back(static_cast<char>(x.letter));
    return out;
}

} // namespace zv::czech
