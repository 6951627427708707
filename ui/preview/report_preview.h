// REPORTPREVIEW: the window "Report Preview" every report shows its generated
// pages in before they are printed.
//
// The caller hands over its pages and waits in run(); the answer is Completed when
// the user chose to print (the caller then prints the pages) and Cancelled on Exit
// or when the window was closed (the caller discards them). The pages stay the
// caller's. The window keeps its place in section "ReportPreview" of ZEVLON.INI.
//
// State: the current page (the first shown, from 1), the pages shown across and
// down (1 x 1 at start) and the zoom (off at start). Next and previous move by the
// number of pages shown and stay within 1..count.
#pragma once

#include "platform/profile.h"
#include "ui/report/page.h"

#include <QMainWindow>

#include <array>

class QAction;
class QComboBox;
class QEventLoop;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace zv::ui {

class PageView;

enum class PreviewAnswer { Completed = 1, Cancelled = 2 };

class ReportPreview : public QMainWindow {
public:
    static constexpr int kMaxAcross = 8;
    static constexpr int kMaxDown = 6;
    static constexpr int kZoomEntries = 7;
    static constexpr const char* kSection = "ReportPreview";

    // REQUIRES: pages outlives the window.
    ReportPreview(const PageSet& pages, ProfileFile ini, QWidget* parent = nullptr);
    ~ReportPreview() override;

    // Restores the window's place, shows it and waits until Print, Exit or close.
    PreviewAnswer run();

    // The answer so far (Cancelled until the user chooses Print).
    PreviewAnswer answer() const { return answer_; }

    int pageCount() const { return int(pages_.size()); }
    int currentPage() const { return current_; }
    int pagesAcross() const { return across_; }
    int pagesDown() const { return down_; }
    int zoom() const { return zoom_; } // index into the zoom table, 0 = off
    // Pages shown at once: across x down, or 1 while zoomed.
    int pagesShown() const;
    // "Page 3 of 10", "Pages 3-6 of 10".
    QString pageStatus() const;
    // The zoom table: caption and factor (0 for "No Zoom", -1 for "Zoom (Page Width)").
    static QString zoomCaption(int index);
    static double zoomFactor(int index);
    // Pixels per inch the current page is shown at while zoomed.
    double zoomedPixelsPerInch() const;

    // What the menus, the toolbar and the dialogs do.
    void nextPages();
    void previousPages();
    bool jumpToPage(int page); // false (nothing changes) outside 1..count
    void setDisplay(int across, int down);
    void setZoom(int index);
    void askJumpToPage(); // PREVIEW:JUMPTOPAGE
    void askDisplay();    // PREVIEW:SELECTDISPLAY
    void print();
    void exitWithoutPrinting();

    QAction* printAction() const { return printAction_; }
    QAction* exitAction() const { return exitAction_; }
    QComboBox* zoomList() const { return zoomList_; }
    QSpinBox* pageEntry() const { return pageEntry_; }
    QSpinBox* acrossEntry() const { return acrossEntry_; }
    QSpinBox* downEntry() const { return downEntry_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void refresh(); // shows the state in the view, the entries and the status

    const PageSet& pages_;
    ProfileFile ini_;
    int current_ = 1;
    int across_ = 1;
    int down_ = 1;
    int zoom_ = 0;
    PreviewAnswer answer_ = PreviewAnswer::Cancelled;
    bool refreshing_ = false;    // entries are being set from the state
    QEventLoop* loop_ = nullptr; // run()'s loop while it waits
    QScrollArea* scroll_;
    PageView* view_;
    QAction* printAction_;
    QAction* exitAction_;
    std::array<QAction*, kZoomEntries> zoomActions_{};
    QComboBox* zoomList_;
    QSpinBox* pageEntry_;
    QSpinBox* acrossEntry_;
    QSpinBox* downEntry_;
    QLabel* status_;
};

// Shows the pages in the preview and answers whether they are to be printed.
PreviewAnswer previewReport(const PageSet& pages, const ProfileFile& ini,
                            QWidget* parent = nullptr);

} // namespace zv::ui
