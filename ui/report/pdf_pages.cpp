#include "ui/report/pdf_pages.h"

#include "ui/report/page_painter.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace zv::ui {
namespace {

constexpr int kDotsPerInch = 1200;

QPageLayout layoutOf(const Page& page) {
    const QSizeF size(page.width.inches() > 0 ? page.width.inches() : 8.268,
                      page.height.inches() > 0 ? page.height.inches() : 11.693);
    return QPageLayout(QPageSize(size, QPageSize::Inch, QString(), QPageSize::ExactMatch),
                       QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

} // namespace

std::string writePdf(const PageSet& pages, const std::string& pathUtf8) {
    if (pages.empty()) return "The report has no pages.";
    QPdfWriter writer(QString::fromStdString(pathUtf8));
    writer.setResolution(kDotsPerInch);
    writer.setPageLayout(layoutOf(pages.front()));
    QPainter painter;
    if (!painter.begin(&writer)) return "Cannot write " + pathUtf8 + ".";
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageLayout(layoutOf(pages[i]));
            if (!writer.newPage()) return "Writing stopped at page " + std::to_string(i + 1) + ".";
        }
        paintPage(painter, pages[i], kDotsPerInch, kDotsPerInch);
    }
    if (!painter.end()) return "Cannot finish " + pathUtf8 + ".";
    return {};
}

} // namespace zv::ui
