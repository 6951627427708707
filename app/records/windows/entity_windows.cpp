// OSOBY_S, EVKLIC_S/U, OPERACE_S/U, KLASIFIK_S/U, POZNAMKY_S/U and
// VTIPYSHOW/UPDATEVTIPY: declarations run by the generic list and form windows.
#include "app/records/windows/entity_windows.h"

#include "app/records/kinds/address_book.h"
#include "app/records/kinds/entities.h"
#include "app/records/kinds/jokes.h"
#include "app/records/windows/entity_forms.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/open_files.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "ui/window/text.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <memory>

namespace zv::records {
namespace {

using Form = FormOutcome (*)(frame::WindowContext&, QWidget*, int);

BrowseWindowSpec listSpec(frame::WindowContext& context, QString title, std::string section,
                          Form form) {
    BrowseWindowSpec look;
    look.title = std::move(title);
    look.section = std::move(section);
    look.closeHint = QStringLiteral("Uzavře okno");
    look.helpHint = QStringLiteral("Zobrazí nápovědu");
    look.form = [&context, form](QWidget* parent, int request) {
        return form(context, parent, request);
    };
    return look;
}

QWidget* makeList(frame::WindowContext& context, BrowseDecl decl, BrowseWindowSpec look,
                  int request) {
    auto* w = new BrowseWindow(context, std::move(decl), std::move(look), request);
    if (!w->opened()) {
        delete w;
        return nullptr;
    }
    return w;
}

FormOutcome runOsobyFromList(frame::WindowContext& context, QWidget* parent, int request) {
    // A new person belongs to the firm in the address book's buffer.
    const auto firm = context.db.file("Adresar").as<rec::AdresarRecord>().ID.get();
    return runOsobyForm(context, parent, request, firm);
}

// The highlighted note's date and text, shown under the list.
struct NotePanel {
    QPointer<QLineEdit> date;
    QPointer<QPlainTextEdit> text;
};

} // namespace

QWidget* makeOsobyList(frame::WindowContext& context, int request) {
    BrowseWindowSpec look =
        listSpec(context, QStringLiteral("Kontakty ve firmě"), "Osoby_S", runOsobyFromList);
    look.group = QStringLiteral("Evidence osob");
    return makeList(context, osobyBrowse(), std::move(look), request);
}

BrowseWindowSpec evklicSpec(frame::WindowContext& context) {
    BrowseWindowSpec look =
        listSpec(context, QStringLiteral("Seznam klíčů"), "Evklic_S", runEvklicForm);
    look.listHint = QStringLiteral("Seznam evidovaných klíčů");
    look.selectHint = QStringLiteral("Vybere vybraný klíč");
    look.insertHint = QStringLiteral("Přidá nový klíč");
    look.changeHint = QStringLiteral("Změní vybraný klíč");
    look.deleteHint = QStringLiteral("Zruší vybraný klíč");
    return look;
}

QWidget* makeEvklicList(frame::WindowContext& context, int request) {
    return makeList(context, evklicBrowse(), evklicSpec(context), request);
}

QWidget* makeOperaceList(frame::WindowContext& context, int request) {
    return makeList(context, operaceBrowse(),
                    listSpec(context, QStringLiteral("Seznam evidovaných operací"), "Operace_S",
                             runOperaceForm),
                    request);
}

QWidget* makeKlasifikList(frame::WindowContext& context, int request) {
    BrowseWindowSpec look =
        listSpec(context, QStringLiteral("Klasifikace kontaktu"), "Klasifik_S", runKlasifikForm);
    look.listHint = QStringLiteral("Seznam evidovaných klasifikací");
    return makeList(context, klasifikBrowse(), std::move(look), request);
}

QWidget* makePoznamkyList(frame::WindowContext& context, int request) {
    BrowseWindowSpec look =
        listSpec(context, QStringLiteral("Poznámky"), "Poznamky_S", runPoznamkyForm);
    auto panel = std::make_shared<NotePanel>();
    look.panel = [panel](QWidget* owner) {
        auto* box = new QWidget(owner);
        auto* rows = new QFormLayout(box);
        rows->setContentsMargins(0, 0, 0, 0);
        panel->date = new QLineEdit(box);
        panel->date->setReadOnly(true);
        panel->date->setFocusPolicy(Qt::NoFocus);
        panel->date->setMaximumWidth(panel->date->fontMetrics().horizontalAdvance("00.00.0000MM"));
        panel->text = new QPlainTextEdit(box);
        panel->text->setReadOnly(true);
        panel->text->setFocusPolicy(Qt::NoFocus);
        panel->text->setToolTip(QStringLiteral("Obsah poznámky"));
        panel->text->setMaximumHeight(panel->text->fontMetrics().lineSpacing() * 6);
        rows->addRow(QStringLiteral("Datum:"), panel->date);
        rows->addRow(QStringLiteral("Obsah poznámky"), panel->text);
        return box;
    };
    look.moved = [panel](BrowseEngine& engine) {
        if (!panel->date || !panel->text) return;
        if (engine.empty()) {
            panel->date->clear();
            panel->text->clear();
            return;
        }
        access::RecordFile& f = engine.file();
        if (const auto* date = dict::fieldOf(f.def(), "POZ:DATUM"))
            panel->date->setText(ui::qtText(dict::fieldText(*date, f.record())));
        QString text = ui::qtText(f.memo(0));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        panel->text->setPlainText(text);
    };
    return makeList(context, poznamkyBrowse(), std::move(look), request);
}

QWidget* makeVtipyList(frame::WindowContext& context, int request) {
    return makeList(context, vtipyBrowse(),
                    listSpec(context, QStringLiteral("Přehled vtipů na českých tocích"),
                             "VtipyShow", runVtipyForm),
                    request);
}

FormOutcome runEvklicForm(frame::WindowContext& context, QWidget* parent, int request) {
    return runForm(context, parent, evklicForm(context.state), request);
}

FormOutcome runOperaceForm(frame::WindowContext& context, QWidget* parent, int request) {
    return runForm(context, parent, operaceForm(), request);
}

FormOutcome runKlasifikForm(frame::WindowContext& context, QWidget* parent, int request) {
    return runForm(context, parent, klasifikForm(), request);
}

FormOutcome runPoznamkyForm(frame::WindowContext& context, QWidget* parent, int request) {
    return runForm(context, parent, poznamkyForm(), request);
}

FormOutcome runVtipyForm(frame::WindowContext& context, QWidget* parent, int request) {
    OpenFiles files(context.services, {"Vtipy"});
    if (!files.ok()) return {};
    FormWindow w(context, vtipyForm(), parent);
    if (QVBoxLayout* place = w.slot("request")) {
        // What the form is doing, as the window says it.
        auto* text = new QLabel(QString::fromStdString(vtipyRequestText(request)), &w);
        QFont bold = text->font();
        bold.setBold(true);
        text->setFont(bold);
        place->addWidget(text);
    }
    return w.run(request);
}

void addEntityProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    using Maker = QWidget* (*)(frame::WindowContext&, int);
    const std::pair<const char*, Maker> lists[] = {
        {"OSOBY_S", makeOsobyList},       {"EVKLIC_S", makeEvklicList},
        {"OPERACE_S", makeOperaceList},   {"KLASIFIK_S", makeKlasifikList},
        {"POZNAMKY_S", makePoznamkyList}, {"VTIPYSHOW", makeVtipyList},
    };
    for (const auto& [name, make] : lists)
        table[name].start = [&context, make](int /*thread*/) { return make(context, 0); };
    const std::pair<const char*, Form> forms[] = {
        {"EVKLIC_U", runEvklicForm},     {"OPERACE_U", runOperaceForm},
        {"KLASIFIK_U", runKlasifikForm}, {"POZNAMKY_U", runPoznamkyForm},
        {"UPDATEVTIPY", runVtipyForm},
    };
    for (const auto& [name, run] : forms)
        table[name].call = [&context, run] {
            const int request = context.state.actionRequest >= kRequestInsert &&
                                        context.state.actionRequest <= kRequestDelete
                                    ? context.state.actionRequest
                                    : kRequestInsert;
            context.state.actionResponse = run(context, nullptr, request).response;
        };
    table["KATEGORIE_U"].call = [&context] { (void)callKategorieForm(context, nullptr); };
}

} // namespace zv::records
