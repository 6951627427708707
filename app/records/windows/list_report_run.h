// The list reports run in the windows: PREHLEDF_R and PREHLEDM_R for the
// selection, HISTORIE_R for a firm; rows behind the progress window, then the
// preview, then the printer when the user asks for it there.
#pragma once

#include "app/selections/reports/list_report.h"
#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::records {

void printListReport(frame::WindowContext& context, QWidget* parent, selections::ListKind kind,
                     std::int32_t firm = 0);

} // namespace zv::records
