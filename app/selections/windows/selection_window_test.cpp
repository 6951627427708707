#include "app/selections/windows/selection_window.h"

#include "app/records/windows/record_windows.h"
#include "app/selections/windows/condition_dialog.h"
#include "app/selections/windows/label_windows.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "ui/testing/on_modal.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace zv::selections {
namespace {

using namespace zv::rec;

using ui::testing::onModal;

class SelectionWindowTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label :
             {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL", "Kategorie", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        int id = 0;
        for (const char* town : {"Brno", "Praha", "Brno", "Ostrava"}) {
            ++id;
            add("Adresar", [&](access::RecordFile& f) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string(id));
                f.as<AdresarRecord>().MESTO.set(town);
            });
        }
        add("Kategorie", [](access::RecordFile& f) {
            f.as<KategorieRecord>().TEXT.set(1);
            f.as<KategorieRecord>().K1.set("Odberatel");
        });
    }
    long rows(SelectionWindow& w) { return w.list().engine().recordCount(); }
};

TEST_F(SelectionWindowTest, TheWindowServesTheSelectionItemsAndAddsAndRemovesAll) {
    SelectionWindow w(context);
    ASSERT_TRUE(w.opened());
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Aktuální výběr"));
    EXPECT_TRUE(w.serves(frame::command::kAddAll));
    EXPECT_TRUE(w.serves(frame::command::kLabels));
    EXPECT_TRUE(w.serves(frame::command::kByFirms));
    EXPECT_FALSE(w.serves(frame::command::kPrintSetup));
    EXPECT_EQ(w.button(QStringLiteral("&Insert")), nullptr);
    EXPECT_TRUE(w.button(QString::fromUtf8("Š&títky"))->isEnabled());
    w.runCommand(frame::command::kAddAll);
    EXPECT_EQ(rows(w), 4);
    w.runCommand(frame::command::kRemoveAll);
    EXPECT_EQ(rows(w), 0);
}

TEST_F(SelectionWindowTest, AConditionFromTheDialogAddsItsFirmsAndCancelChangesNothing) {
    SelectionWindow w(context);
    onModal([](QWidget* dialog) {
        auto* d = static_cast<ConditionDialog*>(dialog);
        d->fieldList()->setCurrentText(QString::fromUtf8("Název města"));
        d->operatorList()->setCurrentText("=");
        d->valueEntry()->setText("Brno");
        d->accept();
    });
    w.runCommand(frame::command::kAddByField);
    EXPECT_EQ(rows(w), 2);
    onModal([](QWidget* dialog) { static_cast<ConditionDialog*>(dialog)->reject(); });
    w.runCommand(frame::command::kRemoveByField);
    EXPECT_EQ(rows(w), 2);
    EXPECT_EQ(w.findChild<QDialog*>("WWW"), nullptr); // no progress window was opened
}

