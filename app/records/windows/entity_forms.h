// The forms of a firm's dependent records and the keyword list, as the firm
// form calls them: OSOBY_U (persons), HISTORIE_U (contact history), KLICE_U
// (keywords attached), UKOLY_U1 (tasks) and EVKLIC_S to pick a keyword.
#pragma once

#include "app/records/browse/browse_engine.h"
#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::records {

// Each runs request 1-3 on its file's buffer; firmId primes a new record's link.
FormOutcome runOsobyForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId);
FormOutcome runHistorieForm(frame::WindowContext& context, QWidget* parent, int request,
                            std::int32_t firmId);
FormOutcome runKliceForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId);
FormOutcome runUkolyForm1(frame::WindowContext& context, QWidget* parent, int request,
                          std::int32_t firmId);

// EVKLIC_S called to select: true with the keyword in EVKLICSL's buffer.
bool selectKeyword(frame::WindowContext& context, QWidget* parent);

} // namespace zv::records
