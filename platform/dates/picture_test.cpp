#include "platform/dates/picture.h"

#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace zv::dates {
namespace {

// Regional settings as on a machine whose "intl" section is empty.
Regional defaults() {
    return regionalFrom(ProfileFile("/nonexistent/zevlon/system.ini"));
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override { setCenturyBaseYearForTesting(1998); }
    void TearDown() override { setCenturyBaseYearForTesting(0); }

    static Picture pic(std::string_view text, const Regional& r = defaults()) {
        std::string why;
        auto p = compile(text, r, &why);
        EXPECT_TRUE(p) << text << ": " << why;
        return p ? *p : Picture{};
    }
    static std::string fmt(std::string_view picture, std::int32_t value) {
        return format(pic(picture), value);
    }
    static std::optional<std::int32_t> read(std::string_view picture, std::string_view text) {
        return parse(pic(picture), text);
    }
};

const std::int32_t k19May1998 = 72095;
const std::int32_t k1Jan1998 = dateFromParts(1, 1, 1998);
const std::int32_t k5Mar2001 = dateFromParts(3, 5, 2001);

TEST_F(PictureTest, EveryFixedDatePicture) {
    const struct {
        int number;
        const char* may19;
        const char* mar5;
    } cases[] = {
        {1, "5/19/98", "3/05/01"},
        {2, "5/19/1998", "3/05/2001"},
        {3, "May 19, 1998", "Mar 5, 2001"},
        {4, "May 19, 1998", "March 5, 2001"},
        {5, "19/05/98", "5/03/01"},
        {6, "19/05/1998", "5/03/2001"},
        {7, "19 May 98", "5 Mar 01"},
        {8, "19 May 1998", "5 Mar 2001"},
        {9, "98/05/19", "01/03/05"},
        {10, "1998/05/19", "2001/03/05"},
        {11, "980519", "010305"},
        {12, "19980519", "20010305"},
        {13, "5/98", "3/01"},
        {14, "5/1998", "3/2001"},
        {15, "98/05", "01/03"},
        {16, "1998/05", "2001/03"},
        {19, "19 May 1998", "5 March 2001"},
        {20, "May 19 1998", "March 5 2001"},
    };
    for (const auto& c : cases) {
        const std::string text = "@d" + std::to_string(c.number);
        EXPECT_EQ(fmt(text, k19May1998), c.may19) << text;
        EXPECT_EQ(fmt(text, k5Mar2001), c.mar5) << text;
        // What a picture shows it reads back (pictures without a day give the first).
        const std::int32_t mar =
            c.number >= 13 && c.number <= 16 ? dateFromParts(3, 1, 2001) : k5Mar2001;
        EXPECT_EQ(read(text, c.mar5), mar) << text;
    }
}

TEST_F(PictureTest, FillCharactersRenderSuppressedZeros) {
    EXPECT_EQ(fmt("@d6", k5Mar2001), "5/03/2001");
    EXPECT_EQ(fmt("@d06", k5Mar2001), "05/03/2001");
    EXPECT_EQ(fmt("@d*6", k5Mar2001), "*5/03/2001");
    EXPECT_EQ(fmt("@d_6", k5Mar2001), " 5/03/2001");
    EXPECT_EQ(fmt("@t3", timeFromParts(9, 5)), "9:05AM");
    EXPECT_EQ(fmt("@t03", timeFromParts(9, 5)), "09:05AM");
    EXPECT_EQ(fmt("@t_6", timeFromParts(21, 5, 7)), " 9:05:07PM");
}

TEST_F(PictureTest, SeparatorsReplaceLiteralsButNotCommas) {
    EXPECT_EQ(fmt("@d6.", k19May1998), "19.05.1998");
    EXPECT_EQ(fmt("@d5.", k1Jan1998), "1.01.98");
    EXPECT_EQ(fmt("@d10-", k19May1998), "1998-05-19");
    EXPECT_EQ(fmt("@d6_", k19May1998), "19 05 1998");
    EXPECT_EQ(fmt("@d6`", k19May1998), "19,05,1998");
    EXPECT_EQ(fmt("@d3.", k19May1998), "May.19,.1998");
    EXPECT_EQ(fmt("@t4.", timeFromParts(13, 45, 10)), "13.45.10");
    EXPECT_EQ(fmt("@D06.", k1Jan1998), "01.01.1998");
}

TEST_F(PictureTest, EveryFixedTimePicture) {
    const std::int32_t t = timeFromParts(13, 45, 10, 25);
    EXPECT_EQ(fmt("@t1", t), "13:45");
    EXPECT_EQ(fmt("@t2", t), "1345");
    EXPECT_EQ(fmt("@t3", t), "1:45PM");
    EXPECT_EQ(fmt("@t4", t), "13:45:10");
    EXPECT_EQ(fmt("@t5", t), "134510");
    EXPECT_EQ(fmt("@t6", t), "1:45:10PM");
    EXPECT_EQ(fmt("@t3", timeFromParts(0, 30)), "12:30AM");
    EXPECT_EQ(fmt("@t3", timeFromParts(12, 0, 0, 1)), "12:00PM");
    EXPECT_EQ(fmt("@t1", 1), "00:00");
}

TEST_F(PictureTest, NoDateAndOutOfRangeNumbersShowNothing) {
    for (std::int32_t n : {0, -1, 3, 109212, INT32_MIN, INT32_MAX})
        EXPECT_EQ(fmt("@d6.", n), "");
    for (std::int32_t n : {0, -1, kLastTime + 1})
        EXPECT_EQ(fmt("@t4", n), "");
}

TEST_F(PictureTest, RegionalPicturesHaveTheirDefaults) {
    const std::int32_t t = timeFromParts(13, 45, 10);
    EXPECT_EQ(fmt("@d17", k19May1998), "05/19/98");
    EXPECT_EQ(fmt("@d18", k19May1998), "Tue, May 19, 1998");
    EXPECT_EQ(fmt("@t7", t), "1:45 PM");
    EXPECT_EQ(fmt("@t8", t), "1:45:10 PM");
    EXPECT_EQ(read("@d18", "Tue, May 19, 1998"), k19May1998);
    EXPECT_EQ(read("@t8", "1:45:10 PM"), t);
}

TEST_F(PictureTest, RegionalPicturesFollowTheIntlSection) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zevlon_picture_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const ProfileFile profile((dir / "system.ini").string());
    ASSERT_TRUE(profile.writeString("intl", "sShortDate", "d.M.yyyy"));
    ASSERT_TRUE(profile.writeString("intl", "sLongDate", "dddd d'. 'MMMM yyyy"));
    ASSERT_TRUE(profile.writeString("intl", "iTime", "1"));
    ASSERT_TRUE(profile.writeString("intl", "iTLzero", "1"));
    ASSERT_TRUE(profile.writeString("intl", "sTime", "."));
    const Regional czech = regionalFrom(profile);
    std::filesystem::remove_all(dir);

