// ADRESAR_S and ADRESAR_U: the firm list and the firm form with its four
// dependent lists.
#include "app/records/windows/record_windows.h"

#include "app/records/browse/list_format.h"
#include "app/records/kinds/address_book.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/entity_forms.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/open_files.h"
#include "app/shell/dictionary/records.h"
#include "platform/profile.h"
#include "platform/program_start.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/text.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zv::records {
namespace {

std::int32_t gDraggedFirmId = 0;

FormOutcome runAdresarForm(frame::WindowContext& context, QWidget* parent, int request,
                           bool navigation);

bool startDetached(const std::string& commandLine) {
    return startProgram(commandLine);
}

ProgramStarter& programStarter() {
    static ProgramStarter starter = startDetached;
    return starter;
}

BrowseWindowSpec adresarSpec(frame::WindowContext& context) {
    BrowseWindowSpec look;
    look.title = QStringLiteral("Procházím adresář");
    look.section = "Adresar_S";
    look.formatKey = "?Browse:1";
    look.selectHint = QStringLiteral("Vybere firmu pod kurzorem");
    look.insertHint = QStringLiteral("Přidá firmu");
    look.changeHint = QStringLiteral("Změní záznam o firmě");
    look.deleteHint = QStringLiteral("Zruší záznam o firmě");
    look.closeHint = QStringLiteral("Uzavře okno");
    look.helpHint = QStringLiteral("Zobrazí nápovědu");
    look.countPrompt = QStringLiteral("Počet záznamů:");
    look.countHint = QStringLiteral("Celkový počet záznamů o firmách");
    look.animated = true;
    look.form = [&context](QWidget* parent, int request) {
        return runAdresarForm(context, parent, request, true);
    };
    look.drag = [](const BrowseRow& row) -> QMimeData* {
        const auto& firm = *reinterpret_cast<const rec::AdresarRecord*>(row.record.data());
        gDraggedFirmId = firm.ID.get();
        auto* mime = new QMimeData;
        mime->setData(kFirmDragMimeType, kFirmDragIdentifier.toUtf8());
        mime->setText(QString::number(gDraggedFirmId));
        return mime;
    };
    return look;
}

// One of the firm form's lists of dependent records with its buttons.
struct DependentList {
    BrowseList* list = nullptr;
    std::string formatKey;
};

using DependentForm =
    std::function<FormOutcome(frame::WindowContext&, QWidget*, int request, std::int32_t firm)>;

DependentList addDependentList(FormWindow& w, QVBoxLayout* page, BrowseDecl decl,
                               DependentForm form, std::string formatKey, QHBoxLayout* buttons) {
    auto engine = std::make_unique<BrowseEngine>(w.context().services, std::move(decl), 5);
    (void)engine->open();
    auto* list = new BrowseList(std::move(engine), page->parentWidget());
    page->addWidget(list, 1);
    const ProfileFile ini(startup::kSettingsFile);
    if (auto widths = parseListWidths(ini.getString("Adresar_U", formatKey),
                                      list->engine().decl().columns.size()))
        list->setColumnWidths(*widths);
    auto& context = w.context();
    auto run = [&w, &context, list, form](int request) {
        if (request != kRequestInsert && list->engine().empty()) return;
        w.storeFields(); // the screen's values into the firm's buffer first
        const std::int32_t firm = w.file().as<rec::AdresarRecord>().ID.get();
        list->engine().runRequest(request, [&](int r) { return form(context, &w, r, firm); });
        list->sync();
    };
    auto addButton = [&](const QString& text, int request) {
        auto* b = new QPushButton(text, page->parentWidget());
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, &w, [run, request] { run(request); });
        buttons->addWidget(b);
        return b;
    };
    auto* insert = addButton(QStringLiteral("&Insert"), kRequestInsert);
    auto* change = addButton(QStringLiteral("&Change"), kRequestChange);
    auto* remove = addButton(QStringLiteral("&Delete"), kRequestDelete);
    list->onInsert = [run] { run(kRequestInsert); };
    list->onChange = [run] { run(kRequestChange); };
    list->onDelete = [run] { run(kRequestDelete); };
    list->onMoved = [list, change, remove] {
        change->setEnabled(!list->engine().empty());
        remove->setEnabled(!list->engine().empty());
    };
    (void)insert;
    page->addLayout(buttons);
    return {list, std::move(formatKey)};
}

} // namespace

