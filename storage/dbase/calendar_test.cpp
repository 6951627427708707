#include "storage/dbase/calendar.h"

#include <gtest/gtest.h>

namespace zv::dbase {
namespace {

TEST(CalendarTest, StandardDatesConvertBothWays) {
    struct Case {
        std::int32_t n;
        int y, m, d;
    };
    for (const Case c : {Case{4, 1801, 1, 1}, Case{72095, 1998, 5, 19}, Case{36527, 1900, 12, 31},
                         Case{36528, 1901, 1, 1}, Case{109211, 2099, 12, 31}}) {
        const CalendarDate d = fromStandardDate(c.n);
        EXPECT_EQ(d.year, c.y) << c.n;
        EXPECT_EQ(d.month, c.m) << c.n;
        EXPECT_EQ(d.day, c.d) << c.n;
        EXPECT_EQ(toStandardDate({c.y, c.m, c.d}), c.n);
    }
    EXPECT_EQ(toStandardDate({1900, 3, 1}) - toStandardDate({1900, 2, 28}), 1);
    EXPECT_EQ(toStandardDate({2000, 2, 29}) + 1, toStandardDate({2000, 3, 1}));
    EXPECT_EQ(toStandardDate({2099, 2, 29}), -1);
    EXPECT_TRUE(fromStandardDate(3).empty());
    EXPECT_TRUE(fromStandardDate(109212).empty());
    EXPECT_TRUE(fromStandardDate(0).empty());
    for (std::int32_t n = 4; n <= 109211; ++n)
        ASSERT_EQ(toStandardDate(fromStandardDate(n)), n);
}

TEST(CalendarTest, DateFieldsAndColumnText) {
    std::uint8_t f[4];
    packDateField({1998, 5, 19}, f);
    EXPECT_EQ(f[0], 19);
    EXPECT_EQ(f[1], 5);
    EXPECT_EQ(f[2] | (f[3] << 8), 1998);
    const CalendarDate d = unpackDateField(f);
    EXPECT_EQ(dateText(d), "19980519");
    packDateField({}, f);
    EXPECT_TRUE(unpackDateField(f).empty());
    EXPECT_EQ(dateText({}), "        ");
    EXPECT_TRUE(parseDateText("19980230").empty());
    EXPECT_TRUE(parseDateText("1998 5 1").empty());
    EXPECT_EQ(parseDateText("20000229").day, 29);
}

} // namespace
} // namespace zv::dbase
