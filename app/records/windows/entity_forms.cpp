#include "app/records/windows/entity_forms.h"

#include "app/records/kinds/address_book.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/open_files.h"
#include "app/records/windows/record_windows.h"
#include "app/shell/dictionary/records.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/text.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace zv::records {
namespace {

QFormLayout* formIn(QVBoxLayout* page) {
    auto* form = new QFormLayout;
    page->addLayout(form);
    return form;
}

// A field with a label beside it showing a looked-up text.
QLabel* lookupLabel(QLineEdit* edit) {
    auto* label = new QLabel(edit->parentWidget());
    label->setMinimumWidth(200);
    return label;
}

// Replaces the form row's field by the field, an optional button and a label.
QLabel* withLookup(QFormLayout* form, QLineEdit* edit, QToolButton* button) {
    int row = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(edit, &row, &role);
    auto* box = new QHBoxLayout;
    form->removeWidget(edit);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    box->addWidget(edit);
    if (button) box->addWidget(button);
    QLabel* label = lookupLabel(edit);
    box->addWidget(label, 1);
    form->setLayout(row, QFormLayout::FieldRole, box);
    return label;
}

// A small button beside a field that looks something up.
QToolButton* lookupButton(QWidget* parent, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("..."));
    b->setToolTip(hint);
    return b;
}

// Offers the persons of a firm under the button; the chosen name goes into target.
void pickPerson(frame::WindowContext& context, QWidget* owner, std::int32_t firm, QLineEdit* target,
                QToolButton* anchor) {
    auto& oso = context.db.file("Osoby");
    QMenu menu(owner);
    oso.clearBuffer();
    oso.as<rec::OsobyRecord>().ID.set(firm);
    if (oso.setKeyValue(oso.keyNumber("OSO:BYID")) == 0) {
        while (oso.next() == 0 && oso.as<rec::OsobyRecord>().ID.get() == firm) {
            const QString name = ui::qtText(oso.as<rec::OsobyRecord>().KONTAKT.trimmed());
            menu.addAction(name, owner, [target, name] { target->setText(name); });
        }
    }
    if (menu.isEmpty()) menu.addAction(QStringLiteral("(žádné osoby)"))->setEnabled(false);
    menu.exec(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

} // namespace

FormOutcome runOsobyForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId) {
    OpenFiles files(context.services, {"Osoby"});
    if (!files.ok()) return {};
    FormWindow w(context, osobyForm(firmId), "Osoby_U", parent);
    w.setMinimumWidth(420);
    auto* page = w.addTab(QStringLiteral("Základní údaje"));
    auto* f = formIn(page);
    w.addLine(f, QStringLiteral("Kontakt:"), "OSO:KONTAKT");
    w.addLine(f, QStringLiteral("Oslovení:"), "OSO:OSLOVENI");
    w.addLine(f, QStringLiteral("Funkce:"), "OSO:FUNKCE");
    w.addLine(f, QStringLiteral("Tel. - zaměstnání"), "OSO:TFZ");
    w.addLine(f, QStringLiteral("Fax:"), "OSO:FAX");
    w.addLine(f, QStringLiteral("Mobil:"), "OSO:TFM");
    w.addLine(f, QStringLiteral("Tel. - domů"), "OSO:TFD");
    w.addLine(f, QStringLiteral("E-mail:"), "OSO:E_MAIL");
    auto* group = new QGroupBox(QStringLiteral(" Upozornit"), page->parentWidget());
    auto* g = new QFormLayout(group);
    w.addLine(g, QStringLiteral("Svátek:"), "OSO:SVATEK", QStringLiteral("den.měsíc."));
    w.addLine(g, QStringLiteral("Narozeniny:"), "OSO:NAROZENINY");
    w.addCheck(g, QStringLiteral("Upozornit"), "OSO:VYROCI",
               QStringLiteral("Zaškrtněnte, má-li se automaticky upozorňovat v seznamu úkolů"));
    w.addLine(g, QStringLiteral("Záliby:"), "OSO:ZALIBY");
    page->addWidget(group);
    page->addStretch(1);
    w.addMemo(w.addTab(QStringLiteral(" Poznámka")), {}, 0);
    return w.run(request);
}

