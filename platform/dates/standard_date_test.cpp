#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

namespace zv::dates {
namespace {

class StandardDate : public ::testing::Test {
protected:
    void SetUp() override { setCenturyBaseYearForTesting(1998); }
    void TearDown() override { setCenturyBaseYearForTesting(0); }
};

TEST_F(StandardDate, FixedPointsOfTheScale) {
    EXPECT_EQ(dateFromParts(1, 1, 1801), 4);
    EXPECT_EQ(dateFromParts(12, 31, 1900), 36527);
    EXPECT_EQ(dateFromParts(1, 1, 1901), 36528);
    EXPECT_EQ(dateFromParts(12, 31, 2099), 109211);
    EXPECT_EQ(dateFromParts(5, 19, 1998), 72095);
}

TEST_F(StandardDate, Year1900HasNoLeapDay) {
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_EQ(dateFromParts(3, 1, 1900) - dateFromParts(2, 28, 1900), 1);
    EXPECT_EQ(dateFromParts(2, 29, 1900), -1);
    EXPECT_EQ(checkDate(2, 29, 1900), -1);
}

TEST_F(StandardDate, LeapDaysOf2000And2099) {
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_EQ(checkDate(2, 29, 2000), 0);
    EXPECT_EQ(dateFromParts(3, 1, 2000) - dateFromParts(2, 28, 2000), 2);
    EXPECT_EQ(checkDate(2, 29, 2099), -1);
    EXPECT_EQ(checkDate(2, 29, 1804), 0);
    EXPECT_EQ(checkDate(2, 29, 1803), -1);
}

TEST_F(StandardDate, EveryValidNumberRoundTripsAndDaysFollowEachOther) {
    DateParts prev;
    ASSERT_EQ(dateToParts(kFirstDate, prev), 0);
    EXPECT_EQ(prev.year, 1801);
    for (std::int32_t n = kFirstDate; n <= kLastDate; ++n) {
        DateParts p;
        ASSERT_EQ(dateToParts(n, p), 0) << n;
        ASSERT_EQ(dateFromParts(p.month, p.day, p.year), n) << p.year << "-" << p.month;
        if (n > kFirstDate) {
            const bool nextDay =
                p.year == prev.year && p.month == prev.month && p.day == prev.day + 1;
            const bool nextMonth = p.year == prev.year && p.month == prev.month + 1 && p.day == 1 &&
                                   prev.day == monthLength(prev.month, prev.year);
            const bool nextYear = p.year == prev.year + 1 && p.month == 1 && p.day == 1 &&
                                  prev.month == 12 && prev.day == 31;
            ASSERT_TRUE(nextDay || nextMonth || nextYear) << n;
        }
        prev = p;
    }
    EXPECT_EQ(prev.year, 2099);
    EXPECT_EQ(prev.month, 12);
    EXPECT_EQ(prev.day, 31);
}

TEST_F(StandardDate, NumbersOutsideTheRangeAreRejected) {
    for (std::int32_t n : {0, 3, -1, 109212, INT32_MIN, INT32_MAX}) {
        DateParts p{1, 1, 1};
        EXPECT_EQ(dateToParts(n, p), -1) << n;
        EXPECT_EQ(p.year, 0);
        EXPECT_EQ(yearOf(n), -1);
        EXPECT_EQ(monthOf(n), -1);
        EXPECT_EQ(dayOf(n), -1);
        EXPECT_EQ(weekdayOf(n), -1);
    }
    EXPECT_EQ(yearOf(109211), 2099);
    EXPECT_EQ(monthOf(109211), 12);
    EXPECT_EQ(dayOf(109211), 31);
}

TEST_F(StandardDate, InvalidPartsGiveMinusOne) {
    EXPECT_EQ(dateFromParts(12, 31, 1800), -1);
    EXPECT_EQ(dateFromParts(1, 1, 2100), -1);
    EXPECT_EQ(dateFromParts(0, 1, 1998), -1);
    EXPECT_EQ(dateFromParts(13, 1, 1998), -1);
    EXPECT_EQ(dateFromParts(4, 31, 1998), -1);
    EXPECT_EQ(dateFromParts(4, 0, 1998), -1);
    EXPECT_EQ(dateFromParts(INT32_MAX, INT32_MAX, INT32_MAX), -1);
    EXPECT_EQ(dateFromParts(1, 1, INT32_MIN), -1);
}

TEST_F(StandardDate, TwoDigitYearsFollowTheCenturyWindow) {
    EXPECT_EQ(expandYear(18), 1918);
    EXPECT_EQ(expandYear(17), 2017);
    EXPECT_EQ(expandYear(98), 1998);
    EXPECT_EQ(expandYear(0), 2000);
    EXPECT_EQ(expandYear(1998), 1998);
    // (C mod 100) + 20 goes to the previous century, (C mod 100) - 81 to the next.
    setCenturyBaseYearForTesting(2026);
    EXPECT_EQ(expandYear(46), 1946);
    EXPECT_EQ(expandYear(45), 2045);
    setCenturyBaseYearForTesting(1990);
    EXPECT_EQ(expandYear(9), 2009);
    EXPECT_EQ(expandYear(10), 1910);
    // Another window: 99 - 19 = 80 forward years.
    setCenturyBaseYearForTesting(1998);
    EXPECT_EQ(expandYear(50, 19), 2050);
    EXPECT_EQ(expandYear(78, 19), 2078);
    EXPECT_EQ(expandYear(79, 19), 1979);
    EXPECT_EQ(dateFromParts(5, 19, 98), 72095);
}

TEST_F(StandardDate, WeekdaysCountFromAThursday) {
    EXPECT_EQ(weekdayOf(4), 3);                          // 1 January 1801
    EXPECT_EQ(weekdayOf(dateFromParts(5, 19, 1998)), 1); // a Tuesday
    EXPECT_EQ(weekdayOf(dateFromParts(1, 1, 2000)), 5);  // a Saturday
}

TEST_F(StandardDate, TimesConvertBothWays) {
    EXPECT_EQ(timeFromParts(0, 0, 0, 1), 2);
    EXPECT_EQ(timeFromParts(23, 59, 59, 99), kLastTime);
    EXPECT_EQ(timeFromParts(13, 45, 10, 25), 4951026);
    TimeParts t;
    ASSERT_EQ(timeToParts(4951026, t), 0);
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 45);
    EXPECT_EQ(t.second, 10);
    EXPECT_EQ(t.hundredths, 25);
    ASSERT_EQ(timeToParts(1, t), 0);
    EXPECT_EQ(t.hour + t.minute + t.second + t.hundredths, 0);
}

TEST_F(StandardDate, AllZeroTimePartsGiveNoTimeAndBadPartsMinusOne) {
    EXPECT_EQ(timeFromParts(0, 0, 0, 0), kNoTime);
    EXPECT_EQ(timeFromParts(24, 0), -1);
    EXPECT_EQ(timeFromParts(0, 60), -1);
    EXPECT_EQ(timeFromParts(0, 0, 60), -1);
    EXPECT_EQ(timeFromParts(0, 0, 0, 100), -1);
    EXPECT_EQ(timeFromParts(-1, 0), -1);
    for (std::int32_t n : {0, -5, kLastTime + 1, INT32_MAX}) {
        TimeParts t{1, 2, 3, 4};
        EXPECT_EQ(timeToParts(n, t), -1);
        EXPECT_EQ(t.hour + t.minute + t.second + t.hundredths, 0);
    }
}

TEST_F(StandardDate, TodayAndClockAreValid) {
    EXPECT_TRUE(isValidDate(today()));
    EXPECT_TRUE(isValidTime(clockTime()));
}

} // namespace
} // namespace zv::dates
