// KALENDAR: a month of day buttons under "Po" … "Ne" with twelve month tabs
// and the year beside them; the chosen day's tasks in due order, and the name
// days and birthdays of that day. Days with open tasks are marked.
#pragma once

#include "app/records/kinds/anniversaries.h"
#include "app/records/kinds/tasks.h"
#include "app/records/windows/open_files.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>

#include <array>
#include <memory>

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabBar;

namespace zv::records {

class BrowseList;

class CalendarWindow : public QDialog {
public:
    explicit CalendarWindow(frame::WindowContext& context, QWidget* parent = nullptr);
    ~CalendarWindow() override;
    bool opened() const { return opened_; }

    int year() const { return year_; }
    int month() const { return month_; }
    int day() const { return day_; }
    // Shows a month; the day stays the same where the month has it, else its last day.
    void showMonth(int year, int month);
    void chooseDay(int day);

    QTabBar* months() const { return months_; }
    QSpinBox* yearField() const { return yearField_; }
    // The button of day 1..31 of the month shown; null when the month has no such day.
    QPushButton* dayButton(int day) const;
    // Where day 1..31 stands in the grid (row, column), or (-1, -1).
    std::pair<int, int> dayCell(int day) const;
    // Whether day's button is marked for open tasks.
    bool marked(int day) const;
    BrowseList& list() { return *list_; }
    QListWidget* anniversaries() const { return anniversaries_; }

protected:
    void done(int r) override;
    // Arrow keys on a day button move to the day beside it, Page Up and Page Down
    // to the month before and after.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void markDays();
    void saveState();

    frame::WindowContext& context_;
    std::unique_ptr<OpenFiles> files_;
    std::shared_ptr<TaskListValues> values_;
    std::vector<RemindedPerson> reminded_; // read once, for every day shown
    bool opened_ = false;
    bool saved_ = false;
    int year_ = 0, month_ = 0, day_ = 0;
    QTabBar* months_ = nullptr;
    QSpinBox* yearField_ = nullptr;
    QButtonGroup* days_ = nullptr;
    std::array<QPushButton*, 42> cells_{};
    std::array<int, 32> cellOfDay_{};
    std::array<bool, 32> marked_{};
    QLabel* dayCaption_ = nullptr;
    BrowseList* list_ = nullptr;
    QLabel* anniversaryCaption_ = nullptr;
    QListWidget* anniversaries_ = nullptr;
};

} // namespace zv::records
