#include "ui/window/window_state.h"

#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace zv::ui {
namespace {

class WindowStateTest : public ::testing::Test {
protected:
    WindowStateTest() : ini_((dir_.path() + "/ZEVLON.INI").toStdString()) {}
    QTemporaryDir dir_;
    ProfileFile ini_;
};

TEST_F(WindowStateTest, PlaceAndSizeRoundTrip) {
    QWidget w;
    w.setGeometry(120, 80, 500, 400);
    ASSERT_TRUE(saveWindowState(w, ini_, "ReportPreview"));
    EXPECT_EQ(ini_.getString("ReportPreview", "Maximize"), "No");
    EXPECT_EQ(ini_.getInt("ReportPreview", "Width", 0), 500);
    EXPECT_EQ(ini_.getInt("ReportPreview", "Height", 0), 400);

    QWidget again;
    again.resize(200, 100);
    restoreWindowState(again, ini_, "ReportPreview");
    EXPECT_EQ(again.size(), QSize(500, 400));
    EXPECT_EQ(again.pos(), QPoint(ini_.getInt("ReportPreview", "XPosit", 0),
                                  ini_.getInt("ReportPreview", "YPosit", 0)));
    EXPECT_FALSE(again.windowState() & Qt::WindowMaximized);
}

TEST_F(WindowStateTest, ClosedMaximizedOpensMaximizedAtItsNormalPlace) {
    QWidget w;
    w.setGeometry(100, 90, 300, 200);
    w.show();
    w.showMaximized();
    ASSERT_TRUE(saveWindowState(w, ini_, "Adresar_S"));
    EXPECT_EQ(ini_.getString("Adresar_S", "Maximize"), "Yes");
    EXPECT_EQ(ini_.getInt("Adresar_S", "Width", 0), w.normalGeometry().width());

    QWidget again;
    restoreWindowState(again, ini_, "Adresar_S");
    EXPECT_TRUE(again.windowState() & Qt::WindowMaximized);
}

TEST_F(WindowStateTest, NothingSavedLeavesTheDesignedPlace) {
    QWidget w;
    w.resize(321, 123);
    restoreWindowState(w, ini_, "Nothing");
    EXPECT_EQ(w.size(), QSize(321, 123));
}

TEST_F(WindowStateTest, ZeroOrDamagedValuesAreIgnored) {
    ASSERT_TRUE(ini_.writeString("S", "XPosit", "0"));
    ASSERT_TRUE(ini_.writeString("S", "YPosit", "50"));
    ASSERT_TRUE(ini_.writeString("S", "Width", "-40"));
    ASSERT_TRUE(ini_.writeString("S", "Height", "junk"));
    QWidget w;
    w.move(7, 9);
    w.resize(321, 123);
    restoreWindowState(w, ini_, "S");
    EXPECT_EQ(w.pos(), QPoint(7, 9));
    EXPECT_EQ(w.size(), QSize(321, 123));
}

TEST_F(WindowStateTest, FixedSizeWindowKeepsItsSize) {
    ASSERT_TRUE(ini_.writeString("S", "XPosit", "30"));
    ASSERT_TRUE(ini_.writeString("S", "YPosit", "40"));
    ASSERT_TRUE(ini_.writeString("S", "Width", "900"));
    ASSERT_TRUE(ini_.writeString("S", "Height", "900"));
    QWidget w;
    w.resize(321, 123);
    restoreWindowState(w, ini_, "S", /*resizable=*/false);
    EXPECT_EQ(w.pos(), QPoint(30, 40));
    EXPECT_EQ(w.size(), QSize(321, 123));
}

} // namespace
} // namespace zv::ui
