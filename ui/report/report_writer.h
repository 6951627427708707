// Prints the bands of a report into stored pages.
//
// Flow rules:
//  1. A page is opened by the first band that needs it (or by finish() when nothing
//     was printed, so an empty report is one page with header and footer). Opening a
//     page prints the page header at the top of the area.
//  2. Details print between the header and the space the footer keeps at the bottom
//     of the area. Down: each detail under the previous one. AcrossThenDown: each
//     detail fills one cell of cellWidth x cellHeight, left to right while the cell
//     fits in the area's width, then at the left of the next row.
//  3. A detail that does not fit below the last one closes the page (printing its
//     footer) and goes to the top of the next. A detail taller than an empty page
//     is printed there all the same (cut at the paper), so nothing loops.
//  4. finish() closes the last page. Bands printed after finish() open a new page.
//
// Values of fields are read when their band prints, as the report procedure has
// them at that moment. Not thread-safe.
#pragma once

#include "ui/report/font_faces.h"
#include "ui/report/page.h"
#include "ui/report/report.h"

namespace zv::ui {

class ReportWriter {
public:
    ReportWriter(Report report, FontFaces& faces);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Prints the report's detail band, or another detail band (its height is used
    // in the Down flow; in the AcrossThenDown flow every detail takes one cell).
    void printDetail();
    void printDetail(const Band& band);

    // Leaves the place of one detail empty (blank labels before the first one).
    void skipDetail();

    // Ends the current page without printing anything more on it.
    void newPage();

    // Closes the last page; a report that printed nothing gets one page.
    void finish();

    const PageSet& pages() const { return pages_; }
    // Hands the pages over; the writer starts afresh.
    PageSet takePages();

private:
    Length headerHeight() const;
    Length footerHeight() const;
    Length bodyTop() const;
    Length bodyBottom() const;
    Length cellWidth() const;
    Length cellHeight() const;
    void openPage();
    void closePage();
    // Finds the origin for a detail of the given height, opening pages as needed,
    // and moves past it.
    PagePoint place(Length height);
    void paintBand(const Band& band, PagePoint origin);

    Report report_;
    FontFaces& faces_;
    PageSet pages_;
    bool pageOpen_ = false;
    bool pageHasDetail_ = false; // a detail was placed on the open page
    Length cursorX_;             // next cell's left edge (AcrossThenDown)
    Length cursorY_;             // top of the next detail or row
};

} // namespace zv::ui
