#include "ui/preview/report_preview.h"

#include "ui/preview/page_view.h"
#include "ui/preview/preview_dialogs.h"
#include "ui/window/window_state.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>
#include <utility>

namespace zv::ui {
namespace {

struct ZoomEntry {
    const char* caption; // the zoom's name in the status
    const char* menu;    // the "&Zoom" menu item
    const char* list;    // the toolbar list entry
    double factor;       // 0: whole pages fitted; -1: the page's width fitted
};

constexpr ZoomEntry kZoom[ReportPreview::kZoomEntries] = {
    {"No Zoom", "No &Zoom", "No Zoom", 0.0},
    {"Zoom (Page Width)", "Page &Width", "Page Width", -1.0},
    {"Zoom (50%)", "&50 Percent", "50%", 0.5},
    {"Zoom (75%)", "&75 Percent", "75%", 0.75},
    {"Zoom (100%)", "&100 Percent", "100%", 1.0},
    {"Zoom (200%)", "&200 Percent", "200%", 2.0},
    {"Zoom (300%)", "&300 Percent", "300%", 3.0},
};

QAction* makeAction(QObject* parent, const QString& text, const QString& hint) {
    auto* a = new QAction(text, parent);
    a->setStatusTip(hint);
    a->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
    return a;
}

// A printer drawn for systems whose icon theme has none.
QIcon printerIcon() {
    QIcon themed = QIcon::fromTheme(QStringLiteral("document-print"));
    if (!themed.isNull()) return themed;
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 10)); // paper going in
    p.setBrush(QColor(120, 130, 145));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 3, 3); // the printer
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 20, 14, 9)); // paper coming out
    p.drawLine(QPointF(12, 24), QPointF(20, 24));
    return QIcon(pm);
}

} // namespace

ReportPreview::ReportPreview(const PageSet& pages, ProfileFile ini, QWidget* parent)
    : QMainWindow(parent), pages_(pages), ini_(std::move(ini)) {
    setWindowTitle(QStringLiteral("Report Preview"));
    setObjectName(QStringLiteral("REPORTPREVIEW"));
    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new PageView(pages_, scroll_);
    scroll_->setWidget(view_);
    scroll_->setWidgetResizable(true);
    setCentralWidget(scroll_);
    buildMenus();
    buildToolBar();
    status_ = new QLabel(this);
    statusBar()->addPermanentWidget(status_);
    resize(720, 860);
    refresh();
    scroll_->setFocus(); // paging keys reach the menus, not the page entry
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    printAction_ = makeAction(this, QStringLiteral("&Print"), QStringLiteral("Print the report"));
    printAction_->setShortcut(QKeySequence::Print);
    exitAction_ = makeAction(this, QStringLiteral("E&xit"),
                             QStringLiteral("Exit without printing the report"));
    file->addAction(printAction_);
    file->addSeparator();
    file->addAction(exitAction_);
    connect(printAction_, &QAction::triggered, this, &ReportPreview::print);
    connect(exitAction_, &QAction::triggered, this, &ReportPreview::exitWithoutPrinting);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* next = makeAction(this, QStringLiteral("&Next Page(s)"),
                               QStringLiteral("View the next page or pages of the report"));
    next->setShortcut(QKeySequence(Qt::Key_PageDown));
    QAction* previous = makeAction(this, QStringLiteral("&Previous Page(s)"), QString());
    previous->setShortcut(QKeySequence(Qt::Key_PageUp));
    QAction* jump = makeAction(this, QStringLiteral("&Jump to a page"),
                               QStringLiteral("Jump to a specific page of the report"));
    QAction* display = makeAction(this, QStringLiteral("&Change Display"),
                                  QStringLiteral("Change the number of pages displayed"));
    view->addAction(next);
    view->addAction(previous);
    view->addAction(jump);
    view->addAction(display);
    connect(next, &QAction::triggered, this, &ReportPreview::nextPages);
    connect(previous, &QAction::triggered, this, &ReportPreview::previousPages);
    connect(jump, &QAction::triggered, this, &ReportPreview::askJumpToPage);
    connect(display, &QAction::triggered, this, &ReportPreview::askDisplay);

    QMenu* zoom = menuBar()->addMenu(QStringLiteral("&Zoom"));
    auto* group = new QActionGroup(this);
    for (int i = 0; i < kZoomEntries; ++i) {
        QAction* a = makeAction(this, QString::fromLatin1(kZoom[i].menu), QString());
        a->setCheckable(true);
        group->addAction(a);
        zoom->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { setZoom(i); });
        zoomActions_[i] = a;
    }
}