FormOutcome runHistorieForm(frame::WindowContext& context, QWidget* parent, int request,
                            std::int32_t firmId) {
    OpenFiles files(context.services, {"Schuzky", "Adresar", "Osoby"});
    if (!files.ok()) return {};
    FormWindow w(context, historieForm(context.state, firmId), "Historie_U", parent);
    w.setMinimumWidth(460);
    auto* page = w.addTab(QStringLiteral("Údaje o kontaku"));
    auto* group = new QGroupBox(QStringLiteral("Údaje o kontaku"), page->parentWidget());
    auto* f = new QFormLayout(group);
    page->addWidget(group, 1);
    auto* id = w.addLine(f, QStringLiteral("ID:"), "SCH:ID", {}, true);
    QLabel* firm = withLookup(f, id, nullptr);
    w.addLine(f, QStringLiteral("Vložil:"), "SCH:Vlozil");
    auto* jmeno = w.addLine(f, QStringLiteral("Jméno:"), "SCH:Jmeno");
    auto* pick = lookupButton(group, QStringLiteral("Vybere osobu z firmy"));
    withLookup(f, jmeno, pick)->hide();
    jmeno->setMaximumWidth(QWIDGETSIZE_MAX);
    w.addLine(f, QStringLiteral("Popis:"), "SCH:Popis");
    auto* pozn = new QPlainTextEdit(group);
    pozn->setTabChangesFocus(true);
    w.bindings().bindText(pozn, w.file(), "SCH:Pozn");
    f->addRow(QStringLiteral("Poznámka:"), pozn);
    w.addLine(f, QStringLiteral("Datum:"), "SCH:Datum");
    w.addLine(f, QStringLiteral("Čas:"), "SCH:CAS");
    auto& adresar = context.db.file("Adresar");
    w.onLoaded = [&, firm] {
        firm->setText(ui::qtText(firmName(adresar, w.file().as<rec::SchuzkyRecord>().ID.get())));
    };
    QObject::connect(pick, &QToolButton::clicked, &w, [&, pick, jmeno] {
        pickPerson(context, &w, w.file().as<rec::SchuzkyRecord>().ID.get(), jmeno, pick);
    });
    return w.run(request);
}

FormOutcome runKliceForm(frame::WindowContext& context, QWidget* parent, int request,
                         std::int32_t firmId) {
    OpenFiles files(context.services, {"Klice", "EVKLICSL", "Adresar"});
    if (!files.ok()) return {};
    FormWindow w(context, kliceForm(firmId), "Klice_U", parent);
    w.setMinimumWidth(420);
    auto* page = w.addTab(QStringLiteral("Klíč"));
    auto* f = formIn(page);
    auto* id = w.addLine(f, QStringLiteral("ID:"), "KLI:ID",
                         QStringLiteral("Zadejte ID firmy z adresáře"));
    QLabel* firm = withLookup(f, id, nullptr);
    auto* key = w.addLine(f, QStringLiteral("Klíč"), "KLI:IDKL");
    auto* pick =
        lookupButton(page->parentWidget(), QStringLiteral("Zobrazí seznam evidovaných klíčů"));
    QLabel* text = withLookup(f, key, pick);
    page->addStretch(1);
    auto& adresar = context.db.file("Adresar");
    auto& evklicsl = context.db.file("EVKLICSL");
    auto lookUp = [&, firm, text, id, key] {
        firm->setText(ui::qtText(firmName(adresar, id->text().trimmed().toInt())));
        text->setText(ui::qtText(keywordText(evklicsl, key->text().trimmed().toInt())));
    };
    w.onLoaded = lookUp;
    QObject::connect(id, &QLineEdit::editingFinished, &w, lookUp);
    QObject::connect(key, &QLineEdit::editingFinished, &w, lookUp);
    QObject::connect(pick, &QToolButton::clicked, &w, [&, key, lookUp] {
        if (selectKeyword(context, &w)) {
            key->setText(QString::number(evklicsl.as<rec::EvklicslRecord>().IDKS.get()));
            lookUp();
        }
    });
    return w.run(request);
}

