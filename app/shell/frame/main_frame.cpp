#include "main_frame.h"

#include "reminder_window.h"
#include "startup_windows.h"

#include "app/shell/dictionary/records.h"
#include "app/shell/help/help_topics.h"
#include "app/shell/startup/default_settings.h"
#include "app/shell/startup/joke_of_the_day.h"
#include "platform/codepage.h"
#include "platform/dates/picture.h"
#include "platform/dates/standard_date.h"
#include "platform/program_start.h"
#include "platform/system_profile.h"
#include "platform/user_name.h"
#include "ui/help/help_book.h"
#include "ui/window/icons.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace zv::frame {

namespace {

constexpr const char* kSection = "Main";

ProfileFile settingsFile() {
    return ProfileFile(startup::kSettingsFile);
}

// The first place of the help pages that holds the contents page.
QString helpDirectory() {
    const auto places = help::helpDirectories(QApplication::applicationDirPath().toStdString());
    for (const std::string& place : places) {
        const QString dir = QString::fromStdString(place);
        if (QFileInfo::exists(dir + QLatin1Char('/') + QString::fromUtf8(help::kContentsPage)))
            return QFileInfo(dir).absoluteFilePath();
    }
    return QString::fromStdString(places.front());
}

std::unique_ptr<ui::HelpBook> makeHelpBook() {
    auto book = std::make_unique<ui::HelpBook>(
        helpDirectory(),
        [](const QString& topic) {
            const std::string_view page = help::pageOf(topic.toStdString());
            return QString::fromUtf8(page.data(), qsizetype(page.size()));
        },
        QString::fromUtf8(help::kContentsPage), QString::fromUtf8(help::kHowToPage));
    book->install();
    return book;
}

} // namespace

MainFrame::MainFrame(frame::WindowContext& context, ProcedureTable procedures)
    : context_(context), procedures_(std::move(procedures)), area_(new QMdiArea(this)),
      runtime_(std::make_unique<ui::ProcedureRuntime>(area_)), help_(makeHelpBook()),
      reminders_(context.services, context.state), timer_(new QTimer(this)) {
    setObjectName("MAIN");
    setWindowTitle(QStringLiteral("Zevlonský Informační Systém"));
    setWindowIcon(ui::icon(ui::IconKind::Program));
    QApplication::setWindowIcon(windowIcon()); // the help window and the dialogs too
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    context_.runtime = runtime_.get();
    buildMenus();
    buildToolbar();
    buildStatusBar();
    resize(1000, 700);
    elapsed_.start();
    timer_->setInterval(1000); // one tick a second
    connect(timer_, &QTimer::timeout, this,
            [this] { tick(dates::today(), dates::clockTime(), elapsed_.elapsed() / 10); });
    showClock();
}

MainFrame::~MainFrame() {
    context_.runtime = nullptr;
}

QAction* MainFrame::item(QMenu* menu, const QString& text, const QString& hint,
                         const char* procedure, bool call) {
    QAction* a = menu->addAction(text);
    a->setStatusTip(hint);
    if (procedure) {
        a->setObjectName(QString::fromLatin1(procedure));
        const auto found = procedures_.find(procedure);
        const bool available = found != procedures_.end() &&
                               (call ? bool(found->second.call) : bool(found->second.start));
        a->setEnabled(available);
        connect(a, &QAction::triggered, this, [this, procedure, call] { run(procedure, call); });
    } else {
        a->setEnabled(false);
    }
    return a;
}

QAction* MainFrame::command(QMenu* menu, const QString& text, std::string_view name) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name.data(), int(name.size())));
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, [this, name] {
        if (CommandTarget* target = activeTarget(); target && target->serves(name))
            target->runCommand(name);
    });
    commands_.push_back({a, name});
    return a;
}

CommandTarget* MainFrame::activeTarget() const {
    QMdiSubWindow* sub = area_->activeSubWindow();
    return sub ? dynamic_cast<CommandTarget*>(sub->widget()) : nullptr;
}

void MainFrame::updateCommands() {
    CommandTarget* target = activeTarget();
    for (const auto& [action, name] : commands_)
        action->setEnabled(target && target->serves(name));
}

void MainFrame::run(const char* procedure, bool call) {
    const auto found = procedures_.find(procedure);
    if (found == procedures_.end()) return;
    if (call) {
        if (found->second.call) found->second.call();
    } else if (found->second.start) {
        const int stack = std::string_view(procedure) == "ADRESAR_S" ? 50000 : 25000;
        runtime_->start(found->second.start, stack);
    }
    checkHalt();
}

