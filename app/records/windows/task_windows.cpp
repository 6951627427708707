#include "app/records/windows/task_windows.h"

#include "app/records/kinds/anniversaries.h"
#include "app/records/kinds/task_actions.h"
#include "app/records/kinds/tasks.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/calendar_window.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/record_windows.h"
#include "app/shell/dictionary/records.h"
#include "platform/dates/standard_date.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/text.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace zv::records {
namespace {

// Counts the task lists open at a time for as long as it lives.
class OpenInstance : public QObject {
public:
    OpenInstance(QObject* window, int& count) : QObject(window), count_(count) { ++count_; }
    ~OpenInstance() override { --count_; }

private:
    int& count_;
};

FormOutcome runUkolyForm(frame::WindowContext& context, QWidget* parent, int request) {
    FormDecl decl = ukolyForm(context.state);
    // The frame's reminders look at the tasks again.
    decl.completed = [&context] { context.state.rescanTasks = true; };
    return runForm(context, parent, std::move(decl), request);
}

// Today's name days and birthdays, shown under the list on the tabs of today's tasks.
QWidget* anniversaryPanel(frame::WindowContext& context, QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("Anniversaries"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Výročí dnes (svátky a narozeniny):"), panel);
    auto* list = new QListWidget(panel);
    list->setObjectName(QStringLiteral("AnniversaryList"));
    list->setToolTip(QStringLiteral("Osoby se zaškrtnutým „Upozornit“, které mají dnes svátek "
                                    "nebo narozeniny"));
    caption->setBuddy(list);
    int error = 0;
    for (const auto& a : anniversariesOn(context.db, context.state.dnes, &error)) {
        auto* item = new QListWidgetItem(ui::qtText(anniversaryText(a)), list);
        item->setData(Qt::UserRole, a.firm);
    }
    list->setMaximumHeight(list->sizeHintForRow(0) * std::min(list->count(), 4) +
                           2 * list->frameWidth() + 4);
    layout->addWidget(caption);
    layout->addWidget(list);
    panel->setProperty("entries", list->count());
    panel->setVisible(list->count() > 0);
    return panel;
}

void completeHighlighted(frame::WindowContext& context, BrowseWindow& w) {
    BrowseEngine& engine = w.list().engine();
    if (engine.empty() || !engine.readCurrent()) return;
    auto& ukoly = engine.file();
    const std::int32_t number = ukoly.as<rec::UkolyRecord>().CUKOLU.get();
    const int code = completeTask(ukoly, context.state, number, dates::today(), dates::clockTime(),
                                  context.state.userName);
    if (code != 0) {
        context.services.saveError();
        context.services.message(msg::ProcessError, ukoly.name(), "PUT");
    }
    if (context.runtime)
        for (int thread : remindersOf(context.state, number))
            context.runtime->close(thread);
    engine.refresh(RefreshMode::KeepHighlight);
    w.list().sync();
}

void chooseFirm(frame::WindowContext& context, BrowseWindow& w, TaskListValues& values) {
    if (!selectFirm(context, &w)) return;
    values.firm = context.db.file("Adresar").as<rec::AdresarRecord>().ID.get();
    if (w.tabs()) w.tabs()->setCurrentIndex(kTabFirm - 1);
    w.list().engine().setOrder(kTabFirm, true);
    w.list().sync();
}

} // namespace

QWidget* makeTaskList(frame::WindowContext& context, int /*thread*/) {
    auto values = taskListValues(context.state.dnes);
    BrowseWindowSpec look;
    look.title = QStringLiteral("Procházím záznamy o úkolech");
    look.section = "Ukoly_S";
    look.listHint = QStringLiteral("Seznam úkolů");
    look.selectHint = QStringLiteral("Vybere úkol pod kurzorem");
    look.insertHint = QStringLiteral("Přidá úkol do systému");
    look.changeHint = QStringLiteral("Změní úkol pod kurzorem");
    look.deleteHint = QStringLiteral("Zruší úkol pod kurzorem");
    look.closeHint = QStringLiteral("Uzavře okno s úkoly");
    look.helpHint = QStringLiteral("Zobrazí nápovědu");
    look.form = [&context](QWidget* parent, int request) {
        return runUkolyForm(context, parent, request);
    };
    look.files = {"Adresar", "Osoby"};
    look.buttons = {
        {QStringLiteral("Úkol s&plněn"),
         QStringLiteral("Zmáčkněte toto tlačítko, jestliže jste úkol splnili"),
         true,
         {}},
        {QStringLiteral("Z&obraz úkoly"),
         QStringLiteral("Zobrazí detailní pohledy na aktuální úkoly"), true,
         [&context] { context.state.rescanTasks = true; }},
        {QStringLiteral("&Vyber firmu"),
         QStringLiteral("Vybere firmu, jejíž úkoly se ukážou"),
         true,
         {}},
    };
    look.panel = [&context](QWidget* parent) { return anniversaryPanel(context, parent); };
    auto* w = new BrowseWindow(context, ukolyBrowse(values), std::move(look), 0);
    if (!w->opened()) {
        delete w;
        return nullptr;
    }
    new OpenInstance(w, context.state.taskLists);
    QObject::connect(w->button(QStringLiteral("Úkol s&plněn")), &QPushButton::clicked, w,
                     [&context, w] { completeHighlighted(context, *w); });
    QObject::connect(w->button(QStringLiteral("&Vyber firmu")), &QPushButton::clicked, w,
                     [&context, w, values] { chooseFirm(context, *w, *values); });
    if (auto* panel = w->findChild<QWidget*>(QStringLiteral("Anniversaries")); panel && w->tabs()) {
        const bool any = panel->property("entries").toInt() > 0;
        QObject::connect(w->tabs(), &QTabBar::currentChanged, panel, [panel, any](int index) {
            panel->setVisible(any && (index == kTabCurrent - 1 || index == kTabToday - 1));
        });
    }
    return w;
}

void addTaskProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    table["UKOLY_S"].start = [&context](int thread) { return makeTaskList(context, thread); };
    table["KALENDAR"].start = [&context](int /*thread*/) -> QWidget* {
        auto* w = new CalendarWindow(context);
        if (!w->opened()) {
            delete w;
            return nullptr;
        }
        return w;
    };
}

} // namespace zv::records
