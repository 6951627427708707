// Everything a procedure of the program works with: the record access services,
// the shared procedure services (messages, saved error), the shared settings
// and state, and the procedure runtime that starts and calls windows. One per
// process, made by the program at start and passed to every procedure.
#pragma once

#include "app_state.h"

#include "app/shell/access/database.h"
#include "app/shell/services/procedure_services.h"

namespace zv::ui {
class ProcedureRuntime;
}

namespace zv::startup {

struct AppContext {
    access::Database& db;
    services::ProcedureServices& services;
    AppState& state;
    ui::ProcedureRuntime* runtime = nullptr; // null in tests without windows
};

} // namespace zv::startup
