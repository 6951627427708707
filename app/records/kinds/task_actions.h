// What the task list does besides browsing: completing a task, finding the
// reminder windows that show it, and listing the tasks of a tab or a day in
// its order (as the list shows them, for the command line and the tests).
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/shell/access/database.h"
#include "app/shell/startup/app_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::records {

// "Úkol s&plněn": task `number` is stamped done by `user` at `today`, `now` and
// written; the frame is told to look at the tasks again. UKOLY must be open.
// Returns 0, 33 when there is no such task, or the write's error code.
int completeTask(access::RecordFile& ukoly, startup::AppState& state, std::int32_t number,
                 std::int32_t today, std::int32_t now, const std::string& user1250);

// The threads whose reminder window shows task `number`.
std::vector<int> remindersOf(const startup::AppState& state, std::int32_t number);

// The task numbers of one order of a task list (its start, filter and key), in
// that order. UKOLY must be open; *error gets 0 or the read's error code.
std::vector<std::int32_t> taskNumbers(access::RecordFile& ukoly, const SortOrder& order,
                                      int* error = nullptr);

// The days from `from` to `to` (standard dates) that have open tasks, ascending.
// UKOLY must be open; *error gets 0 or the read's error code.
std::vector<std::int32_t> daysWithOpenTasks(access::RecordFile& ukoly, std::int32_t from,
                                            std::int32_t to, int* error = nullptr);

} // namespace zv::records
