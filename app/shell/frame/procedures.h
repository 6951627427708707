// The procedures the frame can start or call, by name ("ADRESAR_S", "INFOSHO").
// A menu item whose procedure is not registered stays disabled.
#pragma once

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace zv::frame {

struct Procedure {
    // Makes the window of a started procedure for thread t (run as an MDI child).
    std::function<QWidget*(int thread)> start;
    // Runs a called procedure modally.
    std::function<void()> call;
};

using ProcedureTable = std::map<std::string, Procedure>;

} // namespace zv::frame
