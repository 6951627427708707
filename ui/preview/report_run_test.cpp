#include "ui/preview/report_run.h"

#include "ui/preview/report_preview.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace zv::ui {
namespace {

// A list of firms: one detail per row, four details a page.
class ReportRunTest : public ::testing::Test {
protected:
    ReportRunTest()
        : ini_((dir_.path() + "/ZEVLON.INI").toStdString()),
          faces_(ProfileFile((dir_.path() + "/system.ini").toStdString())) {
        report_.layout.area = {Length::mils(500), Length::mils(500), Length::mils(7000),
                               Length::mils(8000)};
        report_.detail = Band{Length::mils(2000), {}};
        report_.detail.addField({Length::mils(0), Length::mils(0), Length::mils(3000), {}}, {},
                                [this](const PrintState&) { return FieldValue(row_); });
    }

    ProgressWindow::NextRow rows(std::int64_t count, ReportWriter& w) {
        return [this, count, &w] {
            if (row_ >= count) return false;
            ++row_;
            w.printDetail();
            return true;
        };
    }

    // Runs act on the first visible top-level window of type T once there is one.
    template <typename T> static void whenShown(std::function<void(T*)> act) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                    timer->stop();
                    timer->deleteLater();
                    act(t);
                    return;
                }
        });
        timer->start();
    }

    // Answers the preview once it shows: print or leave.
    static void answerPreview(bool print) {
        whenShown<QMainWindow>([print](QMainWindow* w) {
            auto* p = static_cast<ReportPreview*>(w);
            print ? p->print() : p->exitWithoutPrinting();
        });
    }

    QTemporaryDir dir_;
    ProfileFile ini_;
    FontFaces faces_;
    Report report_;
    std::int64_t row_ = 0;
};

TEST_F(ReportRunTest, PrintInThePreviewPrintsEveryPage) {
    ReportWriter w(report_, faces_);
    int printedPages = 0;
    answerPreview(true);
    const auto r = runReport(w, 10, rows(10, w), ini_, nullptr, [&](const PageSet& pages) {
        printedPages = int(pages.size());
        return PrintOutcome{};
    });
    EXPECT_EQ(r.end, ReportRunResult::End::Printed);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(printedPages, 3);
    EXPECT_TRUE(w.pages().empty());
}

TEST_F(ReportRunTest, ExitFromThePreviewPrintsNothing) {
    ReportWriter w(report_, faces_);
    bool printed = false;
    answerPreview(false);
    const auto r = runReport(w, 5, rows(5, w), ini_, nullptr, [&](const PageSet&) {
        printed = true;
        return PrintOutcome{};
    });
    EXPECT_EQ(r.end, ReportRunResult::End::NotPrinted);
    EXPECT_FALSE(printed);
    EXPECT_TRUE(w.pages().empty());
}

TEST_F(ReportRunTest, CancelDuringGenerationShowsNoPreview) {
    ReportWriter w(report_, faces_);
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    bool printed = false;
    const auto r = runReport(
        w, 1000000, [&] { return w.printDetail(), true; }, ini_, nullptr,
        [&](const PageSet&) {
            printed = true;
            return PrintOutcome{};
        });
    EXPECT_EQ(r.end, ReportRunResult::End::Cancelled);
    EXPECT_EQ(r.pages, 0);
    EXPECT_FALSE(printed);
    EXPECT_TRUE(w.pages().empty());
}

TEST_F(ReportRunTest, PrintFailureIsShownWithItsReason) {
    ReportWriter w(report_, faces_);
    answerPreview(true);
    QString shown;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    const auto r = runReport(w, 1, rows(1, w), ini_, nullptr, [](const PageSet&) {
        return PrintOutcome{PrintOutcome::Code::CannotStart, "Cannot start printing on lp0."};
    });
    EXPECT_EQ(r.end, ReportRunResult::End::PrintFailed);
    EXPECT_EQ(shown, "Cannot start printing on lp0.");
}

} // namespace
} // namespace zv::ui
