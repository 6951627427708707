// The area of the report preview that paints pages: either across x down whole
// pages fitted into the visible area, or one page at a zoom factor (then the view
// takes the page's size and the surrounding scroll area scrolls it).
#pragma once

#include "ui/report/page.h"

#include <QWidget>

namespace zv::ui {

class PageView : public QWidget {
public:
    // REQUIRES: pages outlives the view.
    PageView(const PageSet& pages, QWidget* parent = nullptr);

    // Whole pages: `across` x `down` pages from `first` (0-based), fitted into a
    // viewport of the given size.
    void showFitted(int first, int across, int down, QSize viewport);
    // One page at pixelsPerInch (its size follows).
    void showZoomed(int page, double pixelsPerInch);

    // The pixels per inch at which the page is painted in the fitted display.
    double fittedPixelsPerInch() const { return fittedDpi_; }

    static constexpr int kGap = 12; // pixels around and between pages

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSizeF largestPage() const; // inches
    double gridDpi(QSize area) const;
    void paintSheet(QPainter& painter, int index, QPointF at, double dpi);

    const PageSet& pages_;
    bool zoomed_ = false;
    int first_ = 0;
    int across_ = 1;
    int down_ = 1;
    double zoomDpi_ = 96.0;
    double fittedDpi_ = 0.0; // computed by the last fitted layout
};

} // namespace zv::ui
