// The forms and picking lists that declarations name by procedure: a dependent
// list runs its form ("OSOBY_U"), a pick button calls its list ("ADRESAR_S").
#pragma once

#include "app/records/browse/browse_engine.h"
#include "app/shell/frame/window_context.h"

#include <cstdint>
#include <string_view>

class QWidget;

namespace zv::records {

// Runs dependent form `form` for a request on its file's buffer; `parentId`
// primes a new record's link. A form not known answers cancelled.
FormOutcome runDependentForm(frame::WindowContext& context, QWidget* parent, std::string_view form,
                             int request, std::int32_t parentId);

// Calls picking list `list` modally: true, with the picked record in its file's
// buffer, when one was selected.
bool callPickList(frame::WindowContext& context, std::string_view list, QWidget* parent);

} // namespace zv::records
