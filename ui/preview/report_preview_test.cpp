#include "ui/preview/report_preview.h"

#include "ui/preview/preview_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace zv::ui {
namespace {

PageSet makePages(int n) {
    PageSet pages(n);
    for (Page& p : pages) {
        p.width = Length::mils(8268);
        p.height = Length::mils(11693);
        p.steps.push_back(
            BoxStep{{Length::mils(1000), Length::mils(1000), Length::mils(500), Length::mils(500)},
                    {},
                    0,
                    false,
                    0});
    }
    return pages;
}

// Runs `act` on the next modal dialog once it is open.
void onModalDialog(std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(d);
    });
}

class ReportPreviewTest : public ::testing::Test {
protected:
    ReportPreviewTest() : ini_((dir_.path() + "/ZEVLON.INI").toStdString()) {}
    QTemporaryDir dir_;
    ProfileFile ini_;
};

TEST_F(ReportPreviewTest, OnePageReportStaysOnPageOne) {
    const PageSet pages = makePages(1);
    ReportPreview p(pages, ini_);
    EXPECT_EQ(p.windowTitle(), "Report Preview");
    EXPECT_EQ(p.pageStatus(), "Page 1 of 1");
    p.nextPages();
    EXPECT_EQ(p.currentPage(), 1);
    p.previousPages();
    EXPECT_EQ(p.currentPage(), 1);
    p.setDisplay(2, 2);
    EXPECT_EQ(p.pageStatus(), "Page 1 of 1");
    p.nextPages();
    EXPECT_EQ(p.currentPage(), 1);
}

TEST_F(ReportPreviewTest, JumpOnlyToPagesOfTheReport) {
    const PageSet pages = makePages(10);
    ReportPreview p(pages, ini_);
    EXPECT_EQ(p.pageEntry()->toolTip(), "Enter a page number from 1 to 10");
    EXPECT_FALSE(p.jumpToPage(0));
    EXPECT_FALSE(p.jumpToPage(11));
    EXPECT_EQ(p.currentPage(), 1);
    EXPECT_TRUE(p.jumpToPage(10));
    EXPECT_EQ(p.currentPage(), 10);
    EXPECT_EQ(p.pageStatus(), "Page 10 of 10");

    // Typing into the toolbar's entry: the entry holds 1..10 only.
    EXPECT_EQ(p.pageEntry()->minimum(), 1);
    EXPECT_EQ(p.pageEntry()->maximum(), 10);
    p.pageEntry()->setValue(4);
    EXPECT_EQ(p.currentPage(), 4);

    // PREVIEW:JUMPTOPAGE
    onModalDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Jump to a Report Page");
        EXPECT_EQ(d->objectName(), "PREVIEW:JUMPTOPAGE");
        auto* spin = d->findChild<QSpinBox*>();
        EXPECT_EQ(spin->toolTip(), "Select a page of the report");
        EXPECT_EQ(spin->maximum(), 10);
        spin->setValue(12); // held at 10
        EXPECT_EQ(spin->value(), 10);
        spin->setValue(7);
        d->accept();
    });
    p.askJumpToPage();
    EXPECT_EQ(p.currentPage(), 7);
    onModalDialog([](QDialog* d) {
        d->findChild<QSpinBox*>()->setValue(2);
        d->reject();
    });
    p.askJumpToPage();
    EXPECT_EQ(p.currentPage(), 7);
}

TEST_F(ReportPreviewTest, AcrossTimesDownPaging) {
    const PageSet pages = makePages(10);
    ReportPreview p(pages, ini_);
    p.setDisplay(2, 2);
    EXPECT_EQ(p.pageStatus(), "Pages 1-4 of 10");
    p.nextPages();
    EXPECT_EQ(p.pageStatus(), "Pages 5-8 of 10");
    p.nextPages();
    EXPECT_EQ(p.pageStatus(), "Pages 9-10 of 10");
    p.nextPages(); // no page beyond 10
    EXPECT_EQ(p.currentPage(), 9);
    p.previousPages();
    EXPECT_EQ(p.currentPage(), 5);
    p.jumpToPage(3);
    p.previousPages(); // never before page 1
    EXPECT_EQ(p.currentPage(), 1);

    // The toolbar's spin entries and PREVIEW:SELECTDISPLAY set the same state.
    p.acrossEntry()->setValue(3);
    EXPECT_EQ(p.pagesAcross(), 3);
    EXPECT_EQ(p.pageStatus(), "Pages 1-6 of 10");
    onModalDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Change the Report Display");
        EXPECT_EQ(d->findChild<QGroupBox*>()->title(), "Pages Displayed");
        auto* dialog = static_cast<SelectDisplayDialog*>(d);
        dialog->acrossEntry()->setValue(1);
        dialog->downEntry()->setValue(3);
        d->accept();
    });
    p.askDisplay();
    EXPECT_EQ(p.pagesAcross(), 1);
    EXPECT_EQ(p.pagesDown(), 3);
    EXPECT_EQ(p.downEntry()->value(), 3);
    EXPECT_EQ(p.pageStatus(), "Pages 1-3 of 10");
    p.setDisplay(0, 100); // held within the limits
    EXPECT_EQ(p.pagesAcross(), 1);
    EXPECT_EQ(p.pagesDown(), ReportPreview::kMaxDown);
}

