#include "ui/report/print.h"

#include "ui/report/page_painter.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace zv::ui {

void preparePrinter(QPrinter& printer, const PageSet& pages) {
    printer.setFullPage(true);
    if (!pages.empty() && pages.front().width.mils() > 0 && pages.front().height.mils() > 0) {
        const Page& p = pages.front();
        const bool landscape = p.width > p.height;
        const QSizeF portrait = landscape ? QSizeF(p.height.inches(), p.width.inches())
                                          : QSizeF(p.width.inches(), p.height.inches());
        printer.setPageLayout(QPageLayout(
            QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch),
            landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    }
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

PrintOutcome printPages(const PageSet& pages, QPrinter& printer) {
    if (pages.empty()) return {PrintOutcome::Code::NothingToPrint, "The report has no pages."};
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString where =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        return {PrintOutcome::Code::CannotStart,
                "Cannot start printing on " + where.toStdString() + "."};
    }
    const double dpi = printer.resolution();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return {PrintOutcome::Code::Failed,
                    "Printing stopped at page " + std::to_string(i + 1) + "."};
        }
        paintPage(painter, pages[i], dpi, dpi);
    }
    if (!painter.end())
        return {PrintOutcome::Code::Failed, "The printer did not accept the last page."};
    return {};
}

PrintOutcome printToPdf(const PageSet& pages, const std::string& pathUtf8) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pathUtf8));
    preparePrinter(printer, pages);
    return printPages(pages, printer);
}

PrintOutcome printWithDialog(const PageSet& pages, QWidget* parent) {
    if (pages.empty()) return {PrintOutcome::Code::NothingToPrint, "The report has no pages."};
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer, pages);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(1, int(pages.size()));
    if (dialog.exec() != QDialog::Accepted) return {PrintOutcome::Code::Cancelled, {}};
    printer.setFullPage(true);
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        const int from = std::max(1, printer.fromPage());
        const int to = std::min(int(pages.size()), std::max(from, printer.toPage()));
        PageSet part(pages.begin() + (from - 1), pages.begin() + to);
        return printPages(part, printer);
    }
    return printPages(pages, printer);
}

} // namespace zv::ui