std::int32_t draggedFirmId() {
    return gDraggedFirmId;
}

void addAddressBookProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    table["ADRESAR_S"].start = [&context](int thread) {
        return makeAdresarBrowse(context, thread, 0);
    };
    // The caller leaves the firm's ADR:ID in Adresar's buffer.
    table["ADRESAR_U"].call = [&context] {
        auto& adr = context.db.file("Adresar");
        (void)callAdresarFormForFirm(context, nullptr, adr.as<rec::AdresarRecord>().ID.get());
    };
}

void setProgramStarter(ProgramStarter starter) {
    programStarter() = starter ? std::move(starter) : ProgramStarter(startDetached);
}

QWidget* makeAdresarBrowse(frame::WindowContext& context, int /*thread*/, int request) {
    auto* w = new BrowseWindow(context, adresarBrowse(), adresarSpec(context), request);
    if (!w->opened()) {
        delete w;
        return nullptr;
    }
    return w;
}

bool selectFirm(frame::WindowContext& context, QWidget* parent) {
    BrowseWindow w(context, adresarBrowse(), adresarSpec(context), kRequestSelect, parent);
    if (!w.opened()) return false;
    w.setModal(true);
    if (context.runtime)
        context.runtime->call(w);
    else
        w.exec();
    context.state.actionResponse = w.response();
    return w.response() == kResponseCompleted;
}

int callAdresarFormForFirm(frame::WindowContext& context, QWidget* parent, std::int32_t id) {
    OpenFiles files(context.services, {"Adresar"});
    auto& adr = context.db.file("Adresar");
    if (!files.ok()) return kResponseCancelled;
    adr.clearBuffer();
    adr.as<rec::AdresarRecord>().ID.set(id);
    if (adr.getByKey(adr.keyNumber("ADR:BYID")) != 0) {
        context.state.actionResponse = kResponseCancelled;
        return kResponseCancelled;
    }
    context.state.actionRequest = kRequestChange;
    return callAdresarForm(context, parent, kRequestChange);
}

int callAdresarForm(frame::WindowContext& context, QWidget* parent, int request) {
    return runAdresarForm(context, parent, request, false).response;
}

