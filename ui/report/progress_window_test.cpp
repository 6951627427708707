#include "ui/report/progress_window.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace zv::ui {
namespace {

TEST(ProgressWindowTest, ShowsItsTextsAtStart) {
    ProgressWindow w(100, [] { return true; });
    EXPECT_EQ(w.windowTitle(), "Progress...");
    QStringList labels;
    for (QLabel* l : w.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains("0% Completed"));
    EXPECT_TRUE(labels.contains("Generating Report"));
    ASSERT_EQ(w.findChildren<QPushButton*>().size(), 1);
    EXPECT_EQ(w.findChildren<QPushButton*>().front()->text(), "Cancel");
}

TEST(ProgressWindowTest, FeedsTwentyFiveRowsATick) {
    int rows = 0;
    ProgressWindow w(60, [&] { return rows < 60 ? (++rows, true) : false; });
    w.tick();
    EXPECT_EQ(rows, 25);
    EXPECT_EQ(w.percentText(), "41% Completed");
    w.tick();
    EXPECT_EQ(rows, 50);
    w.tick(); // ten rows, then the end
    EXPECT_EQ(rows, 60);
    EXPECT_EQ(w.rowsDone(), 60);
    EXPECT_EQ(w.percentText(), "100% Completed");
    EXPECT_EQ(w.run(), ProgressWindow::Outcome::Finished);
}

TEST(ProgressWindowTest, RunFeedsEveryRowThenEnds) {
    int rows = 0;
    ProgressWindow w(1000, [&] { return rows < 1000 ? (++rows, true) : false; });
    EXPECT_EQ(w.run(), ProgressWindow::Outcome::Finished);
    EXPECT_EQ(rows, 1000);
    EXPECT_FALSE(w.isVisible());
}

TEST(ProgressWindowTest, CancelStopsFeeding) {
    int rows = 0;
    ProgressWindow* wp = nullptr;
    ProgressWindow w(1000000, [&] {
        if (++rows == 60)
            QTimer::singleShot(0, wp->findChildren<QPushButton*>().front(), &QPushButton::click);
        return true;
    });
    wp = &w;
    EXPECT_EQ(w.run(), ProgressWindow::Outcome::Cancelled);
    EXPECT_LT(rows, 1000000);
    const int atCancel = rows;
    w.tick();
    EXPECT_EQ(rows, atCancel);
}

TEST(ProgressWindowTest, NoRowsEndsAtOnce) {
    ProgressWindow w(0, [] { return false; });
    EXPECT_EQ(w.run(), ProgressWindow::Outcome::Finished);
    EXPECT_EQ(w.rowsDone(), 0);
}

} // namespace
} // namespace zv::ui
