#include "task_reminders.h"

#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <algorithm>

namespace zv::startup {

namespace {
constexpr std::int64_t kPassInterval = 1000; // hundredths of a second
}

std::string taskCountText(std::size_t count) {
    return cp1250::fromUtf8("Počet úkolů: ") + std::to_string(count);
}

TaskReminders::TaskReminders(services::ProcedureServices& services, AppState& state)
    : services_(services), state_(state) {}

void TaskReminders::tick(std::int32_t today, std::int32_t now, std::int64_t elapsed,
                         const StartReminder& start, const ShowStatus& status) {
    if (today != lastScanDate_ || state_.rescanTasks) scan(today, status);
    if (!passed_ || elapsed - lastPass_ >= kPassInterval || elapsed < lastPass_) {
        remind(today, now, start, status);
        lastPass_ = elapsed;
        passed_ = true;
    }
}

void TaskReminders::scan(std::int32_t today, const ShowStatus& status) {
    status(cp1250::fromUtf8("Zjišťuji úkoly"));
    // Reminders already shown stay shown across a rescan.
    const std::vector<DueTask> previous = due_;
    due_.clear();
    auto& uko = services_.db.file("UKOLY");
    if (services::standardOpen(services_, uko) == services::OpenOutcome::Opened) {
        if (uko.setFile() == 0) {
            while (uko.next() == 0) {
                const auto& t = uko.as<rec::UkolyRecord>();
                if (t.DT_SCHED.get() > today || t.SPLNENO.get() != 0) continue;
                DueTask task{t.CUKOLU.get(), t.DT_SCHED.get(), t.TM_SCHED.get(),
                             t.OZNAMEN.get() != 0};
                for (const DueTask& p : previous)
                    if (p.number == task.number && p.notified) task.notified = true;
                due_.push_back(task);
            }
        }
        services::standardRelease(uko);
    }
    std::stable_sort(due_.begin(), due_.end(), [](const DueTask& a, const DueTask& b) {
        return a.date != b.date ? a.date < b.date : a.time < b.time;
    });
    status(taskCountText(due_.size()));
    lastScanDate_ = today;
    state_.rescanTasks = false;
}

void TaskReminders::remind(std::int32_t today, std::int32_t now, const StartReminder& start,
                           const ShowStatus& status) {
    status(cp1250::fromUtf8("Kontroluji úkoly"));
    for (DueTask& task : due_) {
        if (task.date == today && task.time > now) break;
        if (task.notified) continue;
        const auto& slots = state_.reminderSlots;
        if (std::find(slots.begin() + 1, slots.end(), task.number) != slots.end()) {
            task.notified = true;
            continue;
        }
        const int thread = start(task.number);
        if (thread >= 1 && thread <= kThreadSlots) {
            state_.reminderSlots[static_cast<std::size_t>(thread)] = task.number;
            task.notified = true;
        }
    }
    status(taskCountText(due_.size()));
}

} // namespace zv::startup
