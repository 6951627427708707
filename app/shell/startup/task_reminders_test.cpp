#include "task_reminders.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::startup {
namespace {

using rec::UkolyRecord;

constexpr std::int32_t kToday = 82000;
constexpr std::int32_t hm(int h, int m) {
    return h * 360000 + m * 6000 + 1;
}

class TaskRemindersTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        ASSERT_EQ(db.file("UKOLY").create(), 0);
    }

    void addTask(int number, std::int32_t date, std::int32_t time, bool done = false,
                 bool announced = false) {
        auto& f = db.file("UKOLY");
        const bool wasOpen = f.isOpen();
        if (!wasOpen) {
            ASSERT_EQ(f.open(), 0);
        }
        f.clearBuffer();
        auto& t = f.as<UkolyRecord>();
        t.CUKOLU.set(number);
        t.DT_SCHED.set(date);
        t.TM_SCHED.set(time);
        t.SPLNENO.set(done ? 1 : 0);
        t.OZNAMEN.set(announced ? 1 : 0);
        ASSERT_EQ(f.add(), 0);
        if (!wasOpen) {
            ASSERT_EQ(f.close(), 0);
        }
    }

    // A tick at a time of day, `seconds` after start.
    void tick(std::int32_t now, int seconds, std::int32_t today = kToday) {
        reminders.tick(
            today, now, seconds * 100LL,
            [this](std::int32_t task) {
                started.push_back(task);
                return nextThread > 0 ? nextThread++ : 0;
            },
            [this](const std::string& text) { status = cp1250::toUtf8(text); });
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices services{db, messages, {}};
    AppState state;
    TaskReminders reminders{services, state};
    std::vector<std::int32_t> started;
    int nextThread = 1;
    std::string status;
};

TEST_F(TaskRemindersTest, DueTasksAreRemindedOnceAndCompletedOnesNever) {
    addTask(1, kToday, hm(9, 0));              // due earlier today
    addTask(2, kToday, hm(15, 0));             // later today
    addTask(3, kToday - 2, hm(23, 0));         // an earlier day, late hour: due now
    addTask(4, kToday, hm(8, 0), true);        // done
    addTask(5, kToday + 1, hm(8, 0));          // tomorrow
    addTask(6, kToday, hm(7, 0), false, true); // marked as announced
    tick(hm(12, 0), 0);
    EXPECT_EQ(started, (std::vector<std::int32_t>{3, 1}));
    EXPECT_EQ(status, "Počet úkolů: 4");
    EXPECT_EQ(state.reminderSlots[1], 3);
    EXPECT_EQ(state.reminderSlots[2], 1);

    tick(hm(12, 0) + 500, 5); // less than 10 s later: no pass
    tick(hm(15, 0) - 100, 20);
    EXPECT_EQ(started.size(), 2u);
    tick(hm(15, 0), 30);
    EXPECT_EQ(started, (std::vector<std::int32_t>{3, 1, 2}));
    tick(hm(16, 0), 40);
    EXPECT_EQ(started.size(), 3u);
}

TEST_F(TaskRemindersTest, AnOpenReminderIsNotStartedTwiceAndAFailedStartIsRetried) {
    addTask(1, kToday, hm(9, 0));
    nextThread = 0; // no thread to be had
    tick(hm(10, 0), 0);
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(state.reminderSlots[1], 0);
    nextThread = 5;
    tick(hm(10, 0), 10);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(state.reminderSlots[5], 1);

    // A rescan keeps what was shown; a still open reminder is not doubled.
    state.rescanTasks = true;
    tick(hm(10, 1), 20);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_FALSE(state.rescanTasks);
}

TEST_F(TaskRemindersTest, ARescanChangesTheCountAndANewDayScansAgain) {
    addTask(1, kToday, hm(9, 0));
    tick(hm(8, 0), 0);
    EXPECT_EQ(status, "Počet úkolů: 1");
    addTask(2, kToday, hm(9, 30));
    tick(hm(8, 0), 1);
    EXPECT_EQ(reminders.dueTasks().size(), 1u); // nobody asked for a rescan
    state.rescanTasks = true;
    tick(hm(8, 0), 2);
    EXPECT_EQ(status, "Počet úkolů: 2");

    // Past midnight: the tasks of the next day join, and the pass goes on although
    // the time of day went back.
    addTask(3, kToday + 1, hm(0, 0) + 100);
    tick(hm(0, 5), 100, kToday + 1);
    EXPECT_EQ(reminders.dueTasks().size(), 3u);
    EXPECT_EQ(started.size(), 3u);
}

} // namespace
} // namespace zv::startup