namespace {

// ADRESAR_U; called from its list it carries the navigation buttons.
FormOutcome runAdresarForm(frame::WindowContext& context, QWidget* parent, int request,
                           bool navigation) {
    context.state.actionRequest = request;
    OpenFiles files(context.services,
                    {"Adresar", "EVKLICSL", "Kategorie", "Klice", "Osoby", "Schuzky", "UKOLY"});
    if (!files.ok()) {
        context.state.actionResponse = kResponseCancelled;
        return {};
    }
    auto& db = context.db;
    FormWindow w(context, adresarForm(context.state), "Adresar_U", parent);
    w.resize(780, 540);

    // "&Hlavní údaje"
    auto* main = w.addTab(QStringLiteral("&Hlavní údaje"));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    main->addLayout(grid);
    w.addGridLine(grid, 0, 0, QStringLiteral("ID:"), "ADR:ID",
                  QStringLiteral("Identifikační číslo zákazníka"), true);
    w.addGridLine(grid, 1, 0, QStringLiteral("Firma:"), "ADR:FIRMA",
                  QStringLiteral("Zadejte název obchodního partnera"));
    w.addGridLine(grid, 2, 0, QStringLiteral("Ulice:"), "ADR:ULICE");
    w.addGridLine(grid, 3, 0, QStringLiteral("PSČ:"), "ADR:PSC", QStringLiteral("Zadejte PSČ"));
    w.addGridLine(grid, 4, 0, QStringLiteral("Město:"), "ADR:MESTO");
    w.addGridLine(grid, 0, 1, QStringLiteral("Stát:"), "ADR:STAT");
    w.addGridLine(grid, 1, 1, QStringLiteral("Osoba pro štítek:"), "ADR:JMENO1",
                  QStringLiteral("Zadejte kontaktní osobu pro tisk"));
    w.addGridLine(grid, 2, 1, QStringLiteral("Telefon:"), "ADR:TF1");
    w.addGridLine(grid, 3, 1, QStringLiteral("FAX:"), "ADR:FAX1");
    auto* personButtons = new QHBoxLayout;
    auto* dial = new QPushButton(QStringLiteral("&Telefonuj"), &w);
    dial->setToolTip(QStringLiteral("Vytočí vybrané telefonní číslo pokud máte Modem a telefon"));
    dial->setAutoDefault(false);
    personButtons->addWidget(dial);
    personButtons->addStretch(1);
    DependentList persons =
        addDependentList(w, main, personsList(), runOsobyForm, "?List", personButtons);
    auto* contact = new QPushButton(QStringLiteral("-> &Kontakt"), &w);
    contact->setAutoDefault(false);
    personButtons->addWidget(contact);

    // " I&nformace" and " Č&lenění": the 20 categories with their captions.
    std::array<QCheckBox*, 20> categories{};
    auto* info = w.addTab(QStringLiteral(" I&nformace"));
    auto* infoGrid = new QGridLayout;
    info->addLayout(infoGrid);
    for (int n = 1; n <= 10; ++n) {
        auto* box = new QCheckBox(info->parentWidget());
        box->setToolTip(QStringLiteral("Vaše kategorie s doplňujícím textem"));
        w.bindings().bindCheck(box, w.file(), "ADR:P" + std::to_string(n));
        auto* text = new QLineEdit(info->parentWidget());
        text->setToolTip(QStringLiteral("Vaše textová poznámka k tomuto bodu"));
        w.bindings().bindLine(text, w.file(), "ADR:P" + std::to_string(n) + "TXT");
        infoGrid->addWidget(box, n - 1, 0);
        infoGrid->addWidget(text, n - 1, 1);
        categories[std::size_t(n - 1)] = box;
    }
    infoGrid->setColumnStretch(1, 1);
    info->addStretch(1);
    auto* split = w.addTab(QStringLiteral(" Č&lenění"));
    auto* splitGrid = new QGridLayout;
    split->addLayout(splitGrid);
    for (int n = 11; n <= 20; ++n) {
        auto* box = new QCheckBox(split->parentWidget());
        box->setToolTip(QStringLiteral("Vaše kategorie s doplňujícím textem"));
        w.bindings().bindCheck(box, w.file(), "ADR:P" + std::to_string(n));
        splitGrid->addWidget(box, n - 11, 0);
        categories[std::size_t(n - 1)] = box;
    }
    split->addStretch(1);

    // "D&alší  údaje"
    auto* more = w.addTab(QStringLiteral("D&alší  údaje"));
    auto* m = new QFormLayout;
    more->addLayout(m);
    w.addLine(m, QStringLiteral("IČO:"), "ADR:ICO");
    w.addLine(m, QStringLiteral("DIČ:"), "ADR:DIC");
    w.addLine(m, QStringLiteral("Banka:"), "ADR:BANKA1");
    w.addLine(m, QStringLiteral("Účet:"), "ADR:BANKA2",
              QStringLiteral("Zadejte číslo účtu včetně směrového čísla banky"));
    w.addLine(m, QStringLiteral("Vložil:"), "ADR:VLOZIL", {}, true);
    w.addLine(m, QStringLiteral("Datum vložení:"), "ADR:DT_VLOZENI", {}, true);
    w.addLine(m, QStringLiteral("Upravil:"), "ADR:UPRAVIL", {}, true);
    w.addLine(m, QStringLiteral("Datum úpravy:"), "ADR:DT_UPRAVY", {}, true);
    more->addStretch(1);

    // " P&oznámka"
    w.addMemo(w.addTab(QStringLiteral(" P&oznámka")), QStringLiteral("Poznámka:"), 0,
              QStringLiteral("Libovolná poznámka vztahující se k firmě"));

    // "H&istorie", "K&líče", "Úkoly"
    auto* historyButtons = new QHBoxLayout;
    auto* print = new QPushButton(QStringLiteral("Tisk historie"), &w);
    print->setToolTip(QStringLiteral("Vytiskne přehled historie firmy"));
    print->setEnabled(false); // the history report is not part of the program yet
    historyButtons->addWidget(print);
    historyButtons->addStretch(1);
    DependentList history =
        addDependentList(w, w.addTab(QStringLiteral("H&istorie")), historyList(), runHistorieForm,
                         "?List:2", historyButtons);
    auto* keyButtons = new QHBoxLayout;
    keyButtons->addStretch(1);
    DependentList keywords =
        addDependentList(w, w.addTab(QStringLiteral("K&líče")), keywordsList(db), runKliceForm,
                         "?List:3", keyButtons);
    auto* taskButtons = new QHBoxLayout;
    taskButtons->addStretch(1);
    DependentList tasks = addDependentList(w, w.addTab(QStringLiteral("Úkoly")), tasksList(),
                                           runUkolyForm1, "?List:4", taskButtons);
    const std::array<DependentList*, 4> lists{&persons, &history, &keywords, &tasks};

    w.setOkHint(QStringLiteral("Potvrdí změny a uzavře okno"));
    w.setCancelHint(QStringLiteral("Zruší změny a uzavře okno"));
    if (navigation) w.addNavigationButtons();
    auto& kategorie = db.file("Kategorie");
    auto refresh = [&] {
        auto& firm = w.file().as<rec::AdresarRecord>();
        const auto captions = categoryCaptions(kategorie, firm.TEXTY.get());
        for (std::size_t i = 0; i < 20; ++i)
            categories[i]->setText(ui::qtText(captions[i]));
        for (auto* d : lists) {
            d->list->engine().setRestriction(firm.ID.get());
            if (d->list->engine().order() == 0) d->list->engine().setOrder(1);
            d->list->engine().refresh(RefreshMode::KeepHighlight);
            d->list->sync();
        }
    };
    std::int32_t newFirm = 0; // the number a new firm got, once its window is open
    w.onLoaded = [&] {
        if (request == kRequestInsert && newFirm == 0)
            newFirm = w.file().as<rec::AdresarRecord>().ID.get();
        refresh();
    };
    QObject::connect(w.tabs(), &QTabWidget::currentChanged, &w, [&] { refresh(); });
    w.onActivated = refresh;

    QObject::connect(contact, &QPushButton::clicked, &w, [&] {
        if (persons.list->engine().empty() || !persons.list->engine().readCurrent()) return;
        w.storeFields();
        copyContact(w.file(), db.file("Osoby"));
        w.loadFields();
    });
    QObject::connect(dial, &QPushButton::clicked, &w, [&] {
        if (persons.list->engine().empty() || !persons.list->engine().readCurrent()) return;
        const std::string command =
            dialCommand(db.file("Osoby").as<rec::OsobyRecord>().TFZ.trimmed());
        if (!command.empty()) (void)programStarter()(command); // a dialler that fails is no error
    });

    const FormOutcome outcome = w.run(request);
    // The lambdas above use locals that go before the window does.
    QObject::disconnect(w.tabs(), nullptr, &w, nullptr);
    w.onLoaded = nullptr;
    w.onActivated = nullptr;
    if (newFirm != 0 && outcome.response != kResponseCompleted) {
        // Dependent records added to a new firm that was then cancelled go with it.
        deleteFirmChildren(db, newFirm);
    }
    const ProfileFile ini(startup::kSettingsFile);
    for (auto* d : lists)
        (void)ini.writeString("Adresar_U", d->formatKey, formatListWidths(d->list->columnWidths()));
    context.state.actionResponse = outcome.response;
    return outcome;
}

} // namespace
} // namespace zv::records