FormOutcome runUkolyForm1(frame::WindowContext& context, QWidget* parent, int request,
                          std::int32_t firmId) {
    OpenFiles files(context.services, {"UKOLY", "Adresar", "Osoby"});
    if (!files.ok()) return {};
    FormWindow w(context, ukolyForm1(context.state, firmId), "Ukoly_U1", parent);
    auto* page = w.addTab(QStringLiteral("Definice úkolu"));
    auto* f = formIn(page);
    w.addLine(f, QStringLiteral("Číslo úkolu:"), "UKO:CUKOLU", {}, true);
    w.addLine(f, QStringLiteral("Úkol:"), "UKO:POPIS");
    auto* id = w.addLine(f, QStringLiteral("ID firmy:"), "UKO:ID");
    auto* pickFirm = lookupButton(page->parentWidget(), QStringLiteral("Vybere firmu z adresáře"));
    QLabel* firm = withLookup(f, id, pickFirm);
    auto* jmeno = w.addLine(f, QStringLiteral("Jméno:"), "UKO:JMENO");
    auto* pickName = lookupButton(page->parentWidget(), QStringLiteral("Vybere osobu z firmy"));
    withLookup(f, jmeno, pickName)->hide();
    jmeno->setMaximumWidth(QWIDGETSIZE_MAX);
    w.addLine(f, QStringLiteral("Datum:"), "UKO:DT_SCHED");
    w.addLine(f, QStringLiteral("Čas:"), "UKO:TM_SCHED");
    w.addLine(f, QStringLiteral("Řešitel:"), "UKO:OS_SCHED");
    page->addStretch(1);
    auto* sys = w.addTab(QStringLiteral("Systémové údaje"));
    auto* s = formIn(sys);
    w.addLine(s, QStringLiteral("Datum zadání:"), "UKO:DT_ZADANI");
    w.addLine(s, QStringLiteral("Čas zadání:"), "UKO:TM_ZADANI");
    w.addLine(s, QStringLiteral("Zadal:"), "UKO:OS_ZADANI");
    auto* done = new QGroupBox(QStringLiteral("Splnění úkolu"), sys->parentWidget());
    auto* d = new QFormLayout(done);
    w.addCheck(d, QStringLiteral("Splněno"), "UKO:SPLNENO");
    w.addLine(d, QStringLiteral("Datum splnění:"), "UKO:DT_PROV");
    w.addLine(d, QStringLiteral("Čas splnění:"), "UKO:TM_PROV");
    w.addLine(d, QStringLiteral("Splnil:"), "UKO:OS_PROV");
    sys->addWidget(done);
    sys->addStretch(1);
    w.addMemo(w.addTab(QStringLiteral("Poznámka")), {}, 0);
    w.addNavigationButtons();
    w.setOkHint(QStringLiteral("Potvrdí úkol a uzavre okno"));
    auto& adresar = context.db.file("Adresar");
    auto lookUp = [&, firm, id] {
        firm->setText(ui::qtText(firmName(adresar, id->text().trimmed().toInt())));
    };
    w.onLoaded = lookUp;
    QObject::connect(id, &QLineEdit::editingFinished, &w, lookUp);
    QObject::connect(pickFirm, &QToolButton::clicked, &w, [&, id, lookUp] {
        // The firm list uses Adresar's buffer, which a calling firm form still holds.
        const std::vector<std::uint8_t> saved(adresar.record(),
                                              adresar.record() + adresar.recordSize());
        adresar.as<rec::AdresarRecord>().ID.set(id->text().trimmed().toInt());
        if (selectFirm(context, &w))
            id->setText(QString::number(adresar.as<rec::AdresarRecord>().ID.get()));
        std::copy(saved.begin(), saved.end(), adresar.record());
        lookUp();
    });
    QObject::connect(pickName, &QToolButton::clicked, &w, [&, id, jmeno, pickName] {
        pickPerson(context, &w, id->text().trimmed().toInt(), jmeno, pickName);
    });
    w.onCompleted = [&context] { context.state.rescanTasks = true; };
    return w.run(request);
}

bool selectKeyword(frame::WindowContext& context, QWidget* parent) {
    BrowseWindowSpec look;
    look.title = QStringLiteral("Seznam klíčů");
    look.section = "Evklic_S";
    look.listHint = QStringLiteral("Seznam evidovaných klíčů");
    look.selectHint = QStringLiteral("Vybere vybraný klíč");
    look.closeHint = QStringLiteral("Uzavře okno");
    BrowseWindow w(context, evklicBrowse(), look, kRequestSelect, parent);
    if (!w.opened()) return false;
    w.setModal(true);
    if (context.runtime)
        context.runtime->call(w);
    else
        w.exec();
    return w.response() == kResponseCompleted;
}

} // namespace zv::records
