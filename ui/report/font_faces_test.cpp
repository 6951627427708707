#include "ui/report/font_faces.h"

#include "platform/codepage.h"

#include <QFontDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zv::ui {
namespace {

class FontFacesTest : public ::testing::Test {
protected:
    FontFacesTest() : profile_((dir_.path() + "/system.ini").toStdString()) {}
    QTemporaryDir dir_;
    ProfileFile profile_;
};

TEST_F(FontFacesTest, SubstituteDropsTheCharacterSet) {
    ASSERT_TRUE(profile_.writeString("FontSubstitutes", "Corvid CE", "Arial,238"));
    ASSERT_TRUE(profile_.writeString("FontSubstitutes", "Odd", "  ,238"));
    FontFaces faces(profile_);
    EXPECT_EQ(faces.substituteFor("Corvid CE"), "Arial");
    EXPECT_EQ(faces.substituteFor("corvid ce"), "Arial");
    EXPECT_EQ(faces.substituteFor("Odd"), "Odd"); // an empty substitute keeps the name
    EXPECT_EQ(faces.substituteFor("Small Fonts"), "Small Fonts");
    EXPECT_EQ(faces.substituteFor(""), "");
    EXPECT_EQ(faces.substituteFor(cp1250::fromUtf8("Písmo")), "Písmo");
}

TEST_F(FontFacesTest, CorvidPrintsInAFaceWithEveryCzechLetter) {
    ASSERT_TRUE(profile_.writeString("FontSubstitutes", "Corvid CE", "Arial,238"));
    FontFaces faces(profile_);
    const std::string family = faces.familyFor("Corvid CE");
    EXPECT_FALSE(family.empty());
    EXPECT_TRUE(FontFaces::hasCzechLetters(family)) << family;
    EXPECT_TRUE(FontFaces::hasCzechLetters(faces.familyFor("Small Fonts")));
    EXPECT_TRUE(FontFaces::hasCzechLetters(faces.familyFor("")));
    // Without any substitute the name still ends in a face with the letters.
    FontFaces bare(ProfileFile((dir_.path() + "/none.ini").toStdString()));
    EXPECT_TRUE(FontFaces::hasCzechLetters(bare.familyFor("Corvid CE")));
}

TEST_F(FontFacesTest, FaceWithoutCzechLettersIsReplaced) {
    const QString symbols = QStringLiteral("Standard Symbols PS");
    if (!QFontDatabase::hasFamily(symbols)) GTEST_SKIP() << "no symbol face installed";
    ASSERT_FALSE(FontFaces::hasCzechLetters(symbols.toStdString()));
    ASSERT_TRUE(profile_.writeString("FontSubstitutes", "Znaky", symbols.toStdString()));
    FontFaces faces(profile_);
    const std::string family = faces.familyFor("Znaky");
    EXPECT_NE(family, symbols.toStdString());
    EXPECT_TRUE(FontFaces::hasCzechLetters(family)) << family;
}

} // namespace
} // namespace zv::ui