void MainFrame::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* system = bar->addMenu(QStringLiteral("&System"));
    item(system, QStringLiteral("&Data"), QStringLiteral("Uložení dat"), "DATASHO");
    item(system, QStringLiteral("&Oprava klíčů"), {}, "OPRAVAKLICU");
    item(system, QStringLiteral("&Kategorie"), QStringLiteral("Zobraz kategorie"), "KATEGORIE_U",
         true);
    item(system, QStringLiteral("&Vtipy"), {}, "VTIPYSHOW");
    QMenu* backup = system->addMenu(QStringLiteral("&Záloha"));
    item(backup, QStringLiteral("Proveď zálohu"), {}, "ZALOHUJ");
    item(backup, QStringLiteral("Obnov ze zálohy"), {}, "OBNOV");
    item(backup, QStringLiteral("Nastavení zálohy"), {}, "NASTAVENIZALOHY");
    system->addSeparator();
    QAction* exit = system->addAction(QStringLiteral("E&xit"));
    exit->setObjectName("Exit");
    exit->setStatusTip(QStringLiteral("Exit this application"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    const struct {
        const char* text;
        const char* hint;
        const char* slot;
    } clipboard[] = {{"Cu&t", "Remove item to Windows Clipboard", "cut"},
                     {"&Copy", "Copy item to Windows Clipboard", "copy"},
                     {"&Paste", "Paste contents of Windows Clipboard", "paste"}};
    for (const auto& c : clipboard) {
        QAction* a = edit->addAction(QString::fromLatin1(c.text));
        a->setStatusTip(QString::fromLatin1(c.hint));
        const char* slot = c.slot;
        connect(a, &QAction::triggered, this, [slot] {
            if (QWidget* w = QApplication::focusWidget()) QMetaObject::invokeMethod(w, slot);
        });
    }

    QMenu* view = bar->addMenu(QStringLiteral("&Zobraz"));
    item(view, QStringLiteral("&Adresář"), QStringLiteral("Zobrazí adresář firem"), "ADRESAR_S");
    item(view, QStringLiteral("Ú&koly"), QStringLiteral("Zobrazí seznam úkolů"), "UKOLY_S");
    item(view, QStringLiteral("&Kalendář"), {}, "KALENDAR");
    item(view, QStringLiteral("K&líče"), {}, "EVKLIC_S");
    item(view, QStringLiteral("&Operace"), {}, "OPERACE_S");
    item(view, QStringLiteral("&Klasifikace"), {}, "KLASIFIK_S");

    QMenu* selections = bar->addMenu(QStringLiteral("&Výběry"));
    item(selections, QStringLiteral("&Ukaž výběr"), {}, "VYBER_S");
    QMenu* picking = selections->addMenu(QStringLiteral("Vy&bírání položek"));
    command(picking, QStringLiteral("Vyber &všechny"), command::kAddAll);
    command(picking, QStringLiteral("&Zruš všechny"), command::kRemoveAll);
    QMenu* add = picking->addMenu(QStringLiteral("&Přidej k vybraným"));
    command(add, QStringLiteral("Podle &položky"), command::kAddByField);
    command(add, QStringLiteral("Podle &klíče"), command::kAddByKey);
    QMenu* remove = picking->addMenu(QStringLiteral("&Uber z vybraných"));
    command(remove, QStringLiteral("Podle &položky"), command::kRemoveByField);
    command(remove, QStringLiteral("Podle &klíče"), command::kRemoveByKey);
    command(selections, QStringLiteral("&Načti výběr"), command::kLoad);
    command(selections, QStringLiteral("U&lož výběr"), command::kSave);
    item(selections, QStringLiteral("&Export"), {}, "EXPORT_W");
    item(selections, QStringLiteral("&Import"), {}, "IMPORT_W");

    QMenu* print = bar->addMenu(QStringLiteral("&Tisk"));
    command(print, QStringLiteral("&Nastavení tisku"), command::kPrintSetup);
    command(print, QStringLiteral("Ti&sk štítků"), command::kLabels);
    command(print, QStringLiteral("Tisk &přehled dle Firem"), command::kByFirms);
    command(print, QStringLiteral("Tisk &přehled dle Měst"), command::kByTowns);
    // The items follow the active window, and its state when a menu opens.
    connect(area_, &QMdiArea::subWindowActivated, this, [this] { updateCommands(); });
    for (QMenu* m : {selections, picking, add, remove, print})
        connect(m, &QMenu::aboutToShow, this, [this] { updateCommands(); });

    QMenu* tools = bar->addMenu(QStringLiteral("P&ovely"));
    item(tools, QStringLiteral("&Poznámky"), {}, "POZNAMKY_S");
    for (int n = 1; n <= 8; ++n) {
        QAction* a = tools->addAction(QStringLiteral("&%1").arg(n));
        a->setObjectName(QStringLiteral("Tool%1").arg(n));
        connect(a, &QAction::triggered, this, [this, n] {
            const std::string& command =
                context_.state.toolCommands[static_cast<std::size_t>(n - 1)];
            std::string line = command;
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            (void)startProgram(line);
        });
        toolItems_[static_cast<std::size_t>(n - 1)] = a;
    }
    item(tools, QStringLiteral("&Sportka"), {}, "SPORTKA");

    QMenu* windows = bar->addMenu(QStringLiteral("&Okna"));
    windows->menuAction()->setStatusTip(QStringLiteral("Create and Arrange windows"));
    QAction* tile = windows->addAction(QStringLiteral("T&ile"));
    tile->setStatusTip(QStringLiteral("Make all open windows visible"));
    connect(tile, &QAction::triggered, area_, &QMdiArea::tileSubWindows);
    QAction* cascade = windows->addAction(QStringLiteral("&Cascade"));
    cascade->setStatusTip(QStringLiteral("Stack all open windows"));
    connect(cascade, &QAction::triggered, area_, &QMdiArea::cascadeSubWindows);
    QAction* arrange = windows->addAction(QStringLiteral("&Arrange Icons"));
    arrange->setStatusTip(QStringLiteral("Align all window icons"));
    connect(arrange, &QAction::triggered, this, [this] {
        // Minimized windows in a row along the bottom of the frame's area.
        int x = 0;
        for (QMdiSubWindow* sub : area_->subWindowList()) {
            if (!sub->isMinimized()) continue;
            sub->move(x, area_->viewport()->height() - sub->height());
            x += sub->width();
        }
    });

    buildHelpMenu();
}

void MainFrame::buildHelpMenu() {
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->menuAction()->setStatusTip(QStringLiteral("Windows Help"));
    QAction* contents = help->addAction(QStringLiteral("&Obsah"));
    contents->setObjectName("HelpContents");
    contents->setStatusTip(QStringLiteral("Zobrazí obsah nápovědy"));
    connect(contents, &QAction::triggered, this, [this] { help_->showContents(); });
    QAction* search = help->addAction(QStringLiteral("Hledat"));
    search->setObjectName("HelpSearch");
    search->setStatusTip(QStringLiteral("Vyhledá v nápovědě stránky se zadanými slovy"));
    connect(search, &QAction::triggered, this, [this] { help_->showSearch(); });
    QAction* howTo = help->addAction(QStringLiteral("&Jak používat Help"));
    howTo->setObjectName("HelpHowTo");
    howTo->setStatusTip(QStringLiteral("Zobrazí jak používat Help"));
    connect(howTo, &QAction::triggered, this, [this] { help_->showHowTo(); });
    help->addSeparator();
    item(help, QStringLiteral("&O programu"), {}, "INFOSHO", true);
}

void MainFrame::buildToolbar() {
    QToolBar* bar = addToolBar(QStringLiteral("Nástroje"));
    bar->setObjectName("Toolbar");
    bar->setMovable(false);
    bar->setIconSize(QSize(32, 32));
    struct Button {
        ui::IconKind icon;
        const char* hint;
        const char* procedure; // null: close the frame
        int stack;
    };
    const Button buttons[] = {{ui::IconKind::Addresses, "Zobrazí adresy", "ADRESAR_S", 38000},
                              {ui::IconKind::Selection, "Zobrazí výběry", "VYBER_S", 25000},
                              {ui::IconKind::Exit, "Ukončí program", nullptr, 0},
                              {ui::IconKind::Tasks, "Zobrazí úkoly", "UKOLY_S", 25000}};
    for (const Button& b : buttons) {
        QAction* a = bar->addAction(ui::icon(b.icon), QString::fromUtf8(b.hint));
        a->setStatusTip(QString::fromUtf8(b.hint));
        a->setToolTip(QString::fromUtf8(b.hint));
        if (!b.procedure) {
            a->setObjectName("ToolbarExit");
            connect(a, &QAction::triggered, this, &QWidget::close);
            continue;
        }
        a->setObjectName(QStringLiteral("Toolbar_") + QString::fromLatin1(b.procedure));
        const auto found = procedures_.find(b.procedure);
        a->setEnabled(found != procedures_.end() && bool(found->second.start));
        const char* procedure = b.procedure;
        const int stack = b.stack;
        connect(a, &QAction::triggered, this, [this, procedure, stack] {
            const auto p = procedures_.find(procedure);
            if (p != procedures_.end() && p->second.start) runtime_->start(p->second.start, stack);
            checkHalt();
        });
    }
}

void MainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    const int widths[] = {0, 0, 16, 10, 6, 14}; // in characters, zones 2..5
    for (int n = 2; n <= 5; ++n) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Zone%1").arg(n));
        label->setFrameShape(QFrame::StyledPanel);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                               widths[n]);
        label->setAlignment(n == 2 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        bar->addPermanentWidget(label);
        zones_[static_cast<std::size_t>(n)] = label;
    }
}

