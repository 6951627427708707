#include "ui/report/report_writer.h"

#include <algorithm>
#include <utility>

namespace zv::ui {

ReportWriter::ReportWriter(Report report, FontFaces& faces)
    : report_(std::move(report)), faces_(faces) {}

Length ReportWriter::headerHeight() const {
    return report_.pageHeader ? report_.pageHeader->height : Length{};
}

Length ReportWriter::footerHeight() const {
    return report_.pageFooter ? report_.pageFooter->height : Length{};
}

Length ReportWriter::bodyTop() const {
    return report_.layout.area.y + headerHeight();
}

Length ReportWriter::bodyBottom() const {
    return report_.layout.area.bottom() - footerHeight();
}

// Cells of no size would never fill a row or a page; the smallest cell is one
// thousandth of an inch.
Length ReportWriter::cellWidth() const {
    return std::max(report_.layout.cellWidth, Length::mils(1));
}

Length ReportWriter::cellHeight() const {
    return std::max(report_.layout.cellHeight, Length::mils(1));
}

void ReportWriter::openPage() {
    Page page;
    page.width = report_.layout.paperWidth;
    page.height = report_.layout.paperHeight;
    pages_.push_back(std::move(page));
    pageOpen_ = true;
    pageHasDetail_ = false;
    if (report_.pageHeader)
        paintBand(*report_.pageHeader, {report_.layout.area.x, report_.layout.area.y});
    cursorX_ = report_.layout.area.x;
    cursorY_ = bodyTop();
}

void ReportWriter::closePage() {
    if (!pageOpen_) return;
    if (report_.pageFooter) paintBand(*report_.pageFooter, {report_.layout.area.x, bodyBottom()});
    pageOpen_ = false;
}

PagePoint ReportWriter::place(Length height) {
    if (!pageOpen_) openPage();
    const PageRect& area = report_.layout.area;
    if (report_.layout.flow == DetailFlow::Down) {
        if (pageHasDetail_ && cursorY_ + height > bodyBottom()) {
            closePage();
            openPage();
        }
        const PagePoint at{area.x, cursorY_};
        cursorY_ += std::max(height, Length{});
        pageHasDetail_ = true;
        return at;
    }
    const Length cw = cellWidth();
    const Length ch = cellHeight();
    if (cursorX_ > area.x && cursorX_ + cw > area.right()) { // the row is full
        cursorX_ = area.x;
        cursorY_ += ch;
    }
    if (cursorY_ > bodyTop() && cursorY_ + ch > bodyBottom()) { // the page is full
        closePage();
        openPage();
    }
    const PagePoint at{cursorX_, cursorY_};
    cursorX_ += cw;
    pageHasDetail_ = true;
    return at;
}

void ReportWriter::printDetail() {
    printDetail(report_.detail);
}

void ReportWriter::printDetail(const Band& band) {
    paintBand(band, place(band.height));
}

void ReportWriter::skipDetail() {
    place(report_.detail.height);
}

void ReportWriter::newPage() {
    if (!pageOpen_) openPage();
    closePage();
}

void ReportWriter::finish() {
    if (pages_.empty() && !pageOpen_) openPage();
    closePage();
}

PageSet ReportWriter::takePages() {
    closePage();
    PageSet out = std::move(pages_);
    pages_.clear();
    pageOpen_ = false;
    return out;
}

void ReportWriter::paintBand(const Band& band, PagePoint origin) {
    auto& steps = pages_.back().steps;
    const PrintState state{static_cast<int>(pages_.size())};
    auto moved = [&](PageRect r) {
        r.x += origin.x;
        r.y += origin.y;
        return r;
    };
    for (const BandElement& element : band.elements) {
        if (const auto* f = std::get_if<TextField>(&element)) {
            TextStep t;
            t.box = moved(f->box);
            t.font = f->font;
            t.family = faces_.familyFor(f->font.face);
            t.align = f->align;
            if (f->value) {
                const FieldValue v = f->value(state);
                t.text = report_.formatter && !f->picture.empty() ? report_.formatter(v, f->picture)
                                                                  : plainText(v);
            } else {
                t.text = f->text;
            }
            steps.emplace_back(std::move(t));
        } else if (const auto* l = std::get_if<LineElement>(&element)) {
            steps.emplace_back(LineStep{{l->from.x + origin.x, l->from.y + origin.y},
                                        {l->to.x + origin.x, l->to.y + origin.y},
                                        l->thickness,
                                        l->color});
        } else if (const auto* b = std::get_if<BoxElement>(&element)) {
            steps.emplace_back(
                BoxStep{moved(b->rect), b->thickness, b->borderColor, b->borderless, b->fill});
        }
    }
}

} // namespace zv::ui