void ReportPreview::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Report Preview"));
    bar->setObjectName(QStringLiteral("previewToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* print = makeAction(this, QStringLiteral("Print"), QStringLiteral("Print this report"));
    print->setIcon(printerIcon());
    QAction* exit = makeAction(this, QStringLiteral("Exit"),
                               QStringLiteral("Exit without printing the report"));
    exit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(print, &QAction::triggered, this, &ReportPreview::print);
    connect(exit, &QAction::triggered, this, &ReportPreview::exitWithoutPrinting);
    bar->addAction(print);
    bar->addAction(exit);
    bar->addSeparator();

    zoomList_ = new QComboBox(bar);
    for (const ZoomEntry& z : kZoom)
        zoomList_->addItem(QString::fromLatin1(z.list));
    zoomList_->setToolTip(QStringLiteral("Zoom in on a page of the report"));
    zoomList_->setStatusTip(zoomList_->toolTip());
    bar->addWidget(zoomList_);
    connect(zoomList_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!refreshing_) setZoom(i);
    });

    auto spin = [&](const QString& caption, int max, const QString& hint) {
        auto* label = new QLabel(caption, bar);
        auto* box = new QSpinBox(bar);
        box->setRange(1, max);
        box->setKeyboardTracking(false);
        box->setToolTip(hint);
        box->setStatusTip(hint);
        label->setBuddy(box);
        label->setContentsMargins(8, 0, 2, 0);
        bar->addWidget(label);
        bar->addWidget(box);
        return box;
    };
    pageEntry_ = spin(QStringLiteral("&Page:"), std::max(1, pageCount()), QString());
    acrossEntry_ = spin(QStringLiteral("&Across:"), kMaxAcross,
                        QStringLiteral("Select the number of thumbnails in a row"));
    downEntry_ = spin(QStringLiteral("&Down:"), kMaxDown,
                      QStringLiteral("Select the number of thumbnails in a column"));
    connect(pageEntry_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_ && !jumpToPage(v)) refresh();
    });
    connect(acrossEntry_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) setDisplay(v, down_);
    });
    connect(downEntry_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) setDisplay(across_, v);
    });
}

int ReportPreview::pagesShown() const {
    return zoom_ != 0 ? 1 : across_ * down_;
}

QString ReportPreview::pageStatus() const {
    const int count = pageCount();
    const int last = std::min(count, current_ + pagesShown() - 1);
    if (count == 0) return QStringLiteral("Page 0 of 0");
    if (last <= current_)
        return QStringLiteral("Page ") + QString::number(current_) + QStringLiteral(" of ") +
               QString::number(count);
    return QStringLiteral("Pages ") + QString::number(current_) + QStringLiteral("-") +
           QString::number(last) + QStringLiteral(" of ") + QString::number(count);
}

QString ReportPreview::zoomCaption(int index) {
    return index >= 0 && index < kZoomEntries ? QString::fromLatin1(kZoom[index].caption)
                                              : QString();
}

double ReportPreview::zoomFactor(int index) {
    return index >= 0 && index < kZoomEntries ? kZoom[index].factor : 0.0;
}

