#include "app/selections/windows/selection_window.h"

#include "app/records/kinds/saved_selections.h"
#include "app/records/kinds/vybery.h"
#include "app/records/windows/entity_forms.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/list_report_run.h"
#include "app/records/windows/record_windows.h"
#include "app/selections/selection/auto_history.h"
#include "app/selections/windows/condition_dialog.h"
#include "app/selections/windows/label_windows.h"
#include "app/selections/windows/progress_window.h"
#include "app/shell/dictionary/records.h"
#include "platform/dates/standard_date.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/icons.h"
#include "ui/window/text.h"

#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

namespace zv::selections {
namespace {

namespace cmd = frame::command;

records::BrowseWindowSpec selectionSpec(frame::WindowContext& context) {
    records::BrowseWindowSpec look;
    look.title = QStringLiteral("Aktuální výběr");
    look.section = "Vyber_S";
    look.formatKey = "?Browse:1";
    look.listHint = QStringLiteral("Procházím aktuální výběr");
    look.changeHint = QStringLiteral("Zobrazí firmu v adresáři");
    look.deleteHint = QStringLiteral("Vyřadí firmu z výběru");
    look.closeHint = QStringLiteral("Uzavře okno");
    look.countPrompt = QStringLiteral("Počet záznamů:");
    look.countHint = QStringLiteral("Počet firem ve výběru");
    look.animated = true;
    look.insert = false;
    look.files = {"Adresar", "EVKLICSL", "Klice", "Schuzky"};
    look.form = [&context](QWidget* parent, int request) -> records::FormOutcome {
        if (request == records::kRequestChange) {
            // The row's firm in the firm form; nothing happens when it is gone.
            const std::int32_t id = context.db.file("Vybery").as<rec::VyberyRecord>().ID.get();
            return {records::callAdresarFormForFirm(context, parent, id), 0};
        }
        return records::runForm(context, parent, records::vyberForm(), request);
    };
    look.dropType = records::kFirmDragMimeType;
    look.drop = [&context](const QMimeData&) {
        Selection selection(context.services);
        if (selection.opened()) (void)selection.addFirm(records::draggedFirmId());
    };
    look.buttons = {
        {QStringLiteral("Š&títky"), QStringLiteral("Vytiskne štítky výběru"), true, nullptr},
        {QStringLiteral("A-historie"), QStringLiteral("Automatická generace zápisu do historie"),
         true, nullptr},
    };
    return look;
}

} // namespace

SelectionWindow::SelectionWindow(frame::WindowContext& context, QWidget* parent)
    : records::BrowseWindow(context, records::vyberBrowse(), selectionSpec(context), 0, parent),
      context_(context) {
    setObjectName("VYBER_S");
    setWindowIcon(ui::icon(ui::IconKind::Selection));
    if (QPushButton* history = button(QStringLiteral("A-historie")))
        connect(history, &QPushButton::clicked, this, [this] { autoHistory(); });
    // Both print the whole selection.
    if (QPushButton* labels = button(QString::fromUtf8("Š&títky")))
        connect(labels, &QPushButton::clicked, this, [this] { printLabels(context_, this); });
}

bool SelectionWindow::serves(std::string_view command) const {
    return command == cmd::kAddAll || command == cmd::kRemoveAll || command == cmd::kAddByField ||
           command == cmd::kAddByKey || command == cmd::kRemoveByField ||
           command == cmd::kRemoveByKey || command == cmd::kSave || command == cmd::kLoad ||
           command == cmd::kLabels || command == cmd::kByFirms || command == cmd::kByTowns;
}

void SelectionWindow::runCommand(std::string_view command) {
    if (command == cmd::kAddAll)
        operate([](Selection& s, Progress& p) { return s.addAll(p); });
    else if (command == cmd::kRemoveAll)
        operate([](Selection& s, Progress& p) { return s.removeAll(p); });
    else if (command == cmd::kAddByField)
        byCondition(true);
    else if (command == cmd::kRemoveByField)
        byCondition(false);
    else if (command == cmd::kAddByKey)
        byKeyword(true);
    else if (command == cmd::kRemoveByKey)
        byKeyword(false);
    else if (command == cmd::kSave)
        saveSelection();
    else if (command == cmd::kLoad)
        loadSelection();
    else if (command == cmd::kLabels)
        printLabels(context_, this);
    else if (command == cmd::kByFirms)
        records::printListReport(context_, this, ListKind::FirmsByName);
    else if (command == cmd::kByTowns)
        records::printListReport(context_, this, ListKind::FirmsByTown);
}

void SelectionWindow::operate(const std::function<Outcome(Selection&, Progress&)>& operation) {
    Outcome out;
    {
        Selection selection(context_.services);
        if (!selection.opened()) return;
        ProgressWindow progress(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        out = operation(selection, progress);
        QApplication::restoreOverrideCursor();
    }
    reload();
    if (!out.error.empty()) QMessageBox::warning(this, windowTitle(), ui::qtText(out.error));
}

void SelectionWindow::byCondition(bool add) {
    const Condition c = askCondition(context_, this);
    if (c.text.empty()) return; // cancelled: nothing happens
    operate([&](Selection& s, Progress& p) {
        return add ? s.addByCondition(c.text, c.caption, p)
                   : s.removeByCondition(c.text, c.caption, p);
    });
}

void SelectionWindow::byKeyword(bool add) {
    context_.state.actionRequest = records::kRequestSelect;
    if (!records::selectKeyword(context_, this)) return;
    const auto& keyword = context_.db.file("EVKLICSL").as<rec::EvklicslRecord>();
    const std::int32_t id = keyword.IDKS.get();
    const std::string text(keyword.POPIS.trimmed());
    operate([&](Selection& s, Progress& p) {
        return add ? s.addByKeyword(id, text, p) : s.removeByKeyword(id, text, p);
    });
}

void SelectionWindow::autoHistory() {
    auto save = [this](access::RecordFile& schuzky) {
        (void)writeAutoHistory(schuzky, context_.db.file("Vybery"));
    };
    (void)records::runForm(context_, this,
                           records::autoHistoryForm(context_.state, dates::clockTime(), save),
                           records::kRequestInsert);
    reload();
}

namespace {

records::BrowseWindowSpec catalogueSpec(bool saving) {
    records::BrowseWindowSpec look;
    look.title = saving ? QStringLiteral("Přehled uložených výběrů")
                        : QStringLiteral("Náhled na uložené výběry");
    look.section = saving ? "UlozVyber_S" : "NactiVyber_S";
    look.listHint = QStringLiteral("Procházím soubor s uloženými výběry");
    look.insertHint = QStringLiteral("Uloží výběr pod novým názvem");
    look.changeHint = saving ? QStringLiteral("Nahradí uložený výběr novým výběrem")
                             : QStringLiteral("Změní již uložený výběr");
    look.deleteHint = QStringLiteral("Zruší uložený výběr");
    look.selectHint = QStringLiteral("Načte vybraný uložený výběr");
    look.closeHint = QStringLiteral("Uzavře okno");
    return look;
}

} // namespace

void SelectionWindow::saveSelection() {
    bool chosen = false;
    records::BrowseWindowSpec look = catalogueSpec(true);
    records::BrowseWindow* list = nullptr;
    look.form = [this, &chosen, &list](QWidget* parent, int request) -> records::FormOutcome {
        const bool writes =
            request == records::kRequestInsert || request == records::kRequestChange;
        const auto out = records::runForm(
            context_, parent,
            records::savedSelectionForm(context_.state, request == records::kRequestChange),
            request);
        if (writes && out.response == records::kResponseCompleted) {
            // The entry is chosen: the list closes and the selection is saved in it.
            records::pointAtSavedFile(context_.db, context_.state);
            chosen = true;
            if (list) QTimer::singleShot(0, list, [list] { list->reject(); });
        }
        return out;
    };
    records::BrowseWindow window(context_, records::savedSelectionsBrowse(), std::move(look), 0,
                                 this);
    list = &window;
    if (!window.opened()) return;
    window.setModal(true);
    if (context_.runtime)
        context_.runtime->call(window);
    else
        window.exec();
    list = nullptr;
    if (chosen) operate([](Selection& s, Progress& p) { return s.save(p); });
}

void SelectionWindow::loadSelection() {
    records::BrowseWindowSpec look = catalogueSpec(false);
    look.form = [this](QWidget* parent, int request) {
        return records::runForm(context_, parent,
                                records::savedSelectionForm(context_.state, false), request);
    };
    if (records::selectFromList(context_, records::savedSelectionsBrowse(), std::move(look),
                                this) != records::kResponseCompleted)
        return;
    records::pointAtSavedFile(context_.db, context_.state);
    operate([](Selection& s, Progress& p) { return s.load(p); });
}

void addSelectionProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    table["VYBER_S"].start = [&context](int /*thread*/) -> QWidget* {
        auto* w = new SelectionWindow(context);
        if (!w->opened()) {
            delete w;
            return nullptr;
        }
        return w;
    };
}

} // namespace zv::selections
