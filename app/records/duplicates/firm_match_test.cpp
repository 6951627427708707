#include "app/records/duplicates/firm_match.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

std::string key(const char* utf8) {
    return firmNameKey(cp1250::fromUtf8(utf8));
}

TEST(FirmMatchTest, CaseAccentsPunctuationAndBlanksDoNotCount) {
    EXPECT_EQ(matchText(cp1250::fromUtf8("  ŽLUŤOUČKÝ kůň,  Ďábel-Ěřó ")),
              "zlutoucky kun dabel ero");
    EXPECT_EQ(matchText(cp1250::fromUtf8("Nové Město n/M")), "nove mesto n m");
    EXPECT_EQ(matchText(""), "");
}

TEST(FirmMatchTest, LegalFormsAtTheEndAreLeftOut) {
    const std::string k = key("Stavby Kučera");
    EXPECT_EQ(k, "stavby kucera");
    for (const char* name : {"Stavby Kučera s.r.o.", "STAVBY KUČERA, s. r. o.", "Stavby Kučera sro",
                             "Stavby Kučera, spol. s r.o.", "Stavby Kučera a.s.",
                             "Stavby-Kučera v.o.s.", "Stavby Kučera a spol."})
        EXPECT_EQ(key(name), k) << name;
    EXPECT_EQ(key("Stavby Kučera Brno"), "stavby kucera brno");
    EXPECT_EQ(key("s.r.o."), "s r o"); // a name that is only a legal form keeps it
    EXPECT_EQ(key("A.S. Zámečnictví"), "a s zamecnictvi"); // not at the end: kept
}

TEST(FirmMatchTest, AnIcoCountsByItsNumber) {
    EXPECT_EQ(icoKey("123 45 678"), "12345678");
    EXPECT_EQ(icoKey("  "), "");
    EXPECT_EQ(icoKey("00000000"), "");
    EXPECT_EQ(icoKey("00012345"), icoKey("12345"));
    EXPECT_EQ(icoKey("CZ-0010"), "10");
}

} // namespace
} // namespace zv::records
