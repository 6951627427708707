// The task list and the calendar on the screen: colours, "Úkol s&plněn" with
// the reminder it closes, the name days beside today's tasks, the month grid
// with its marks and the year.
#include "app/records/windows/task_windows.h"

#include "app/records/kinds/tasks.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/calendar_window.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/standard_date.h"
#include "ui/runtime/procedure_runtime.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace zv::records {
namespace {

using namespace zv::rec;

class TaskWindowsTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label : {"Adresar", "Osoby", "UKOLY"})
            ASSERT_EQ(db.file(label).create(), 0);
        ASSERT_TRUE(selections::bindStandardFiles(db));
        state.dnes = dates::today();
    }

    void addTask(int number, std::int32_t due, bool done = false) {
        add("UKOLY", [&](access::RecordFile& f) {
            auto& r = f.as<UkolyRecord>();
            r.CUKOLU.set(number);
            r.ID.set(1);
            r.DT_SCHED.set(due);
            r.TM_SCHED.set(dates::timeFromParts(9, 0));
            r.SPLNENO.set(done ? 1 : 0);
        });
    }
    // The numbers and backgrounds of the rows the task list shows.
    std::vector<std::pair<int, QColor>> rows(BrowseWindow& w) {
        std::vector<std::pair<int, QColor>> out;
        auto* view = static_cast<QAbstractItemView*>(w.list().table());
        auto* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out.emplace_back(model->index(r, 0).data().toInt(),
                             model->index(r, 3).data(Qt::BackgroundRole).value<QColor>());
        return out;
    }
};

QPushButton* buttonIn(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

TEST_F(TaskWindowsTest, ACompletedOverdueTaskTurnsGreenLeavesTheCurrentTabAndClosesItsReminder) {
    const std::int32_t today = state.dnes;
    addTask(1, today - 1);
    addTask(2, today);
    QMdiArea area;
    ui::ProcedureRuntime runtime(&area);
    context.runtime = &runtime;
    const int reminder = runtime.start([](int) { return new QWidget; });
    ASSERT_GT(reminder, 0);
    state.reminderSlots[std::size_t(reminder)] = 1;

    std::unique_ptr<QWidget> w(makeTaskList(context, 2));
    ASSERT_TRUE(w);
    auto& list = static_cast<BrowseWindow&>(*w);
    EXPECT_EQ(list.windowTitle(), QString::fromUtf8("Procházím záznamy o úkolech"));
    EXPECT_EQ(state.taskLists, 1);
    ASSERT_EQ(list.tabs()->count(), 6);
    EXPECT_EQ(list.tabs()->tabText(0), QString::fromUtf8(" &Aktuální"));
    auto shown = rows(list);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, 1);
    EXPECT_EQ(shown[0].second, QColor(255, 128, 128));
    EXPECT_EQ(shown[1].second, QColor(255, 255, 0));

    buttonIn(w.get(), QString::fromUtf8("Úkol s&plněn"))->click(); // the first row is highlighted
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(runtime.window(reminder), nullptr);
    EXPECT_TRUE(state.rescanTasks);
    shown = rows(list);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, 2);

    list.tabs()->setCurrentIndex(kTabAll - 1);
    shown = rows(list);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].second, QColor(0, 255, 0));
    w.reset();
    EXPECT_EQ(state.taskLists, 0);
    context.runtime = nullptr;
}

