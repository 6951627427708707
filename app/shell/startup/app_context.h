// Everything a procedure of the program works with: the record access services,
// the shared procedure services (messages, saved error) and the shared settings
// and state. One per process, made by the program at start and passed to every
// procedure (windows get it inside their window context).
#pragma once

#include "app_state.h"

#include "app/shell/access/database.h"
#include "app/shell/services/procedure_services.h"

namespace zv::startup {

struct AppContext {
    access::Database& db;
    services::ProcedureServices& services;
    AppState& state;
};

} // namespace zv::startup
