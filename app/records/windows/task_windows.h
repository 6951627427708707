// The task list UKOLY_S ("Procházím záznamy o úkolech") with its form UKOLY_U,
// and the calendar KALENDAR.
#pragma once

#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::records {

// UKOLY_S made for ProcedureRuntime::start; null when UKOLY cannot be opened.
QWidget* makeTaskList(frame::WindowContext& context, int thread);

// Registers UKOLY_S and KALENDAR (both started) with the frame.
void addTaskProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

} // namespace zv::records