double ReportPreview::zoomedPixelsPerInch() const {
    const double factor = zoomFactor(zoom_);
    if (factor > 0) return logicalDpiX() * factor;
    if (pages_.empty()) return logicalDpiX();
    // The page's width fitted into the visible width, a vertical scroll bar allowed for.
    const Page& page = pages_[current_ - 1];
    const int width = scroll_->maximumViewportSize().width() -
                      scroll_->verticalScrollBar()->sizeHint().width() - 2 * PageView::kGap;
    return std::max(1.0, width / std::max(0.01, page.width.inches()));
}

void ReportPreview::nextPages() {
    const int step = pagesShown();
    if (current_ + step <= pageCount()) {
        current_ += step;
        refresh();
    }
}

void ReportPreview::previousPages() {
    const int target = std::max(1, current_ - pagesShown());
    if (target != current_) {
        current_ = target;
        refresh();
    }
}

bool ReportPreview::jumpToPage(int page) {
    if (page < 1 || page > pageCount()) return false;
    current_ = page;
    refresh();
    return true;
}

void ReportPreview::setDisplay(int across, int down) {
    across_ = std::clamp(across, 1, kMaxAcross);
    down_ = std::clamp(down, 1, kMaxDown);
    zoom_ = 0; // several pages are shown whole
    refresh();
}

void ReportPreview::setZoom(int index) {
    if (index < 0 || index >= kZoomEntries) return;
    zoom_ = index;
    refresh();
}

void ReportPreview::askJumpToPage() {
    if (pageCount() == 0) return;
    JumpToPageDialog dialog(pageCount(), current_, this);
    if (dialog.exec() == QDialog::Accepted) (void)jumpToPage(dialog.page());
}

void ReportPreview::askDisplay() {
    SelectDisplayDialog dialog(across_, down_, kMaxAcross, kMaxDown, this);
    if (dialog.exec() == QDialog::Accepted) setDisplay(dialog.across(), dialog.down());
}

void ReportPreview::print() {
    answer_ = PreviewAnswer::Completed;
    close();
}

void ReportPreview::exitWithoutPrinting() {
    answer_ = PreviewAnswer::Cancelled;
    close();
}

void ReportPreview::refresh() {
    refreshing_ = true;
    const int count = pageCount();
    current_ = count == 0 ? 1 : std::clamp(current_, 1, count);
    pageEntry_->setRange(1, std::max(1, count));
    pageEntry_->setValue(current_);
    const QString hint = QStringLiteral("Enter a page number from 1 to ") + QString::number(count);
    pageEntry_->setToolTip(hint);
    pageEntry_->setStatusTip(hint);
    acrossEntry_->setValue(across_);
    downEntry_->setValue(down_);
    zoomList_->setCurrentIndex(zoom_);
    zoomActions_[zoom_]->setChecked(true);
    status_->setText(pageStatus() + QStringLiteral("   ") + zoomCaption(zoom_));
    if (count > 0) {
        if (zoom_ == 0) {
            scroll_->setWidgetResizable(true);
            view_->showFitted(current_ - 1, across_, down_, scroll_->maximumViewportSize());
        } else {
            scroll_->setWidgetResizable(false);
            view_->showZoomed(current_ - 1, zoomedPixelsPerInch());
        }
    }
    refreshing_ = false;
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (zoom_ == 1) refresh(); // the page width follows the window
}

void ReportPreview::closeEvent(QCloseEvent* event) {
    (void)saveWindowState(*this, ini_, kSection); // a lost position is no reason to stay open
    event->accept();
    if (loop_) loop_->quit();
}

PreviewAnswer ReportPreview::run() {
    restoreWindowState(*this, ini_, kSection);
    show();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    return answer_;
}

PreviewAnswer previewReport(const PageSet& pages, const ProfileFile& ini, QWidget* parent) {
    ReportPreview preview(pages, ini, parent);
    return preview.run();
}

} // namespace zv::ui
