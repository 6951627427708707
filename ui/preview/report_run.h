// The course every report takes once it is described: rows are printed behind the
// progress window, the pages are shown in the report preview, and printed when the
// user chose Print there; otherwise they are discarded.
#pragma once

#include "platform/profile.h"
#include "ui/report/print.h"
#include "ui/report/progress_window.h"
#include "ui/report/report_writer.h"

#include <functional>
#include <string>

class QWidget;

namespace zv::ui {

struct ReportRunResult {
    enum class End {
        Cancelled,  // "Cancel" in the progress window: no preview
        NotPrinted, // the preview was left without printing
        Printed,
        PrintCancelled, // the printer dialog was left
        PrintFailed,    // message holds the reason; it has been shown
    };
    End end = End::Cancelled;
    int pages = 0;       // pages generated (0 when cancelled)
    std::string message; // UTF-8
};

// Prints the pages once the preview answered Print (the printer dialog by default).
using PagePrinter = std::function<PrintOutcome(const PageSet&)>;

// Runs the report: nextRow prints the next row through `writer` (false at the end);
// totalRows drives the progress bar. A print failure is shown in a message box
// naming the reason. The writer's pages are gone afterwards in every case.
ReportRunResult runReport(ReportWriter& writer, long totalRows, ProgressWindow::NextRow nextRow,
                          const ProfileFile& ini, QWidget* parent = nullptr,
                          PagePrinter print = {});

} // namespace zv::ui
