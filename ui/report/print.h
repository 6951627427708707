// Sending generated pages to a printer or a PDF file.
//
// The printer is set to full-page geometry with no margins of its own: the origin
// is the paper's corner and every step lands where the report put it, at the
// printer's resolution. The paper size is taken from the first page.
#pragma once

#include "ui/report/page.h"

#include <string>

class QPrinter;
class QWidget;

namespace zv::ui {

struct PrintOutcome {
    enum class Code {
        Printed,   // every page was sent
        Cancelled, // the user left the printer dialog
        NothingToPrint,
        CannotStart, // the printer or file could not be opened
        Failed,      // a page could not be started
    };
    Code code = Code::Printed;
    std::string message; // UTF-8, for the window that reports it; empty when printed
    bool ok() const { return code == Code::Printed; }
};

// Sets the printer to the pages' paper and to full-page geometry.
void preparePrinter(QPrinter& printer, const PageSet& pages);

// Paints every page on the printer (already prepared and chosen).
[[nodiscard]] PrintOutcome printPages(const PageSet& pages, QPrinter& printer);

// Writes the pages to a PDF file.
[[nodiscard]] PrintOutcome printToPdf(const PageSet& pages, const std::string& pathUtf8);

// Shows the printer dialog (system printers and printing to a PDF file) and prints.
[[nodiscard]] PrintOutcome printWithDialog(const PageSet& pages, QWidget* parent);

} // namespace zv::ui