QAction* MainFrame::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void MainFrame::showClock() {
    static const auto date = dates::compile("@d5.");
    static const auto time = dates::compile("@t1");
    if (date) zones_[3]->setText(ui::qtText(dates::format(*date, dates::today())));
    if (time) zones_[4]->setText(ui::qtText(dates::format(*time, dates::clockTime())));
}

void MainFrame::applyToolItems() {
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string& name = context_.state.toolNames[i];
        toolItems_[i]->setVisible(!name.empty());
        if (!name.empty()) toolItems_[i]->setText(ui::qtText(name));
    }
}

bool MainFrame::open() {
    auto& state = context_.state;
    if (interactive_) state.userName = identifyUser(currentUserName(), this);
    if (state.userName.empty()) return false;

    // Windows designed for the "Corvid CE" face show Czech letters through a substitute.
    const ProfileFile system = systemProfile();
    if (system.getString("FontSubstitutes", "Corvid CE").empty())
        (void)system.writeString("FontSubstitutes", "Corvid CE", "Arial,238");

    // The first start in a directory without settings is a new installation.
    (void)startup::settleNewInstallation(settingsFile());
    startup::readSettings(settingsFile(), state);
    zones_[5]->setText(ui::qtText(state.userName));
    context_.db.setDataPrefix(state.dataPrefix);
    context_.db.setCzechOrder(state.czechOrder);
    if (settled_) settled_(this);

    if (interactive_) {
        const std::string joke = startup::jokeOfTheDay(context_.services, [](int low, int high) {
            return static_cast<int>(QRandomGenerator::global()->bounded(low, high + 1));
        });
        JokeWindow(joke, 8000, this).exec();
    }
    checkHalt();
    if (procedures_.count("ADRESAR_S") && procedures_["ADRESAR_S"].start)
        runtime_->start(procedures_["ADRESAR_S"].start, 50000);
    applyToolItems();
    timer_->start();
    QTimer::singleShot(
        0, this, [this] { tick(dates::today(), dates::clockTime(), elapsed_.elapsed() / 10); });
    return true;
}