TEST_F(SelectionWindowTest, TheDialogRefusesAValueTheFieldCannotTake) {
    std::array<std::string, 20> captions;
    captions[0] = "Odberatel";
    ConditionDialog d(fieldChoices(captions));
    d.fieldList()->setCurrentText("ID firmy");
    d.operatorList()->setCurrentText("=");
    d.valueEntry()->setText("5 OR 1");
    QString warning;
    onModal([&](QWidget* box) {
        warning = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    d.accept();
    EXPECT_TRUE(warning.contains("ID firmy"));
    EXPECT_TRUE(d.result().text.empty());
    d.fieldList()->setCurrentText("Odberatel");
    EXPECT_TRUE(d.flagBox()->isVisibleTo(&d));
    EXPECT_FALSE(d.valueEntry()->isVisibleTo(&d));
}

TEST_F(SelectionWindowTest, AFirmDroppedTwiceHasOneRow) {
    SelectionWindow w(context);
    ASSERT_TRUE(w.list().onDrop);
    EXPECT_EQ(w.list().dropType, records::kFirmDragMimeType);
    // A drag out of the firm list names its third firm.
    std::unique_ptr<QWidget> list(records::makeAdresarBrowse(context, 1));
    auto& adresar = static_cast<records::BrowseWindow*>(list.get())->list();
    adresar.engine().scrollDown();
    adresar.engine().scrollDown();
    std::unique_ptr<QMimeData> dragged(adresar.onDrag(adresar.engine().rows()[2]));
    w.list().onDrop(*dragged);
    w.list().onDrop(*dragged);
    EXPECT_EQ(rows(w), 1);
}

TEST_F(SelectionWindowTest, TheAutomaticHistoryWritesTheEditedEntryForEverySelectedFirm) {
    SelectionWindow w(context);
    w.runCommand(frame::command::kAddAll);
    onModal([](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Údaje o kontaku"));
        for (auto* edit : form->findChildren<QLineEdit*>())
            if (edit->text() == "AG -") edit->setText("AG - katalog");
        for (auto* b : form->findChildren<QPushButton*>())
            if (b->text() == "OK") b->click();
    });
    w.autoHistory();
    auto& sch = db.file("Schuzky");
    ASSERT_EQ(services::standardOpen(s, sch), services::OpenOutcome::Opened);
    long entries = 0;
    for (int rc = sch.setFile(); rc == 0 && sch.next() == 0; ++entries) {
        EXPECT_EQ(sch.as<SchuzkyRecord>().Popis.trimmed(), "AG - katalog");
        EXPECT_EQ(sch.as<SchuzkyRecord>().Vlozil.trimmed(), "Pepa");
        EXPECT_EQ(sch.as<SchuzkyRecord>().Jmeno.trimmed(), "<>");
    }
    EXPECT_EQ(entries, 4);
    services::standardRelease(sch);
    onModal([](QWidget* form) {
        for (auto* b : form->findChildren<QPushButton*>())
            if (b->text() == "Cancel") b->click();
    });
    w.autoHistory();
    ASSERT_EQ(services::standardOpen(s, sch), services::OpenOutcome::Opened);
    EXPECT_EQ(sch.records(), 4);
    services::standardRelease(sch);
}

QPushButton* buttonIn(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

TEST_F(SelectionWindowTest, SavingThroughTheCatalogueAndLoadingBringBackTheSelection) {
    state.dataPrefix = dir.path().toStdString() + "/";
    SelectionWindow w(context);
    EXPECT_TRUE(w.serves(frame::command::kSave));
    EXPECT_TRUE(w.serves(frame::command::kLoad));
    w.runCommand(frame::command::kAddAll);
    QString listTitle, formTitle;
    onModal([&](QWidget* list) {
        listTitle = list->windowTitle();
        onModal([&](QWidget* form) {
            formTitle = form->windowTitle();
            for (auto* edit : form->findChildren<QLineEdit*>())
                if (edit->toolTip() == QString::fromUtf8("Název výběru")) edit->setText("Všechny");
            buttonIn(form, "OK")->click();
        });
        buttonIn(list, "&Insert")->click();
    });
    w.saveSelection();
    EXPECT_EQ(listTitle, QString::fromUtf8("Přehled uložených výběrů"));
    EXPECT_EQ(formTitle, QString::fromUtf8("Detaily ohledně výběru"));
    EXPECT_EQ(db.file("AktVyber").physicalName(), state.dataPrefix + "Vybery\\VYB00001.QTF");
    EXPECT_TRUE(QFile::exists(dir.path() + "/Vybery")); // made when it was absent
    w.runCommand(frame::command::kRemoveAll);
    ASSERT_EQ(rows(w), 0);
    onModal([&](QWidget* list) {
        listTitle = list->windowTitle();
        buttonIn(list, "&Select")->click();
    });
    w.loadSelection();
    EXPECT_EQ(listTitle, QString::fromUtf8("Náhled na uložené výběry"));
    EXPECT_EQ(rows(w), 4);
}

TEST_F(SelectionWindowTest, TheLabelFormShowsItsNoteAndSampleAndRefusesALabelLargerThanThePage) {
    QStringList texts;
    int shownBefore = 0;
    onModal([&](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Update the Label File"));
        for (auto* l : form->findChildren<QLabel*>())
            texts << l->text();
        auto set = [&](const char* prompt, const char* value) {
            for (auto* l : form->findChildren<QLabel*>())
                if (l->text() == QString::fromUtf8(prompt))
                    static_cast<QLineEdit*>(l->buddy())->setText(value);
        };
        set("Název štítku:", "Obří");
        set("Šířka stránky:", "8.268");
        set("Délka stránky:", "11.693");
        set("Šířka štítku:", "9.000");
        set("Výška štítku:", "1.000");
        shownBefore = int(messages.shown().size());
        buttonIn(form, "OK")->click(); // refused: the form stays open
        EXPECT_EQ(int(messages.shown().size()), shownBefore + 1);
        set("Šířka štítku:", "2.000");
        buttonIn(form, "OK")->click();
    });
    EXPECT_EQ(runLabelForm(context, nullptr, records::kRequestInsert), records::kResponseCompleted);
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Všechny míry jsou uvedeny v PALCÍCH")));
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Už přišel čas !")));
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_EQ(cp1250::toUtf8(messages.shown().back().text), "Štítek je větší než stránka.");
    auto& label = db.file("Label");
    ASSERT_EQ(services::standardOpen(s, label), services::OpenOutcome::Opened);
    EXPECT_EQ(label.records(), 1);
    services::standardRelease(label);
}

} // namespace
} // namespace zv::selections
