// What a window of the program works with: the program's context and the
// procedure runtime that starts windows as MDI children and calls them modally.
// The frame fills in the runtime while it stands; tests without a frame leave
// it null and windows then run modally on their own.
#pragma once

#include "app/shell/startup/app_context.h"

namespace zv::ui {
class ProcedureRuntime;
}

namespace zv::frame {

struct WindowContext : startup::AppContext {
    ui::ProcedureRuntime* runtime = nullptr;
};

} // namespace zv::frame