    EXPECT_EQ(format(pic("@d17", czech), k5Mar2001), "5.3.2001");
    EXPECT_EQ(format(pic("@d18", czech), k5Mar2001), "Monday 5. March 2001");
    EXPECT_EQ(format(pic("@t7", czech), timeFromParts(9, 5)), "09.05");
    EXPECT_EQ(format(pic("@t8", czech), timeFromParts(21, 5, 7)), "21.05.07");
    EXPECT_EQ(parse(pic("@d17", czech), "5.3.2001"), k5Mar2001);
}

// The only test that reads the system profile: the settings are read once per process.
TEST_F(PictureTest, RegionalPicturesComeFromTheSystemProfile) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zevlon_system_" + std::to_string(::getpid()) + ".ini");
    ASSERT_TRUE(ProfileFile(path.string()).writeString("intl", "sShortDate", "dd.MM.yyyy"));
    ::setenv("ZEVLON_SYSTEM_PROFILE", path.c_str(), 1);
    const auto p = compile("@d17");
    std::filesystem::remove(path);
    ASSERT_TRUE(p);
    EXPECT_EQ(format(*p, k5Mar2001), "05.03.2001");
    EXPECT_EQ(parse(*p, "5.3.2001"), k5Mar2001);
}

TEST_F(PictureTest, WindowsTranslationKeepsQuotedTextAndDropsTheEra) {
    Regional r = defaults();
    r.shortDate = windowsDateTemplate("yyyy'-'MM'-'dd gg");
    r.longDate = windowsDateTemplate("'Day ''' d");
    EXPECT_EQ(format(pic("@d17", r), k19May1998), "1998-05-19 ");
    EXPECT_EQ(format(pic("@d18", r), k5Mar2001), "Day ' 5");
}

