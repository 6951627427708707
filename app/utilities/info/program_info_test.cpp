#include "app/utilities/info/program_info.h"

#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

namespace zv::utilities {
namespace {

TEST(ProgramInfo, TheCompilersDateReadsAsAStandardDate) {
    EXPECT_EQ(dateFromCompilerText("Dec  9 2025"), dates::dateFromParts(12, 9, 2025));
    EXPECT_EQ(dateFromCompilerText("Jan 31 1999"), dates::dateFromParts(1, 31, 1999));
    EXPECT_EQ(dateFromCompilerText("Feb 29 2024"), dates::dateFromParts(2, 29, 2024));
}

TEST(ProgramInfo, WhatIsNoDateGivesZero) {
    EXPECT_EQ(dateFromCompilerText(""), 0);
    EXPECT_EQ(dateFromCompilerText("??? ?? ????"), 0);
    EXPECT_EQ(dateFromCompilerText("Feb 30 2024"), 0);
    EXPECT_EQ(dateFromCompilerText("Feb 29 2023"), 0);
    EXPECT_EQ(dateFromCompilerText("anF  1 2020"), 0);
    EXPECT_EQ(dateFromCompilerText("Jan  0 2020"), 0);
    EXPECT_EQ(dateFromCompilerText("Jan  1 20x0"), 0);
}

TEST(ProgramInfo, TheProgramKnowsTheDayItWasBuilt) {
    const std::int32_t built = lastChangeDate();
    EXPECT_TRUE(dates::isValidDate(built));
    EXPECT_LE(built, dates::today());
    EXPECT_GE(dates::yearOf(built), 2024);
}

} // namespace
} // namespace zv::utilities
