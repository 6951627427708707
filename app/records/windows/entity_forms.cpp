#include "app/records/windows/entity_forms.h"

#include "app/records/kinds/address_book.h"
#include "app/records/kinds/tasks.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/entity_windows.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/named_windows.h"
#include "app/records/windows/record_windows.h"

namespace zv::records {

FormOutcome runOsobyForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId) {
    return runForm(context, parent, osobyForm(firmId), request);
}

FormOutcome runHistorieForm(frame::WindowContext& context, QWidget* parent, int request,
                            std::int32_t firmId) {
    return runForm(context, parent, historieForm(context.state, firmId), request);
}

FormOutcome runKliceForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId) {
    return runForm(context, parent, kliceForm(firmId), request);
}

FormOutcome runUkolyForm1(frame::WindowContext& context, QWidget* parent, int request,
                          std::int32_t firmId) {
    FormDecl decl = ukolyForm1(context.state, firmId);
    // The frame's reminders look at the tasks again.
    decl.completed = [&context] { context.state.rescanTasks = true; };
    return runForm(context, parent, std::move(decl), request);
}

bool selectKeyword(frame::WindowContext& context, QWidget* parent) {
    return selectFromList(context, evklicBrowse(), evklicSpec(context), parent) ==
           kResponseCompleted;
}

FormOutcome runDependentForm(frame::WindowContext& context, QWidget* parent, std::string_view form,
                             int request, std::int32_t parentId) {
    using Runner = FormOutcome (*)(frame::WindowContext&, QWidget*, int, std::int32_t);
    static const std::pair<std::string_view, Runner> forms[] = {
        {"OSOBY_U", runOsobyForm},
        {"HISTORIE_U", runHistorieForm},
        {"KLICE_U", runKliceForm},
        {"UKOLY_U1", runUkolyForm1},
    };
    for (const auto& [name, run] : forms)
        if (name == form) return run(context, parent, request, parentId);
    return {};
}

bool callPickList(frame::WindowContext& context, std::string_view list, QWidget* parent) {
    if (list == "ADRESAR_S") return selectFirm(context, parent);
    if (list == "EVKLIC_S") return selectKeyword(context, parent);
    return false;
}

} // namespace zv::records
