// The task list's tabs, colours and completed tasks, the calendar's month
// grid and day list, and the name days and birthdays shown beside the tasks.
#include "app/records/kinds/anniversaries.h"
#include "app/records/kinds/month_grid.h"
#include "app/records/kinds/task_actions.h"
#include "app/records/kinds/tasks.h"

#include "app/records/browse/browse_engine.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using namespace zv::rec;
using Numbers = std::vector<std::int32_t>;

const std::int32_t kToday = dates::dateFromParts(12, 9, 2026);

class TasksTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "UKOLY"}) {
            ASSERT_EQ(db.file(label).create(), 0);
            ASSERT_EQ(services::standardOpen(s, db.file(label)), services::OpenOutcome::Opened);
        }
        ASSERT_TRUE(selections::bindStandardFiles(db));
        state.userName = "Pepa";
        state.dnes = kToday;
    }

    void addTask(int number, int firm, std::int32_t due, int hour, bool done = false) {
        auto& f = db.file("UKOLY");
        f.clearBuffer();
        auto& r = f.as<UkolyRecord>();
        r.CUKOLU.set(number);
        r.ID.set(firm);
        r.DT_SCHED.set(due);
        r.TM_SCHED.set(dates::timeFromParts(hour, 0));
        r.POPIS.set("Ukol " + std::to_string(number));
        r.SPLNENO.set(done ? 1 : 0);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }
    void addPerson(int rec, int firm, const std::string& name, bool remind,
                   const std::string& nameDay, std::int32_t birth) {
        auto& f = db.file("Osoby");
        f.clearBuffer();
        auto& r = f.as<OsobyRecord>();
        r.REC.set(rec);
        r.ID.set(firm);
        r.KONTAKT.set(name);
        r.VYROCI.set(remind ? 1 : 0);
        r.SVATEK.set(nameDay);
        r.NAROZENINY.set(birth);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }
    void addFirm(int id, const std::string& name) {
        auto& f = db.file("Adresar");
        f.clearBuffer();
        f.as<AdresarRecord>().ID.set(id);
        f.as<AdresarRecord>().FIRMA.set(name);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }

    // The task numbers tab `tab` of a list opened today shows.
    Numbers tab(int tab, std::int32_t firm = 0) {
        auto values = taskListValues(kToday);
        values->firm = firm;
        const BrowseDecl decl = ukolyBrowse(values);
        int error = -1;
        Numbers n = taskNumbers(db.file("UKOLY"), decl.orders[std::size_t(tab - 1)], &error);
        EXPECT_EQ(error, 0);
        return n;
    }
    Numbers day(std::int32_t date) {
        auto values = taskListValues(kToday);
        values->day = date;
        return taskNumbers(db.file("UKOLY"), dayTasksBrowse(values).orders[0]);
    }
    std::uint32_t colourOf(int number) {
        auto& f = db.file("UKOLY");
        f.clearBuffer();
        f.as<UkolyRecord>().CUKOLU.set(number);
        EXPECT_EQ(f.getByKey(f.keyNumber("UKO:BYCUKOLU")), 0);
        return ukolyBrowse(taskListValues(kToday)).rowColour(f);
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
};

