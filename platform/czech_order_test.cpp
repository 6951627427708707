#include "platform/czech_order.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace zv {
namespace {

std::string w(const char* utf8) {
    return cp1250::fromUtf8(utf8);
}

// The independent judge: the Czech collation of the ICU library.
class Icu {
public:
    explicit Icu(icu::Collator::ECollationStrength strength) {
        UErrorCode status = U_ZERO_ERROR;
        collator_.reset(icu::Collator::createInstance(icu::Locale("cs", "CZ"), status));
        if (U_FAILURE(status)) collator_.reset();
        if (collator_) collator_->setStrength(strength);
    }
    bool ready() const { return collator_ != nullptr; }
    int compare(const std::string& a1250, const std::string& b1250) const {
        UErrorCode status = U_ZERO_ERROR;
        auto a = icu::UnicodeString::fromUTF8(cp1250::toUtf8(a1250));
        auto b = icu::UnicodeString::fromUTF8(cp1250::toUtf8(b1250));
        return collator_->compare(a, b, status);
    }

private:
    std::unique_ptr<icu::Collator> collator_;
};

int sign(int v) {
    return (v > 0) - (v < 0);
}

int ours(const std::string& a, const std::string& b, bool withCase) {
    const std::size_t width = std::max(a.size(), b.size()) * 2 + 1;
    return sign(czech::sortKey(a, width, withCase).compare(czech::sortKey(b, width, withCase)));
}

// The hard cases, in the order the Czech rules give them.
const std::vector<std::string>& hardCases() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> l;
        for (const char* s :
             {" A",    "0",       "1",       "10",     "2",     "9",        "a",      "A",
              "á",     "Á",       "ab",      "abc",    "Abc",   "ác",       "b",      "c",
              "C",     "Cyril",   "Czech",   "č",      "Č",     "Čapek",    "Čermák", "Černý",
              "d",     "Ďáblice", "Dub",     "Ďub",    "Dubec", "e",        "é",      "ě",
              "Ebert", "Ěbert",   "h",       "Hruška", "Hu",    "Hý",       "ch",     "cH",
              "Ch",    "CH",      "Chalupa", "Chýně",  "i",     "Ivan",     "Kůň",    "Kůra",
              "Kuře",  "Kus",     "Novak",   "Novák",  "NOVÁK", "Nováková", "r",      "Rzach",
              "ř",     "Řád",     "s",       "Sýkora", "š",     "Šebek",    "t",      "Ťava",
              "Tuk",   "u",       "ú",       "ů",      "Ux",    "Ůx",       "z",      "Zeman",
              "ž",     "Žák",     "Žižka"})
            l.push_back(w(s));
        return l;
    }();
    return list;
}

TEST(CzechOrder, TheHardCasesFollowTheCzechRules) {
    const auto& list = hardCases();
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        EXPECT_LT(czech::compare(list[i], list[i + 1]), 0)
            << cp1250::toUtf8(list[i]) << " < " << cp1250::toUtf8(list[i + 1]);
    EXPECT_EQ(czech::compare(w("Novák  "), w("Novák")), 0) << "trailing blanks do not count";
}

TEST(CzechOrder, TheHardCasesAgreeWithTheIndependentCollation) {
    Icu icu(icu::Collator::TERTIARY);
    ASSERT_TRUE(icu.ready());
    const auto& list = hardCases();
    for (std::size_t i = 0; i < list.size(); ++i)
        for (std::size_t j = 0; j < list.size(); ++j)
            EXPECT_EQ(ours(list[i], list[j], true), sign(icu.compare(list[i], list[j])))
                << cp1250::toUtf8(list[i]) << " / " << cp1250::toUtf8(list[j]);
}

// Random words over the letters of Czech and Slovak names, digits, blanks and
// common signs, compared with and without case.
TEST(CzechOrder, RandomWordsAgreeWithTheIndependentCollation) {
    const std::string alphabet =
        w("aábcčdďeéěfghchiíjklľĺmnňoóôpqrřsštťuúůvwxyýzžAÁBCČDĎEÉĚFGHIÍJKLĽĹMNŇOÓÔPQRŘSŠTŤUÚŮ"
          "VWXYÝZŽäöüÄÖÜ0123456789 -.,&");
    std::mt19937 random(20261209);
    auto word = [&] {
        std::string s;
        const int n = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < n; ++i)
            s.push_back(alphabet[random() % alphabet.size()]);
        // Trailing blanks do not count in keys; the collation would weigh them.
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        return s;
    };
    for (bool withCase : {true, false}) {
        Icu icu(withCase ? icu::Collator::TERTIARY : icu::Collator::SECONDARY);
        ASSERT_TRUE(icu.ready());
        int disagreements = 0;
        for (int i = 0; i < 20000 && disagreements < 10; ++i) {
            const std::string a = word(), b = word();
            const int expected = sign(icu.compare(a, b));
            if (ours(a, b, withCase) != expected) {
                ++disagreements;
                ADD_FAILURE() << "\"" << cp1250::toUtf8(a) << "\" vs \"" << cp1250::toUtf8(b)
                              << "\": expected " << expected << (withCase ? "" : " (no case)");
            }
        }
    }
}

TEST(CzechOrder, KeysHaveTheirWidthAndLeaveLongerTextsAfter) {
    EXPECT_EQ(czech::sortKey(w("Černý"), 10, true).size(), 30u);
    EXPECT_EQ(czech::sortKey(w("Černý"), 10, false).size(), 20u);
    EXPECT_EQ(czech::sortKey(w("Černohorský"), 4, true).size(), 12u);
    // A located prefix comes before every text it begins.
    EXPECT_LT(czech::sortKey(w("Nov"), 20, false), czech::sortKey(w("Novák"), 20, false));
    EXPECT_LT(czech::sortKey(w("Nov"), 20, false), czech::sortKey(w("Nová"), 20, false));
    EXPECT_EQ(czech::sortKey("", 3, true), std::string(9, '\0'));
    // Case alone does not tell texts apart without case.
    EXPECT_EQ(czech::sortKey(w("NOVÁK"), 8, false), czech::sortKey(w("novák"), 8, false));
    EXPECT_NE(czech::sortKey(w("NOVAK"), 8, false), czech::sortKey(w("novák"), 8, false));
    EXPECT_EQ(czech::letters(w("NOVAK")), czech::letters(w("novák")));
    EXPECT_NE(czech::letters(w("cerny")), czech::letters(w("černý")));
}

TEST(CzechOrder, EveryByteHasAPlaceAndNothingBreaks) {
    // Every byte alone, and any byte after "c" (the pair CH looks ahead).
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(czech::sortKey(one, 1, true).size(), 3u);
        EXPECT_EQ(czech::sortKey("c" + one, 2, true).size(), 6u);
        EXPECT_EQ(czech::compare(one, one), 0);
    }
    EXPECT_EQ(czech::sortKey(w("ß"), 2, false).substr(0, 2),
              czech::sortKey("ss", 2, false).substr(0, 2));
}

} // namespace
} // namespace zv
