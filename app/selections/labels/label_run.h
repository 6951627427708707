// Address labels for the working selection (LABEL_R without its windows): the
// layout of a label sheet as a report, and the run that prints the rows of the
// selection into it: the blank labels first, then every firm in name order as
// many times as copies asks, side by side. Used by the label window and by
// zevlon-tool; paints through the report library (Qt Gui, no widgets).
#pragma once

#include "app/selections/selection/label_layout.h"
#include "app/shell/access/record_file.h"
#include "ui/report/report.h"
#include "ui/report/report_writer.h"

#include <optional>
#include <string>

namespace zv::selections {

struct LabelOptions {
    int copies = 1;       // 1..255
    int skip = 0;         // blank labels before the first, 0..255
    double spacing = 1.0; // line spacing, 1.0..3.0
};

// The report of the layout in the Label buffer: the sheet, one label as the detail
// cell with its five lines read from Vybery's buffer when it prints. A blank
// typeface prints in "Corvid CE", a font size of 0 at 10 points.
// REQUIRES: labelLayoutFault() is empty.
ui::Report labelReport(const access::RecordFile& label, const access::RecordFile& vybery,
                       const LabelOptions& options);

// Prints the selection's labels into a writer of labelReport(), a few rows at a
// time (the window's timer ticks), reading Vybery in VYB:BYFIRMA order in quick
// scan. Vybery must be open.
class LabelRun {
public:
    LabelRun(access::RecordFile& vybery, ui::ReportWriter& writer, LabelOptions options);
    ~LabelRun();
    LabelRun(const LabelRun&) = delete;
    LabelRun& operator=(const LabelRun&) = delete;

    // Prints the next row's labels (the blank ones before the first); false at the
    // end of the rows, whatever their count said when the run began.
    bool nextRow();
    long rows() const { return rows_; }     // rows printed
    long labels() const { return labels_; } // labels placed, blank ones included
    int error() const { return error_; }    // a read error other than the end; 0 none

private:
    access::RecordFile& vybery_;
    ui::ReportWriter& writer_;
    LabelOptions options_;
    bool started_ = false;
    bool quickScan_ = false;
    long rows_ = 0;
    long labels_ = 0;
    int error_ = 0;
};

} // namespace zv::selections