TEST_F(PictureTest, CzechEntriesOfDayMonthYearFields) {
    for (const char* picture : {"@d5.", "@d6.", "@D6", "@d06."}) {
        EXPECT_EQ(read(picture, "1.1.98"), k1Jan1998) << picture;
        EXPECT_EQ(read(picture, "01.01.1998"), k1Jan1998) << picture;
        EXPECT_EQ(read(picture, "1. 1. 1998"), k1Jan1998) << picture;
        EXPECT_EQ(read(picture, " 19.5.1998 "), k19May1998) << picture;
        EXPECT_EQ(read(picture, "19/05/98"), k19May1998) << picture;
        EXPECT_EQ(read(picture, "19-5-98"), k19May1998) << picture;
        EXPECT_EQ(read(picture, "010198"), k1Jan1998) << picture;
        EXPECT_EQ(read(picture, "01011998"), k1Jan1998) << picture;
        EXPECT_EQ(read(picture, "19. May 1998"), k19May1998) << picture;
        EXPECT_EQ(read(picture, "19 may 98"), k19May1998) << picture;
    }
}

TEST_F(PictureTest, EntriesThatAreNoDateGiveNoDate) {
    for (const char* text :
         {"31.4.1998", "29.2.1900", "29.2.2099",     "1.1.1800", "1.1.2100",
          "0.1.98",    "1.13.98",   "1.1",           "1",        "1.1.98.5",
          "1.1.998",   "1.1.0098",  "abc",           "1.1.98x",  "1x.1.98",
          "123.1.98",  "1.001.98",  "0101",          "1010198",  "99999999999999999999.1.1",
          "Mayo 1 98", "1.Ma.98",   "\xE8\xE8.1.98", "+1.1.98x"}) {
        EXPECT_EQ(read("@d6.", text), std::nullopt) << text;
        EXPECT_EQ(deformat(pic("@d6."), text), 0) << text;
    }
    EXPECT_EQ(read("@d6.", ""), 0);
    EXPECT_EQ(read("@d6.", "   "), 0);
    EXPECT_EQ(read("@d6.", "29.2.2000"), dateFromParts(2, 29, 2000));
}

TEST_F(PictureTest, EntriesFollowThePictureOrderAndWindow) {
    EXPECT_EQ(read("@d2", "5/19/98"), k19May1998);
    EXPECT_EQ(read("@d2", "19/5/98"), std::nullopt);
    EXPECT_EQ(read("@d10", "1998-05-19"), k19May1998);
    EXPECT_EQ(read("@d12", "19980519"), k19May1998);
    EXPECT_EQ(read("@d11", "980519"), k19May1998);
    EXPECT_EQ(read("@d4", "September 3, 1998"), dateFromParts(9, 3, 1998));
    EXPECT_EQ(read("@d4", "sept 3, 1998"), dateFromParts(9, 3, 1998));
    // "<n" and ">n" move where two-digit years land.
    EXPECT_EQ(read("@d6.", "1.1.17"), dateFromParts(1, 1, 2017));
    EXPECT_EQ(read("@d6.", "1.1.18"), dateFromParts(1, 1, 1918));
    EXPECT_EQ(read("@d6.<50", "1.1.47"), dateFromParts(1, 1, 2047));
    EXPECT_EQ(read("@d6.<50", "1.1.48"), dateFromParts(1, 1, 1948));
    EXPECT_EQ(read("@d6.>10", "1.1.08"), dateFromParts(1, 1, 2008));
    EXPECT_EQ(read("@d6.>10", "1.1.09"), dateFromParts(1, 1, 1909));
}

