// The frame's task reminders: on a new day or when a task changed, the list of
// due tasks is read anew from UKOLY; every 10 seconds the tasks now due and not
// yet reminded get a reminder window, one per task.
//
// Tasks of earlier days are due whatever their time of day, so a task left over
// from yesterday evening is reminded at once, not at its hour today. Passes are
// timed by elapsed time, so a clock that passes midnight or is set back does not
// stop them.
#pragma once

#include "app_state.h"

#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv::startup {

struct DueTask {
    std::int32_t number; // UKO:CUKOLU
    std::int32_t date;   // UKO:DT_SCHED
    std::int32_t time;   // UKO:TM_SCHED
    bool notified;       // a reminder has been shown (initially UKO:OZNAMEN)
};

class TaskReminders {
public:
    // Starts a reminder window for a task; returns its thread number 1..64, or 0
    // when none could be started (the task is tried again at the next pass).
    using StartReminder = std::function<int(std::int32_t taskNumber)>;
    // Shows a text in status zone 2.
    using ShowStatus = std::function<void(const std::string& text1250)>;

    TaskReminders(services::ProcedureServices& services, AppState& state);

    // One tick of the frame's timer: today's date, the time of day, and a
    // monotonic clock in hundredths of a second.
    void tick(std::int32_t today, std::int32_t now, std::int64_t elapsed,
              const StartReminder& start, const ShowStatus& status);

    const std::vector<DueTask>& dueTasks() const { return due_; }

private:
    void scan(std::int32_t today, const ShowStatus& status);
    void remind(std::int32_t today, std::int32_t now, const StartReminder& start,
                const ShowStatus& status);

    services::ProcedureServices& services_;
    AppState& state_;
    std::vector<DueTask> due_; // sorted by date and time
    std::int32_t lastScanDate_ = 0;
    std::int64_t lastPass_ = 0;
    bool passed_ = false; // a reminder pass has run
};

// "Počet úkolů: N" in Windows-1250.
std::string taskCountText(std::size_t count);

} // namespace zv::startup
