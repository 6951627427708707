#include "ui/preview/page_view.h"

#include "ui/report/page_painter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zv::ui {
namespace {

double inchesOf(Length l) {
    return std::max(0.01, l.inches());
}

} // namespace

QSizeF PageView::largestPage() const {
    double maxW = 0.01, maxH = 0.01;
    for (const Page& p : pages_) {
        maxW = std::max(maxW, inchesOf(p.width));
        maxH = std::max(maxH, inchesOf(p.height));
    }
    return {maxW, maxH};
}

// Every cell of the grid has room for the largest page; pages are scaled alike so
// that they keep their relative sizes.
double PageView::gridDpi(QSize area) const {
    const QSizeF page = largestPage();
    const double cellW = (area.width() - kGap * (across_ + 1)) / double(across_);
    const double cellH = (area.height() - kGap * (down_ + 1)) / double(down_);
    return std::max(0.5, std::min(cellW / page.width(), cellH / page.height()));
}

PageView::PageView(const PageSet& pages, QWidget* parent) : QWidget(parent), pages_(pages) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(pal);
}

void PageView::showFitted(int first, int across, int down, QSize viewport) {
    zoomed_ = false;
    first_ = first;
    across_ = std::max(1, across);
    down_ = std::max(1, down);
    resize(viewport);
    fittedDpi_ = gridDpi(viewport);
    update();
}

void PageView::showZoomed(int page, double pixelsPerInch) {
    zoomed_ = true;
    first_ = page;
    zoomDpi_ = pixelsPerInch;
    if (page >= 0 && page < int(pages_.size())) {
        const Page& p = pages_[page];
        resize(int(std::ceil(inchesOf(p.width) * pixelsPerInch)) + 2 * kGap,
               int(std::ceil(inchesOf(p.height) * pixelsPerInch)) + 2 * kGap);
    }
    update();
}

void PageView::paintSheet(QPainter& painter, int index, QPointF at, double dpi) {
    const Page& page = pages_[index];
    const QRectF sheet(at, QSizeF(inchesOf(page.width) * dpi, inchesOf(page.height) * dpi));
    painter.fillRect(sheet.translated(3, 3), QColor(64, 64, 64)); // shadow
    painter.fillRect(sheet, Qt::white);
    painter.save();
    painter.setClipRect(sheet);
    painter.translate(at);
    paintPage(painter, page, dpi, dpi);
    painter.restore();
    painter.setPen(QColor(32, 32, 32));
    painter.drawRect(sheet);
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (pages_.empty()) return;
    if (zoomed_) {
        if (first_ >= 0 && first_ < int(pages_.size()))
            paintSheet(painter, first_, QPointF(kGap, kGap), zoomDpi_);
        return;
    }
    const QSizeF cell = largestPage();
    const double maxW = cell.width(), maxH = cell.height();
    const double dpi = gridDpi(size());
    fittedDpi_ = dpi;
    const double usedW = across_ * maxW * dpi + kGap * (across_ + 1);
    const double left = std::max(0.0, (width() - usedW) / 2.0);
    for (int row = 0; row < down_; ++row) {
        for (int col = 0; col < across_; ++col) {
            const int index = first_ + row * across_ + col;
            if (index < 0 || index >= int(pages_.size())) return;
            const Page& p = pages_[index];
            const double x =
                left + kGap + col * (maxW * dpi + kGap) + (maxW - inchesOf(p.width)) * dpi / 2.0;
            const double y = kGap + row * (maxH * dpi + kGap);
            paintSheet(painter, index, QPointF(x, y), dpi);
        }
    }
}

} // namespace zv::ui