TEST_F(ReportPreviewTest, ZoomEntries) {
    const PageSet pages = makePages(5);
    ReportPreview p(pages, ini_);
    const QStringList list = {"No Zoom", "Page Width", "50%", "75%", "100%", "200%", "300%"};
    ASSERT_EQ(p.zoomList()->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(p.zoomList()->itemText(i), list[i]);
    EXPECT_EQ(p.zoomList()->toolTip(), "Zoom in on a page of the report");
    EXPECT_EQ(p.zoom(), 0);
    EXPECT_EQ(ReportPreview::zoomCaption(1), "Zoom (Page Width)");

    const double factors[] = {0.5, 0.75, 1.0, 2.0, 3.0};
    for (int i = 2; i < 7; ++i) {
        p.zoomList()->setCurrentIndex(i);
        EXPECT_EQ(p.zoom(), i);
        EXPECT_DOUBLE_EQ(ReportPreview::zoomFactor(i), factors[i - 2]);
        EXPECT_DOUBLE_EQ(p.zoomedPixelsPerInch(), p.logicalDpiX() * factors[i - 2]);
    }
    // Page width: the page's width fills the visible width.
    p.show();
    p.resize(900, 700);
    QApplication::processEvents();
    p.setZoom(1);
    const double shown = p.zoomedPixelsPerInch() * pages[0].width.inches();
    EXPECT_GT(shown, 700);
    EXPECT_LT(shown, 900);
    // Zoomed, one page is shown and next moves by one.
    p.setDisplay(2, 2);
    p.setZoom(4);
    EXPECT_EQ(p.pagesShown(), 1);
    p.nextPages();
    EXPECT_EQ(p.currentPage(), 2);
    EXPECT_EQ(p.pageStatus(), "Page 2 of 5");
    p.setZoom(0); // back to across x down
    EXPECT_EQ(p.pageStatus(), "Pages 2-5 of 5");
    // The "&Zoom" menu holds the same seven entries.
    QMenu* zoomMenu = nullptr;
    for (QAction* a : p.menuBar()->actions())
        if (a->text() == "&Zoom") zoomMenu = a->menu();
    ASSERT_NE(zoomMenu, nullptr);
    ASSERT_EQ(zoomMenu->actions().size(), 7);
    EXPECT_EQ(zoomMenu->actions()[1]->text(), "Page &Width");
    zoomMenu->actions()[5]->trigger();
    EXPECT_EQ(p.zoom(), 5);
    EXPECT_EQ(p.zoomList()->currentIndex(), 5);
}

TEST_F(ReportPreviewTest, MenusAndHints) {
    const PageSet pages = makePages(2);
    ReportPreview p(pages, ini_);
    QStringList menus, items, hints;
    for (QAction* m : p.menuBar()->actions()) {
        menus << m->text();
        for (QAction* a : m->menu()->actions())
            if (!a->isSeparator()) items << a->text(), hints << a->statusTip();
    }
    EXPECT_EQ(menus, QStringList({"&File", "&View", "&Zoom"}));
    EXPECT_EQ(items.mid(0, 6), QStringList({"&Print", "E&xit", "&Next Page(s)", "&Previous Page(s)",
                                            "&Jump to a page", "&Change Display"}));
    EXPECT_EQ(hints.mid(0, 6), QStringList({"Print the report", "Exit without printing the report",
                                            "View the next page or pages of the report", "",
                                            "Jump to a specific page of the report",
                                            "Change the number of pages displayed"}));
    EXPECT_EQ(p.acrossEntry()->toolTip(), "Select the number of thumbnails in a row");
    EXPECT_EQ(p.downEntry()->toolTip(), "Select the number of thumbnails in a column");
}

TEST_F(ReportPreviewTest, PrintAnswersCompletedAndKeepsThePlace) {
    const PageSet pages = makePages(3);
    ReportPreview p(pages, ini_);
    QTimer::singleShot(0, [&] { p.printAction()->trigger(); });
    EXPECT_EQ(p.run(), PreviewAnswer::Completed);
    EXPECT_FALSE(p.isVisible());
    EXPECT_TRUE(ini_.hasKey("ReportPreview", "XPosit"));
    EXPECT_EQ(ini_.getString("ReportPreview", "Maximize"), "No");
}

TEST_F(ReportPreviewTest, ExitAndCloseAnswerCancelled) {
    const PageSet pages = makePages(3);
    {
        ReportPreview p(pages, ini_);
        QTimer::singleShot(0, [&] { p.exitAction()->trigger(); });
        EXPECT_EQ(p.run(), PreviewAnswer::Cancelled);
    }
    {
        ReportPreview p(pages, ini_);
        QTimer::singleShot(0, [&] { p.close(); });
        EXPECT_EQ(p.run(), PreviewAnswer::Cancelled);
    }
}

TEST_F(ReportPreviewTest, WindowReopensWhereItWasClosed) {
    const PageSet pages = makePages(1);
    ASSERT_TRUE(ini_.writeString("ReportPreview", "XPosit", "40"));
    ASSERT_TRUE(ini_.writeString("ReportPreview", "YPosit", "50"));
    ASSERT_TRUE(ini_.writeString("ReportPreview", "Width", "640"));
    ASSERT_TRUE(ini_.writeString("ReportPreview", "Height", "480"));
    ASSERT_TRUE(ini_.writeString("ReportPreview", "Maximize", "Yes"));
    ReportPreview p(pages, ini_);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(p.isMaximized());
        EXPECT_EQ(p.normalGeometry().size(), QSize(640, 480));
        p.close();
    });
    EXPECT_EQ(p.run(), PreviewAnswer::Cancelled);
    EXPECT_EQ(ini_.getString("ReportPreview", "Maximize"), "Yes");
    EXPECT_EQ(ini_.getInt("ReportPreview", "Width", 0), 640);
}

} // namespace
} // namespace zv::ui
