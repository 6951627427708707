// The task kinds: the task list UKOLY_S with its six tabs, their filters and
// row colours, the day list of the calendar, and the task form shared by
// UKOLY_U (from the task list) and UKOLY_U1 (from the firm form).
//
// The tab filters are expressions over the names "Dnes", "Zitra", "SH" and
// "BRW1::Sort4:Reset:ADR:ID", the day list's over "BRW3::Sort1:Save:UKO:DT_SCHED".
// Every list keeps its own values of them (TaskListValues) and puts them in
// place just before its filter runs, so lists open side by side never see
// each other's firm or day. The fields of UKOLY must be bound for the filters
// (selections::bindStandardFiles); until they are, a filter lets every task pass.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/form/form_engine.h"
#include "app/shell/startup/app_state.h"

#include <cstdint>
#include <memory>

namespace zv::records {

struct TaskListValues {
    std::int32_t dnes = 0;  // today
    std::int32_t zitra = 0; // tomorrow
    std::int32_t sh = 0;    // the lower bound of " &Aktuální"
    std::int32_t firm = 0;  // the firm of " dle &Firmy"
    std::int32_t day = 0;   // the calendar's day
};

// Values for a list opened on `today`.
std::shared_ptr<TaskListValues> taskListValues(std::int32_t today);

// The tabs of UKOLY_S, in order (BrowseEngine order numbers).
enum TaskTab : int {
    kTabCurrent = 1,  // " &Aktuální": open tasks due today or earlier
    kTabToday = 2,    // " D&nešní"
    kTabTomorrow = 3, // " &Zítřejší"
    kTabAll = 4,      // " &Všechny", by number
    kTabFirm = 5,     // " dle &Firmy"
    kTabByDate = 6,   // " dle &Termínů"
};

// Row backgrounds of the task list.
constexpr std::uint32_t kDueTodayColour = 0xFFFF00; // open, due today
constexpr std::uint32_t kOverdueColour = 0xFF8080;  // open, due earlier
constexpr std::uint32_t kDoneColour = 0x00FF00;     // done
std::uint32_t taskColour(const access::RecordFile& ukoly, std::int32_t today);

// UKOLY_S.
BrowseDecl ukolyBrowse(std::shared_ptr<TaskListValues> values);
// The calendar's list of one day's tasks (values->day), by due time.
BrowseDecl dayTasksBrowse(std::shared_ptr<TaskListValues> values);

// UKOLY_U and UKOLY_U1: numbered by UKO:BYCUKOLU, primed with today, now and the
// user; UKOLY_U1 also with the firm whose form it was called from.
FormDecl ukolyForm(const startup::AppState& state);
FormDecl ukolyForm1(const startup::AppState& state, std::int32_t firmId);

} // namespace zv::records