void MainFrame::tick(std::int32_t today, std::int32_t now, std::int64_t elapsed) {
    const auto start = [this](std::int32_t task) {
        std::function<void(std::int32_t)> openFirm;
        const auto form = procedures_.find("ADRESAR_U");
        if (form != procedures_.end() && form->second.call) {
            openFirm = [this](std::int32_t firm) {
                context_.db.file("Adresar").as<rec::AdresarRecord>().ID.set(firm);
                run("ADRESAR_U", true);
            };
        }
        return runtime_->start(
            [this, task, openFirm](int thread) -> QWidget* {
                context_.state.reminderSlots[static_cast<std::size_t>(thread)] = task;
                return new ReminderWindow(context_, thread, openFirm);
            },
            25000);
    };
    reminders_.tick(today, now, elapsed, start,
                    [this](const std::string& text) { zones_[2]->setText(ui::qtText(text)); });
    showClock();
    checkHalt();
}

void MainFrame::checkHalt() {
    if (!context_.services.haltRequested) return;
    context_.services.haltRequested = false;
    timer_->stop();
    QMessageBox::critical(this, QStringLiteral("ZEVLON"), QStringLiteral("Disk Error"));
    QApplication::exit(1);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    timer_->stop();
    area_->closeAllSubWindows();
    (void)ui::saveWindowState(*this, settingsFile(), kSection);
    event->accept();
}

} // namespace zv::frame
