// MAIN: the program's frame. The MDI window "Zevlonský Informační Systém" with
// its menu, toolbar and status bar (zone 2 task messages, 3 today's date, 4 the
// time, 5 the user); at opening it identifies the user, reads ZEVLON.INI, names
// the data files, shows the joke of the day and starts the address list; its
// timer keeps the reminders of due tasks.
#pragma once

#include "procedures.h"
#include "window_commands.h"

#include "app/shell/frame/window_context.h"
#include "app/shell/startup/task_reminders.h"
#include "ui/runtime/procedure_runtime.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;

namespace zv::ui {
class HelpBook;
}

namespace zv::frame {

class MainFrame : public QMainWindow {
public:
    MainFrame(frame::WindowContext& context, ProcedureTable procedures);
    ~MainFrame() override;

    // The steps of the frame's opening (the user, settings, file names, the joke,
    // the address list, the user programs). False when the program is to end.
    bool open();

    // One tick of the timer (tests call it with their own clock values).
    void tick(std::int32_t today, std::int32_t now, std::int64_t elapsed);

    ui::ProcedureRuntime& runtime() { return *runtime_; }
    // The help of every window (F1, "Help" buttons, the "&Help" menu).
    ui::HelpBook& help() { return *help_; }
    QMdiArea* mdiArea() const { return area_; }
    QAction* action(const QString& objectName) const;
    QLabel* zone(int n) const { return zones_.at(static_cast<std::size_t>(n)); }

    // A step of the opening once the settings are read and the files named,
    // before the joke and the address list (the order of text keys is settled here).
    void setSettledStep(std::function<void(QWidget* parent)> step) { settled_ = std::move(step); }

    // Test hooks: skip the modal start-up windows.
    void setInteractive(bool on) { interactive_ = on; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildHelpMenu();
    void buildToolbar();
    void buildStatusBar();
    QAction* item(QMenu* menu, const QString& text, const QString& hint, const char* procedure,
                  bool call = false);
    // An item the active window serves (window_commands.h).
    QAction* command(QMenu* menu, const QString& text, std::string_view name);
    CommandTarget* activeTarget() const;
    void updateCommands();
    void run(const char* procedure, bool call);
    void showClock();
    void applyToolItems();
    void checkHalt();

    frame::WindowContext& context_;
    ProcedureTable procedures_;
    QMdiArea* area_;
    std::unique_ptr<ui::ProcedureRuntime> runtime_;
    std::unique_ptr<ui::HelpBook> help_;
    startup::TaskReminders reminders_;
    QTimer* timer_;
    QElapsedTimer elapsed_;
    std::array<QLabel*, 6> zones_{}; // 2..5 used
    std::array<QAction*, 8> toolItems_{};
    std::vector<std::pair<QAction*, std::string_view>> commands_; // items the active window serves
    bool interactive_ = true;
    std::function<void(QWidget*)> settled_;
};

} // namespace zv::frame