TEST_F(TasksTest, EachTabShowsItsTasksInItsOrderWithTheirColours) {
    addTask(1, 7, kToday + 1, 9);       // tomorrow
    addTask(2, 8, kToday - 1, 15);      // yesterday, open
    addTask(3, 7, kToday, 10);          // today, open
    addTask(4, 8, kToday - 3, 8, true); // done earlier
    addTask(5, 7, kToday, 8, true);     // today, done
    addTask(6, 8, kToday + 10, 8);      // later
    addTask(7, 7, kToday - 400, 12);    // long overdue
    EXPECT_EQ(tab(kTabCurrent), (Numbers{7, 2, 3}));
    EXPECT_EQ(tab(kTabToday), (Numbers{5, 3}));
    EXPECT_EQ(tab(kTabTomorrow), (Numbers{1}));
    EXPECT_EQ(tab(kTabAll), (Numbers{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(tab(kTabFirm, 7), (Numbers{7, 5, 3, 1}));
    EXPECT_EQ(tab(kTabFirm, 0), Numbers{});
    EXPECT_EQ(tab(kTabByDate), (Numbers{7, 4, 2, 5, 3, 1, 6}));
    EXPECT_EQ(day(kToday), (Numbers{5, 3}));
    EXPECT_EQ(day(kToday + 5), Numbers{});

    EXPECT_EQ(colourOf(2), kOverdueColour);
    EXPECT_EQ(colourOf(3), kDueTodayColour);
    EXPECT_EQ(colourOf(4), kDoneColour);
    EXPECT_EQ(colourOf(5), kDoneColour); // done today: the done colour wins over today's
    EXPECT_EQ(colourOf(1), kDefaultColour);
}

TEST_F(TasksTest, ListsOpenSideBySideKeepTheirOwnFirmAndDay) {
    addTask(1, 7, kToday, 9);
    addTask(2, 8, kToday + 1, 9);
    auto first = taskListValues(kToday);
    auto second = taskListValues(kToday);
    first->firm = 7;
    second->firm = 8;
    const BrowseDecl a = ukolyBrowse(first), b = ukolyBrowse(second);
    auto& f = db.file("UKOLY");
    EXPECT_EQ(taskNumbers(f, a.orders[kTabFirm - 1]), Numbers{1});
    EXPECT_EQ(taskNumbers(f, b.orders[kTabFirm - 1]), Numbers{2});
    EXPECT_EQ(taskNumbers(f, a.orders[kTabFirm - 1]), Numbers{1});
}

TEST_F(TasksTest, TheListEngineFollowsTheTabFiltersAndStartsAtTheTabsDay) {
    for (int i = 1; i <= 30; ++i)
        addTask(i, 7, kToday - 15 + i, 9); // one a day around today
    auto values = taskListValues(kToday);
    BrowseEngine engine(s, ukolyBrowse(values), 5);
    ASSERT_EQ(engine.open(), 0);
    engine.setOrder(kTabToday);
    ASSERT_EQ(engine.rows().size(), 1u);
    EXPECT_EQ(db.file("UKOLY").as<UkolyRecord>().CUKOLU.get(), 15);
    EXPECT_EQ(engine.rows()[0].colour, kDueTodayColour);
    engine.setOrder(kTabCurrent);
    engine.bottom();
    EXPECT_EQ(db.file("UKOLY").as<UkolyRecord>().CUKOLU.get(), 15);
    engine.setOrder(kTabTomorrow);
    ASSERT_EQ(engine.rows().size(), 1u);
    EXPECT_EQ(db.file("UKOLY").as<UkolyRecord>().CUKOLU.get(), 16);
    engine.setOrder(kTabAll);
    EXPECT_EQ(engine.rows().size(), 5u);
    EXPECT_EQ(engine.rows()[0].colour, kOverdueColour);
}

TEST_F(TasksTest, ACompletedTaskIsStampedLeavesTheCurrentTabAndNamesItsReminders) {
    addTask(1, 7, kToday - 1, 9);
    addTask(2, 7, kToday - 1, 10);
    state.reminderSlots[3] = 1;
    state.reminderSlots[9] = 1;
    state.reminderSlots[4] = 2;
    auto& f = db.file("UKOLY");
    ASSERT_EQ(completeTask(f, state, 1, kToday, 4000000, "Jana"), 0);
    EXPECT_TRUE(state.rescanTasks);
    const auto& r = f.as<UkolyRecord>();
    EXPECT_EQ(r.SPLNENO.get(), 1);
    EXPECT_EQ(r.DT_PROV.get(), kToday);
    EXPECT_EQ(r.TM_PROV.get(), 4000000);
    EXPECT_EQ(r.OS_PROV.trimmed(), "Jana");
    EXPECT_EQ(tab(kTabCurrent), Numbers{2});
    EXPECT_EQ(colourOf(1), kDoneColour);
    EXPECT_EQ(remindersOf(state, 1), (std::vector<int>{3, 9}));
    EXPECT_EQ(completeTask(f, state, 99, kToday, 1, "Jana"), access::kRecordNotAvailable);
}

TEST_F(TasksTest, DaysWithOpenTasksSkipDoneOnesAndStayInTheirRange) {
    addTask(1, 7, kToday, 9);
    addTask(2, 7, kToday, 10);
    addTask(3, 7, kToday + 2, 9, true);
    addTask(4, 7, kToday + 3, 9);
    addTask(5, 7, kToday + 40, 9);
    EXPECT_EQ(daysWithOpenTasks(db.file("UKOLY"), kToday - 5, kToday + 30),
              (Numbers{kToday, kToday + 3}));
}

TEST(MonthGridTest, DaysStandUnderTheirWeekdaysAndOnlyTheMonthsDaysAreThere) {
    const auto february = monthGrid(2028, 2); // a leap year; 1 February 2028 is a Tuesday
    ASSERT_EQ(february.size(), 29u);
    EXPECT_EQ(february.front().column, 1);
    EXPECT_EQ(february.front().row, 0);
    EXPECT_EQ(february.back().day, 29);
    EXPECT_EQ(february.back().column, 1); // Tuesday 29 February
    EXPECT_EQ(monthGrid(2027, 2).size(), 28u);
    EXPECT_EQ(monthGrid(2026, 11).size(), 30u);
    const auto march = monthGrid(2026, 3); // 1 March 2026 is a Sunday: six rows
    EXPECT_EQ(march.front().column, 6);
    EXPECT_EQ(march.back().row, 5);
    EXPECT_TRUE(monthGrid(2100, 1).empty());
    EXPECT_TRUE(monthGrid(2026, 13).empty());
}

TEST(NameDayTest, DayAndMonthAreReadWithOrWithoutTheLastDot) {
    int d = 0, m = 0;
    EXPECT_TRUE(parseNameDay("24.12", d, m));
    EXPECT_EQ(d, 24);
    EXPECT_EQ(m, 12);
    EXPECT_TRUE(parseNameDay("3.7.", d, m));
    EXPECT_EQ(d, 3);
    EXPECT_EQ(m, 7);
    EXPECT_TRUE(parseNameDay(" 1. 1", d, m));
    for (const char* bad : {"", "24", "24.", "31.4", "0.5", "12.13", "a.b", "1.1.1", "123.1"})
        EXPECT_FALSE(parseNameDay(bad, d, m)) << bad;
    EXPECT_TRUE(isNameDay("29.2", dates::dateFromParts(2, 28, 2027)));
    EXPECT_TRUE(isNameDay("29.2", dates::dateFromParts(2, 29, 2028)));
    EXPECT_FALSE(isNameDay("29.2", dates::dateFromParts(2, 28, 2028)));
}

TEST_F(TasksTest, RemindedPersonsAnniversariesShowOnTheirDayAndWriteNoTask) {
    addFirm(7, "Alfa s.r.o.");
    const std::int32_t born = dates::dateFromParts(12, 9, 1980);
    addPerson(1, 7, "Jan Novák", true, "9.12", born); // both on the same day
    addPerson(2, 7, "Eva Malá", true, "24.12", 0);
    addPerson(3, 7, "Petr Velký", false, "9.12", born); // not to be reminded
    addPerson(4, 7, "Ivo Leap", true, "", dates::dateFromParts(2, 29, 2000));
    const long tasks = db.file("UKOLY").records();
    int error = -1;
    const auto today = anniversariesOn(db, kToday, &error);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(today.size(), 2u);
    EXPECT_EQ(today[0].kind, Anniversary::NameDay);
    EXPECT_EQ(today[1].kind, Anniversary::Birthday);
    EXPECT_EQ(today[1].age, 46);
    EXPECT_EQ(today[1].personName, "Jan Novák");
    EXPECT_EQ(today[1].firmName, "Alfa s.r.o.");
    EXPECT_EQ(anniversaryText(today[1]), "Narozeniny (46): Jan Novák (Alfa s.r.o.)");
    EXPECT_EQ(anniversariesOn(db, kToday + 15).size(), 1u); // 24 December
    EXPECT_EQ(anniversariesOn(db, kToday + 1).size(), 0u);
    EXPECT_EQ(anniversariesOn(db, dates::dateFromParts(2, 28, 2027)).size(), 1u);
    EXPECT_EQ(anniversariesOn(db, born - 1).size(), 0u); // before birth
    EXPECT_EQ(db.file("UKOLY").records(), tasks);
}

} // namespace
} // namespace zv::records
