#include "ui/preview/report_run.h"

#include "ui/preview/report_preview.h"

#include <QMessageBox>
#include <QString>

#include <utility>

namespace zv::ui {

ReportRunResult runReport(ReportWriter& writer, long totalRows, ProgressWindow::NextRow nextRow,
                          const ProfileFile& ini, QWidget* parent, PagePrinter print) {
    ReportRunResult result;
    {
        ProgressWindow progress(totalRows, std::move(nextRow), parent);
        if (progress.run() == ProgressWindow::Outcome::Cancelled) {
            (void)writer.takePages(); // discarded
            return result;
        }
    }
    writer.finish();
    const PageSet pages = writer.takePages();
    result.pages = int(pages.size());
    if (previewReport(pages, ini, parent) != PreviewAnswer::Completed) {
        result.end = ReportRunResult::End::NotPrinted;
        return result;
    }
    const PrintOutcome printed = print ? print(pages) : printWithDialog(pages, parent);
    switch (printed.code) {
    case PrintOutcome::Code::Printed:
        result.end = ReportRunResult::End::Printed;
        break;
    case PrintOutcome::Code::Cancelled:
        result.end = ReportRunResult::End::PrintCancelled;
        break;
    default:
        result.end = ReportRunResult::End::PrintFailed;
        result.message = printed.message;
        QMessageBox::warning(parent, QStringLiteral("Print Error"),
                             QString::fromStdString(printed.message));
        break;
    }
    return result;
}

} // namespace zv::ui
