#include "app/records/kinds/task_actions.h"

#include "app/shell/access/view.h"
#include "app/shell/dictionary/records.h"

namespace zv::records {

int completeTask(access::RecordFile& ukoly, startup::AppState& state, std::int32_t number,
                 std::int32_t today, std::int32_t now, const std::string& user1250) {
    const int key = ukoly.keyNumber("UKO:BYCUKOLU");
    ukoly.clearBuffer();
    auto& r = ukoly.as<rec::UkolyRecord>();
    r.CUKOLU.set(number);
    if (const int code = ukoly.getByKey(key); code != 0) return code;
    r.DT_PROV.set(today);
    r.TM_PROV.set(now);
    r.OS_PROV.set(user1250);
    r.SPLNENO.set(1);
    if (const int code = ukoly.put(); code != 0) return code;
    state.rescanTasks = true;
    return 0;
}

std::vector<int> remindersOf(const startup::AppState& state, std::int32_t number) {
    std::vector<int> threads;
    for (int t = 1; t <= startup::kThreadSlots; ++t)
        if (state.reminderSlots[std::size_t(t)] == number) threads.push_back(t);
    return threads;
}

std::vector<std::int32_t> taskNumbers(access::RecordFile& ukoly, const SortOrder& order,
                                      int* error) {
    std::vector<std::int32_t> numbers;
    int code = 0;
    access::View view(ukoly);
    const int key = ukoly.keyNumber(order.key);
    code = view.open();
    if (code == 0) {
        view.setFilter(order.filter);
        if (order.start) {
            ukoly.clearBuffer();
            order.start(ukoly);
            code = view.setKeyValue(key);
        } else {
            code = view.setKey(key);
        }
    }
    while (code == 0) {
        code = view.next();
        if (code == 0) numbers.push_back(ukoly.as<rec::UkolyRecord>().CUKOLU.get());
    }
    view.close();
    if (error) *error = code == access::kRecordNotAvailable ? 0 : code;
    return numbers;
}

std::vector<std::int32_t> daysWithOpenTasks(access::RecordFile& ukoly, std::int32_t from,
                                            std::int32_t to, int* error) {
    std::vector<std::int32_t> days;
    access::View view(ukoly);
    int code = view.open();
    if (code == 0) {
        ukoly.clearBuffer();
        ukoly.as<rec::UkolyRecord>().DT_SCHED.set(from);
        code = view.setKeyValue(ukoly.keyNumber("UKO:BYSCHED"));
    }
    while (code == 0) {
        code = view.next();
        if (code != 0) break;
        const auto& r = ukoly.as<rec::UkolyRecord>();
        const std::int32_t due = r.DT_SCHED.get();
        if (due > to) break;
        if (r.SPLNENO.get() == 0 && (days.empty() || days.back() != due)) days.push_back(due);
    }
    view.close();
    if (error) *error = code == access::kRecordNotAvailable ? 0 : code;
    return days;
}

} // namespace zv::records
