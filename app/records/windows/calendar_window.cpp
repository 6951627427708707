#include "app/records/windows/calendar_window.h"

#include "app/records/kinds/anniversaries.h"
#include "app/records/kinds/month_grid.h"
#include "app/records/kinds/task_actions.h"
#include "app/records/windows/browse_list.h"
#include "platform/dates/standard_date.h"
#include "platform/profile.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

namespace zv::records {
namespace {

constexpr const char* kSection = "Kalendar";

const char* const kMonthTabs[12] = {"&Leden",  "Ú&nor",   "&Březen",   "&Duben",
                                    "&Květen", "Č&erven", "Če&rvenec", "&Srpen",
                                    "&Září",   "Ří&jen",  "L&istopad", "&Prosinec"};
const char* const kWeekdays[7] = {"Po", "Út", "St", "Čt", "Pá", "So", "Ne"};

QString dateText(std::int32_t date) {
    dates::DateParts p;
    if (dates::dateToParts(date, p) != 0) return {};
    return QStringLiteral("%1.%2.%3").arg(p.day).arg(p.month).arg(p.year);
}

} // namespace

CalendarWindow::CalendarWindow(frame::WindowContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Kalendář"));
    files_ = std::make_unique<OpenFiles>(
        context_.services, std::vector<std::string_view>{"UKOLY", "Adresar", "Osoby"});
    if (!files_->ok()) return;

    const std::int32_t today = context_.state.dnes > 0 ? context_.state.dnes : dates::today();
    dates::DateParts now;
    (void)dates::dateToParts(today, now);
    values_ = taskListValues(today);
    int error = 0;
    reminded_ = remindedPersons(context_.db, &error);

    auto* top = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    months_ = new QTabBar(this);
    months_->setObjectName(QStringLiteral("Months"));
    for (const char* m : kMonthTabs)
        months_->addTab(QString::fromUtf8(m));
    months_->setExpanding(false);
    head->addWidget(months_, 1);
    auto* yearPrompt = new QLabel(QStringLiteral("&Rok:"), this);
    yearField_ = new QSpinBox(this);
    yearField_->setObjectName(QStringLiteral("Year"));
    yearField_->setRange(dates::kFirstYear, dates::kLastYear);
    yearField_->setToolTip(QStringLiteral("Rok, jehož měsíce kalendář ukazuje"));
    yearPrompt->setBuddy(yearField_);
    head->addWidget(yearPrompt);
    head->addWidget(yearField_);
    top->addLayout(head);

    auto* grid = new QGridLayout;
    grid->setSpacing(3);
    for (int c = 0; c < 7; ++c) {
        auto* heading = new QLabel(QString::fromUtf8(kWeekdays[c]), this);
        heading->setAlignment(Qt::AlignCenter);
        if (c >= 5) heading->setStyleSheet(QStringLiteral("color: #a00000;"));
        grid->addWidget(heading, 0, c);
    }
    days_ = new QButtonGroup(this);
    days_->setExclusive(true);
    for (int i = 0; i < 42; ++i) {
        auto* b = new QPushButton(this);
        b->setCheckable(true);
        b->setMinimumSize(44, 30);
        b->setFocusPolicy(Qt::StrongFocus);
        b->hide();
        b->installEventFilter(this);
        cells_[std::size_t(i)] = b;
        grid->addWidget(b, 1 + i / 7, i % 7);
    }
    top->addLayout(grid);
    auto* legend = new QLabel(
        QStringLiteral("Tučně a barevně: dny s nesplněnými úkoly; modře podtržený: dnešní den; "
                       "rámeček: vybraný den."),
        this);
    legend->setStyleSheet(QStringLiteral("color: #505050;"));
    top->addWidget(legend);

    dayCaption_ = new QLabel(this);
    top->addWidget(dayCaption_);
    auto engine = std::make_unique<BrowseEngine>(context_.services, dayTasksBrowse(values_), 6);
    if (engine->open() != 0) return;
    list_ = new BrowseList(std::move(engine), this);
    list_->setToolTip(QStringLiteral("Úkoly vybraného dne podle času"));
    dayCaption_->setBuddy(list_->table());
    top->addWidget(list_, 1);

    anniversaryCaption_ = new QLabel(QStringLiteral("Svátky a narozeniny:"), this);
    anniversaries_ = new QListWidget(this);
    anniversaries_->setObjectName(QStringLiteral("AnniversaryList"));
    anniversaries_->setMaximumHeight(80);
    anniversaryCaption_->setBuddy(anniversaries_);
    top->addWidget(anniversaryCaption_);
    top->addWidget(anniversaries_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Zavřít"), this);
    close->setToolTip(QStringLiteral("Zavře kalendář"));
    connect(close, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    buttons->addWidget(close);
    top->addLayout(buttons);

    year_ = now.year;
    day_ = now.day;
    yearField_->setValue(year_);
    connect(months_, &QTabBar::currentChanged, this,
            [this](int index) { showMonth(year_, index + 1); });
    connect(yearField_, &QSpinBox::valueChanged, this,
            [this](int year) { showMonth(year, month_); });
    connect(days_, &QButtonGroup::idClicked, this, [this](int cell) {
        const int day = cell - cellOfDay_[0] + 1;
        chooseDay(day);
    });
    for (int i = 0; i < 42; ++i)
        days_->addButton(cells_[std::size_t(i)], i);

    resize(560, 600);
    ui::restoreWindowState(*this, ProfileFile(startup::kSettingsFile), kSection);
    opened_ = true;
    months_->blockSignals(true);
    months_->setCurrentIndex(now.month - 1);
    months_->blockSignals(false);
    showMonth(year_, now.month);
    if (auto* b = dayButton(day_)) b->setFocus();
}

CalendarWindow::~CalendarWindow() {
    saveState();
}

void CalendarWindow::saveState() {
    if (saved_ || !opened_) return;
    saved_ = true;
    (void)ui::saveWindowState(*this, ProfileFile(startup::kSettingsFile), kSection);
}

void CalendarWindow::done(int r) {
    saveState();
    QDialog::done(r);
    if (!isModal() && parentWidget() && parentWidget()->inherits("QMdiSubWindow"))
        parentWidget()->close();
}

bool CalendarWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    int step = 0;
    if (key == Qt::Key_Left) step = -1;
    if (key == Qt::Key_Right) step = 1;
    if (key == Qt::Key_Up) step = -7;
    if (key == Qt::Key_Down) step = 7;
    if (step != 0) {
        const std::int32_t date = dates::dateFromParts(month_, day_, year_) + step;
        dates::DateParts p;
        if (dates::dateToParts(date, p) == 0) {
            day_ = p.day;
            if (p.month != month_ || p.year != year_)
                showMonth(p.year, p.month);
            else
                chooseDay(p.day);
            if (auto* b = dayButton(day_)) b->setFocus();
        }
        return true;
    }
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        int month = month_ + (key == Qt::Key_PageUp ? -1 : 1), year = year_;
        if (month < 1) month = 12, --year;
        if (month > 12) month = 1, ++year;
        showMonth(year, month);
        if (auto* b = dayButton(day_)) b->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QPushButton* CalendarWindow::dayButton(int day) const {
    if (day < 1 || day > dates::monthLength(month_, year_)) return nullptr;
    return cells_[std::size_t(cellOfDay_[0] + day - 1)];
}

std::pair<int, int> CalendarWindow::dayCell(int day) const {
    if (!dayButton(day)) return {-1, -1};
    const int cell = cellOfDay_[0] + day - 1;
    return {cell / 7, cell % 7};
}

bool CalendarWindow::marked(int day) const {
    return day >= 1 && day <= 31 && marked_[std::size_t(day)];
}

void CalendarWindow::showMonth(int year, int month) {
    const auto cells = monthGrid(year, month);
    if (cells.empty()) return;
    year_ = year;
    month_ = month;
    if (yearField_->value() != year) {
        yearField_->blockSignals(true);
        yearField_->setValue(year);
        yearField_->blockSignals(false);
    }
    if (months_->currentIndex() != month - 1) {
        months_->blockSignals(true);
        months_->setCurrentIndex(month - 1);
        months_->blockSignals(false);
    }
    for (auto* b : cells_)
        b->hide();
    cellOfDay_[0] = cells.front().row * 7 + cells.front().column;
    for (const auto& c : cells) {
        auto* b = cells_[std::size_t(c.row * 7 + c.column)];
        b->setText(QString::number(c.day));
        b->show();
    }
    markDays();
    chooseDay(std::min(day_, static_cast<int>(cells.size())));
}

void CalendarWindow::markDays() {
    marked_.fill(false);
    const std::int32_t first = dates::dateFromParts(month_, 1, year_);
    const int length = dates::monthLength(month_, year_);
    const std::int32_t today = values_->dnes;
    int error = 0;
    for (std::int32_t due :
         daysWithOpenTasks(context_.db.file("UKOLY"), first, first + length - 1, &error))
        marked_[std::size_t(due - first + 1)] = true;
    for (int day = 1; day <= length; ++day) {
        auto* b = dayButton(day);
        QFont f = b->font();
        f.setBold(marked_[std::size_t(day)]);
        b->setFont(f);
        QString style;
        if (marked_[std::size_t(day)])
            style += first + day - 1 < today ? QStringLiteral("background-color: #ff8080;")
                                             : QStringLiteral("background-color: #ffff80;");
        if (first + day - 1 == today)
            style += QStringLiteral("color: #0030c0; text-decoration: underline;");
        b->setStyleSheet(QStringLiteral("QPushButton {%1} QPushButton:checked {border: 3px solid "
                                        "#203080; border-radius: 3px;}")
                             .arg(style));
        b->setToolTip(marked_[std::size_t(day)] ? QStringLiteral("Tento den má nesplněné úkoly")
                                                : QString());
    }
}

void CalendarWindow::chooseDay(int day) {
    auto* b = dayButton(day);
    if (!b) return;
    day_ = day;
    b->setChecked(true);
    const std::int32_t date = dates::dateFromParts(month_, day, year_);
    values_->day = date;
    dayCaption_->setText(QStringLiteral("Úkoly &dne %1:").arg(dateText(date)));
    list_->engine().setOrder(1, true);
    list_->sync();
    anniversaries_->clear();
    for (const auto& a : anniversariesOn(context_.db, reminded_, date))
        anniversaries_->addItem(ui::qtText(anniversaryText(a)));
    anniversaryCaption_->setVisible(anniversaries_->count() > 0);
    anniversaries_->setVisible(anniversaries_->count() > 0);
}

} // namespace zv::records