TEST_F(PictureTest, TimeEntries) {
    EXPECT_EQ(read("@t1", "13:45"), timeFromParts(13, 45));
    EXPECT_EQ(read("@t1", "13.45"), timeFromParts(13, 45));
    EXPECT_EQ(read("@t1", "1345"), timeFromParts(13, 45));
    EXPECT_EQ(read("@t1", "945"), timeFromParts(9, 45));
    EXPECT_EQ(read("@t4", "13:45:10.25"), timeFromParts(13, 45, 10, 25));
    EXPECT_EQ(read("@t4", "13:45:10.5"), timeFromParts(13, 45, 10, 50));
    EXPECT_EQ(read("@t5", "134510"), timeFromParts(13, 45, 10));
    EXPECT_EQ(read("@t3", "1:45PM"), timeFromParts(13, 45));
    EXPECT_EQ(read("@t3", "12:05 am"), timeFromParts(0, 5));
    EXPECT_EQ(read("@t3", "12:05 PM"), timeFromParts(12, 5));
    for (const char* text : {"24:00", "13:60", "13:45:60", "13PM", "0:10 AM", "1:2:3:4:5", "123:4",
                             "1345678901", "13:45 XM", "AM PM 1", "1:2 AM PM"})
        EXPECT_EQ(read("@t4", text), std::nullopt) << text;
    EXPECT_EQ(read("@t1", ""), 0);
}

TEST_F(PictureTest, InvalidPicturesAreRefusedWithAReason) {
    for (const char* text : {"", "@", "d6", "@x6", "@d", "@d0", "@d21", "@d00", "@d6x", "@d6..",
                             "@t9", "@t0", "@t1<5", "@d99999999999", "@d6.<5x", "@s20", "@n5"}) {
        std::string why;
        EXPECT_FALSE(compile(text, defaults(), &why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
    EXPECT_TRUE(compile("@D20", defaults()));
    EXPECT_TRUE(compile("@T8", defaults()));
    EXPECT_TRUE(compile("@d6.<", defaults()));
}

TEST_F(PictureTest, WindowsOfPictures) {
    EXPECT_EQ(pic("@d6").window(), 80);
    EXPECT_EQ(pic("@d6<30").window(), 30);
    EXPECT_EQ(pic("@d6<").window(), 80);
    EXPECT_EQ(pic("@d6<100").window(), 80);
    EXPECT_EQ(pic("@d6>30").window(), 69);
    EXPECT_EQ(pic("@d6>").window(), 19);
    EXPECT_EQ(pic("@d6>100").window(), 19);
}

TEST_F(PictureTest, RandomTextNeverBreaksAnything) {
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789./-: ,MayJnPAM\xE8\x9A";
    const Picture pictures[] = {pic("@d6."), pic("@d12"), pic("@d4"), pic("@t4"), pic("@t2")};
    for (int i = 0; i < 20000; ++i) {
        std::string text(rng() % 24, ' ');
        for (char& c : text)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        for (const Picture& p : pictures) {
            const auto v = parse(p, text);
            if (!v || *v == 0) continue;
            // Whatever is accepted is a valid number whose text reads back to the same text.
            if (p.kind() == PictureKind::Date) {
                ASSERT_TRUE(isValidDate(*v)) << text;
            } else {
                ASSERT_TRUE(isValidTime(*v)) << text;
            }
            const auto again = parse(p, format(p, *v));
            ASSERT_TRUE(again) << text;
            ASSERT_EQ(format(p, *again), format(p, *v)) << text;
        }
        std::string why;
        (void)compile(text, defaults(), &why);
    }
}

} // namespace
} // namespace zv::dates
