#include "app/records/browse/locator_search.h"

#include "platform/codepage.h"
#include "platform/czech_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace zv::records {
namespace {

std::string w(const char* utf8) {
    return cp1250::fromUtf8(utf8);
}

// A key over names, in the order `order` compares them.
struct Key {
    TextKeyOrder order;
    std::vector<std::string> names;
    int positionings = 0;

    int compare(const std::string& a, const std::string& b) const {
        switch (order) {
        case TextKeyOrder::Czech:
            return czech::compare(a, b);
        case TextKeyOrder::BytesNoCase:
            return cp1250::upper(a).compare(cp1250::upper(b));
        case TextKeyOrder::Bytes:
            break;
        }
        return a.compare(b);
    }
    Key(TextKeyOrder o, std::initializer_list<const char*> utf8) : order(o) {
        for (const char* n : utf8)
            names.push_back(w(n));
        std::sort(names.begin(), names.end(),
                  [this](const auto& a, const auto& b) { return compare(a, b) < 0; });
    }
    // The first name at or after `at`, as a key positioning finds it.
    bool firstFrom(const std::string& at, std::string* found) {
        ++positionings;
        for (const auto& n : names)
            if (compare(n, at) >= 0) {
                *found = n;
                return true;
            }
        return false;
    }
    // Where a locator typed as `typed` lands.
    std::string located(const char* typed) {
        const std::string target =
            locatorTarget(w(typed), order, [this](const std::string& at, std::string* found) {
                return firstFrom(at, found);
            });
        std::string found;
        return firstFrom(target, &found) ? cp1250::toUtf8(found) : "(end)";
    }
};

TEST(LocatorSearch, PlainLettersFindNamesWithAccentsInEveryOrder) {
    for (auto order : {TextKeyOrder::BytesNoCase, TextKeyOrder::Bytes, TextKeyOrder::Czech}) {
        Key key(order, {"Cermak", "Czech", "Černý", "Čížek", "Dvořák", "NOVÁK", "Novotný", "Řezník",
                        "Šafránek", "Žák", "Zeman", "Ďáblice"});
        SCOPED_TRACE(static_cast<int>(order));
        EXPECT_EQ(key.located("cerny"), "Černý");
        EXPECT_EQ(key.located("CERN"), "Černý");
        EXPECT_EQ(key.located("cizek"), "Čížek");
        EXPECT_EQ(key.located("novak"), "NOVÁK");
        EXPECT_EQ(key.located("reznik"), "Řezník");
        EXPECT_EQ(key.located("safr"), "Šafránek");
        EXPECT_EQ(key.located("zak"), "Žák");
        EXPECT_EQ(key.located("dabl"), "Ďáblice");
        // What is typed with its accents, or found as typed, is found directly.
        EXPECT_EQ(key.located("Černý"), "Černý");
        EXPECT_EQ(key.located("cerm"), "Cermak");
        EXPECT_EQ(key.located("dvorak"), "Dvořák");
    }
}

TEST(LocatorSearch, ATextNoNameBeginsWithLandsWhereTheKeyPutsIt) {
    Key key(TextKeyOrder::BytesNoCase, {"Adam", "Cermak", "Černý", "Zeman"});
    EXPECT_EQ(key.located("ceo"), "Cermak"); // no "ceo..": the next name in byte order
    EXPECT_EQ(key.located("b"), "Cermak");
    EXPECT_EQ(key.located("zz"), "Černý"); // Č after Z
    EXPECT_EQ(key.located("ýý"), "(end)");
    EXPECT_EQ(key.located(""), "Adam");
}

TEST(LocatorSearch, AFewPositioningsOnALargeKey) {
    Key key(TextKeyOrder::BytesNoCase, {});
    // 2,000 names over letters with and without accents.
    const std::vector<std::string> starts = {w("Ce"), w("Če"), w("Ze"), w("Že"), w("Ne"), w("Ně")};
    for (int i = 0; i < 2000; ++i)
        key.names.push_back(starts[std::size_t(i) % starts.size()] + std::to_string(i));
    key.names.push_back(w("Čeňková"));
    std::sort(key.names.begin(), key.names.end(),
              [&](const auto& a, const auto& b) { return key.compare(a, b) < 0; });
    key.positionings = 0;
    EXPECT_EQ(key.located("cenkova"), "Čeňková");
    EXPECT_LT(key.positionings, 30);
    key.positionings = 0;
    EXPECT_EQ(key.located("nexyzw"), "Ně1001"); // nothing begins so: where the typed text goes
    EXPECT_LT(key.positionings, 30);
}

} // namespace
} // namespace zv::records
