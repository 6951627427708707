#include "app/records/browse/thumb.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

TEST(Thumb, TheTableHasOneHundredPrefixesInOrder) {
    EXPECT_EQ(thumbPrefix(1), "  ");
    EXPECT_EQ(thumbPrefix(2), "AF");
    EXPECT_EQ(thumbPrefix(4), "AT");
    EXPECT_EQ(thumbPrefix(5), "B ");
    EXPECT_EQ(thumbPrefix(8), "BT");
    EXPECT_EQ(thumbPrefix(64), "PT");
    EXPECT_EQ(thumbPrefix(65), "Q ");
    EXPECT_EQ(thumbPrefix(66), "QN");
    EXPECT_EQ(thumbPrefix(67), "R ");
    EXPECT_EQ(thumbPrefix(98), "YT");
    EXPECT_EQ(thumbPrefix(99), "Z ");
    EXPECT_EQ(thumbPrefix(100), "ZN");
    for (int i = 2; i <= 100; ++i)
        EXPECT_LT(thumbPrefix(i - 1), thumbPrefix(i)) << i;
}

TEST(Thumb, PositionIsTheLastPrefixNotGreaterThanTheValue) {
    EXPECT_EQ(thumbPositionForText(""), 1);
    EXPECT_EQ(thumbPositionForText("Abc"), 1);
    EXPECT_EQ(thumbPositionForText("ag"), 2);
    EXPECT_EQ(thumbPositionForText("B"), 5);
    EXPECT_EQ(thumbPositionForText("Bohemia"), 7);
    EXPECT_EQ(thumbPositionForText("Bfx"), 6);
    EXPECT_EQ(thumbPositionForText("Quido"), 66);
    EXPECT_EQ(thumbPositionForText("Zzz"), 100);
    EXPECT_EQ(thumbPositionForText("\xC8"
                                   "ed"),
              100); // Č sorts after Z bytewise
}

TEST(Thumb, InCzechOrderTheLettersOfTheirOwnFallBetween) {
    auto at = [](const char* utf8) { return thumbPositionForText(cp1250::fromUtf8(utf8), true); };
    auto positionOf = [](std::string_view prefix) {
        for (int i = 1; i <= kThumbPositions; ++i)
            if (thumbPrefix(i) == prefix) return i;
        return 0;
    };
    EXPECT_EQ(at("Čapek"), positionOf("CT")); // after every C, before D
    EXPECT_EQ(at("Cyril"), positionOf("CT"));
    EXPECT_EQ(at("Ďáblice"), positionOf("D ")); // Ď sorts as D
    EXPECT_EQ(at("Chalupa"), positionOf("HT")); // CH after H
    EXPECT_EQ(at("Hruška"), positionOf("HN"));
    EXPECT_EQ(at("Žák"), 100);
    EXPECT_EQ(at("Bohemia"), thumbPositionForText("Bohemia"));
}

TEST(Thumb, NumberOrdersAreProportional) {
    EXPECT_EQ(thumbPositionForNumber(1, 1, 1), 1);
    EXPECT_EQ(thumbPositionForNumber(1, 1, 100), 1);
    EXPECT_EQ(thumbPositionForNumber(100, 1, 100), 100);
    EXPECT_EQ(thumbPositionForNumber(50, 0, 99), 51);
    EXPECT_EQ(thumbNumberForPosition(1, 5, 500), 5);
    EXPECT_EQ(thumbNumberForPosition(100, 5, 500), 500);
    EXPECT_EQ(thumbNumberForPosition(50, 0, 99), 49);
}

} // namespace
} // namespace zv::records
