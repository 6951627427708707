// The one painting code of generated pages: the preview, the printer, PDF files and
// the tests all paint a page through paintPage().
#pragma once

#include "ui/report/page.h"

class QPainter;

namespace zv::ui {

// Paints the page with the paper's top-left corner at the painter's current origin,
// at dpiX x dpiY device pixels per inch of paper (a preview at 50% on a 96 dpi
// screen passes 48). The painter's state is restored afterwards.
void paintPage(QPainter& painter, const Page& page, double dpiX, double dpiY);

} // namespace zv::ui