TEST_F(TaskWindowsTest, TodaysBirthdayStandsOnceBesideTodaysTasksOnly) {
    add("Adresar", [](access::RecordFile& f) {
        f.as<AdresarRecord>().ID.set(1);
        f.as<AdresarRecord>().FIRMA.set("Alfa");
    });
    add("Osoby", [&](access::RecordFile& f) {
        auto& p = f.as<OsobyRecord>();
        p.REC.set(1);
        p.ID.set(1);
        p.KONTAKT.set("Jan Novak");
        p.VYROCI.set(1);
        dates::DateParts t;
        (void)dates::dateToParts(state.dnes, t);
        p.NAROZENINY.set(
            dates::dateFromParts(t.month, t.day == 29 && t.month == 2 ? 28 : t.day, t.year - 40));
    });
    std::unique_ptr<QWidget> w(makeTaskList(context, 1));
    ASSERT_TRUE(w);
    auto& list = static_cast<BrowseWindow&>(*w);
    auto* anniversaries = w->findChild<QListWidget*>(QStringLiteral("AnniversaryList"));
    ASSERT_TRUE(anniversaries);
    ASSERT_EQ(anniversaries->count(), 1);
    EXPECT_TRUE(anniversaries->item(0)->text().contains(QStringLiteral("Jan Novak")));
    EXPECT_TRUE(anniversaries->isVisibleTo(w.get()));
    EXPECT_TRUE(list.list().engine().empty()); // not a task
    list.tabs()->setCurrentIndex(kTabAll - 1);
    EXPECT_FALSE(anniversaries->isVisibleTo(w.get()));
    list.tabs()->setCurrentIndex(kTabToday - 1);
    EXPECT_TRUE(anniversaries->isVisibleTo(w.get()));
}

TEST_F(TaskWindowsTest, TheCalendarShowsTheMonthsDaysMarksOpenTasksAndReachesNextYear) {
    const std::int32_t feb = dates::dateFromParts(2, 10, 2028);
    addTask(1, feb);
    addTask(2, feb + 1, true);
    CalendarWindow w(context);
    ASSERT_TRUE(w.opened());
    dates::DateParts t;
    (void)dates::dateToParts(state.dnes, t);
    EXPECT_EQ(w.months()->currentIndex(), t.month - 1);
    EXPECT_EQ(w.yearField()->value(), t.year);
    EXPECT_EQ(w.months()->tabText(1), QString::fromUtf8("Ú&nor"));

    w.yearField()->setValue(2028);
    w.months()->setCurrentIndex(1);
    ASSERT_EQ(w.year(), 2028);
    ASSERT_EQ(w.month(), 2);
    EXPECT_TRUE(w.dayButton(29));
    EXPECT_FALSE(w.dayButton(30));
    EXPECT_EQ(w.dayCell(1), std::make_pair(0, 1)); // Tuesday
    int visible = 0;
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->isCheckable() && b->isVisibleTo(&w)) ++visible;
    EXPECT_EQ(visible, 29);
    EXPECT_TRUE(w.marked(10));
    EXPECT_FALSE(w.marked(11)); // done
    w.dayButton(10)->click();
    EXPECT_EQ(w.day(), 10);
    EXPECT_EQ(w.list().engine().rows().size(), 1u);
    w.dayButton(12)->click();
    EXPECT_TRUE(w.list().engine().empty());

    // December to January of the next year.
    w.showMonth(2026, 12);
    w.yearField()->setValue(2027);
    w.months()->setCurrentIndex(0);
    EXPECT_EQ(w.year(), 2027);
    EXPECT_EQ(w.month(), 1);
    EXPECT_EQ(w.dayCell(1), std::make_pair(0, 4)); // 1 January 2027 is a Friday
}

TEST_F(TaskWindowsTest, ArrowKeysMoveThroughTheDaysAndPagesThroughTheMonths) {
    CalendarWindow w(context);
    ASSERT_TRUE(w.opened());
    w.showMonth(2026, 12);
    w.chooseDay(30);
    const auto press = [&w](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w.dayButton(w.day()), &e);
    };
    press(Qt::Key_Right);
    EXPECT_EQ(w.day(), 31);
    press(Qt::Key_Right); // into the next year
    EXPECT_EQ(w.year(), 2027);
    EXPECT_EQ(w.month(), 1);
    EXPECT_EQ(w.day(), 1);
    EXPECT_EQ(w.months()->currentIndex(), 0);
    EXPECT_EQ(w.yearField()->value(), 2027);
    press(Qt::Key_Up);
    EXPECT_EQ(w.month(), 12);
    EXPECT_EQ(w.day(), 25);
    w.chooseDay(31);
    press(Qt::Key_PageDown); // 31 January
    press(Qt::Key_PageDown); // February has no 31st: its last day
    EXPECT_EQ(w.month(), 2);
    EXPECT_EQ(w.day(), 28);
    EXPECT_TRUE(w.dayButton(28)->isChecked());
}

} // namespace
} // namespace zv::records
