// The procedures of maintenance and the small utilities, registered with the
// frame: DATASHO ("&Data"), OPRAVAKLICU ("&Oprava klíčů"), ZALOHUJ, OBNOV and
// NASTAVENIZALOHY ("&Záloha"), SPORTKA ("&Sportka"), all started as MDI
// children, and INFOSHO ("&O programu"), called modally.
#pragma once

#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

namespace zv::utilities {

void addUtilityProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

} // namespace zv::utilities
