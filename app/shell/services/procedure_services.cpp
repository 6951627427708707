#include "procedure_services.h"

namespace zv::services {

void ProcedureServices::saveError() {
    const auto& e = db.error();
    saved.code = e.code;
    saved.text = e.text;
    saved.driverCode = e.driverCode;
    saved.driverText = e.driverText;
}

Button ProcedureServices::message(int n, std::string_view name1, std::string_view name2) {
    return messages.show(standardMessage(n, name1, name2, saved));
}

} // namespace zv::services
