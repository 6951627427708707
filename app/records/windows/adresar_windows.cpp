// ADRESAR_S and ADRESAR_U: the firm list and the firm form with its four
// dependent lists.
#include "app/records/windows/record_windows.h"

#include "app/records/kinds/address_book.h"
#include "app/records/windows/browse_list.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/dependent_list.h"
#include "app/records/windows/firm_search_panel.h"
#include "app/records/windows/duplicates_window.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/list_report_run.h"
#include "app/records/windows/open_files.h"
#include "app/shell/dictionary/records.h"
#include "platform/profile.h"
#include "platform/program_start.h"
#include "ui/window/text.h"

#include <QCheckBox>
#include <QMimeData>
#include <QPushButton>

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
    look.panel = [&context](QWidget* window) { return makeFirmSearchPanel(context, window); };
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
    BrowseWindowSpec look = adresarSpec(context);
    const QString duplicates = QStringLiteral("Hledat d&uplicity");
    BrowseWindowSpec::Button search;
    search.text = duplicates;
    search.hint = QStringLiteral("Najde firmy zapsané dvakrát a sloučí je");
    look.buttons.push_back(search); // connected below, to the window
    auto* w = new BrowseWindow(context, adresarBrowse(), std::move(look), request);
    if (!w->opened()) {
        delete w;
        return nullptr;
    }
    QObject::connect(w->button(duplicates), &QPushButton::clicked, w, [&context, w] {
        DuplicatesWindow d(context, w);
        if (!d.opened()) return;
        d.exec();
        if (d.merged() > 0) w->reload();
    });
    return w;
}

bool selectFirm(frame::WindowContext& context, QWidget* parent) {
    context.state.actionResponse =
        selectFromList(context, adresarBrowse(), adresarSpec(context), parent);
    return context.state.actionResponse == kResponseCompleted;
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

// ADRESAR_U; called from its list it carries the navigation buttons. Its own
// parts: the captions of the categories from the firm's caption set, the
// dialler and the contact button beside the persons, and the children of a new
// firm that was cancelled.
FormOutcome runAdresarForm(frame::WindowContext& context, QWidget* parent, int request,
                           bool navigation) {
    context.state.actionRequest = request;
    FormDecl decl = adresarForm(context.state);
    decl.navigation = navigation;
    std::vector<std::string_view> labels{decl.file};
    for (const auto& f : decl.files)
        labels.push_back(f);
    OpenFiles files(context.services, labels);
    if (!files.ok()) {
        context.state.actionResponse = kResponseCancelled;
        return {};
    }
    auto& db = context.db;
    FormWindow w(context, std::move(decl), parent);
    auto& kategorie = db.file("Kategorie");
    auto captions = [&] {
        const auto texts =
            categoryCaptions(kategorie, w.file().as<rec::AdresarRecord>().TEXTY.get());
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (QCheckBox* box = w.checkOf("ADR:P" + std::to_string(i + 1)))
                box->setText(ui::qtText(texts[i]));
    };
    std::int32_t newFirm = 0; // the number a new firm got, once its window is open
    w.onLoaded = [&] {
        if (request == kRequestInsert && newFirm == 0)
            newFirm = w.file().as<rec::AdresarRecord>().ID.get();
        captions();
    };
    w.onActivated = captions;

    DependentList& persons = *w.lists().front();
    QObject::connect(w.button(QStringLiteral("-> &Kontakt")), &QPushButton::clicked, &w, [&] {
        if (persons.list().engine().empty() || !persons.list().engine().readCurrent()) return;
        w.storeFields();
        copyContact(w.file(), db.file("Osoby"));
        w.loadFields();
    });
    QObject::connect(w.button(QStringLiteral("Tisk historie")), &QPushButton::clicked, &w, [&] {
        printListReport(context, &w, selections::ListKind::History,
                        w.file().as<rec::AdresarRecord>().ID.get());
    });
    QObject::connect(w.button(QStringLiteral("&Telefonuj")), &QPushButton::clicked, &w, [&] {
        if (persons.list().engine().empty() || !persons.list().engine().readCurrent()) return;
        const std::string command =
            dialCommand(db.file("Osoby").as<rec::OsobyRecord>().TFZ.trimmed());
        if (!command.empty()) (void)programStarter()(command); // a dialler that fails is no error
    });

    const FormOutcome outcome = w.run(request);
    // The hooks above use locals that go before the window does.
    w.onLoaded = nullptr;
    w.onActivated = nullptr;
    if (newFirm != 0 && outcome.response != kResponseCompleted) {
        // Dependent records added to a new firm that was then cancelled go with it.
        deleteFirmChildren(db, newFirm);
    }
    context.state.actionResponse = outcome.response;
    return outcome;
}

} // namespace
} // namespace zv::records
