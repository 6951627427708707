#include "app/records/windows/record_windows.h"

#include "app/records/windows/browse_window.h"
#include "app/records/windows/entity_forms.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/help/help_topics.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "ui/help/help_book.h"
#include "ui/help/help_window.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/testing/on_modal.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace zv::records {
namespace {

using namespace zv::rec;

QPushButton* buttonIn(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

using ui::testing::onModal;

class RecordWindowsTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label :
             {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "EVKLICSL", "Kategorie"})
            ASSERT_EQ(db.file(label).create(), 0);
        started.clear();
        setProgramStarter([this](const std::string& line) {
            started.push_back(line);
            return false; // a dialler that cannot be started is no error
        });
    }
    void TearDown() override { setProgramStarter(nullptr); }

    void addFirm(int id, const std::string& name, int captionSet = 1) {
        add("Adresar", [&](access::RecordFile& f) {
            auto& r = f.as<AdresarRecord>();
            r.ID.set(id);
            r.FIRMA.set(name);
            r.TEXTY.set(std::uint8_t(captionSet));
        });
    }
    void addPerson(int rec, int firm, const std::string& name, const std::string& tel) {
        add("Osoby", [&](access::RecordFile& f) {
            auto& r = f.as<OsobyRecord>();
            r.REC.set(rec);
            r.ID.set(firm);
            r.KONTAKT.set(name);
            r.TFZ.set(tel);
        });
    }
    long records(const char* label) {
        auto& f = db.file(label);
        (void)services::standardOpen(s, f);
        const long n = f.records();
        services::standardRelease(f);
        return n;
    }
    // Opens ADRESAR_U on firm id; action runs on the form once it is up.
    int formOnFirm(int id, std::function<void(QWidget*)> action) {
        onModal(std::move(action));
        return callAdresarFormForFirm(context, nullptr, id);
    }

    std::vector<std::string> started;
};

TEST_F(RecordWindowsTest, AnEmptyFileDisablesChangeDeleteAndTheLocator) {
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    ASSERT_TRUE(w);
    auto* browse = static_cast<BrowseWindow*>(w.get());
    EXPECT_EQ(browse->windowTitle(), QString::fromUtf8("Procházím adresář"));
    EXPECT_FALSE(buttonIn(w.get(), "&Change")->isEnabled());
    EXPECT_FALSE(buttonIn(w.get(), "&Delete")->isEnabled());
    EXPECT_TRUE(buttonIn(w.get(), "&Insert")->isEnabled());
    EXPECT_FALSE(browse->locatorField()->isEnabled());
}

TEST_F(RecordWindowsTest, LettersTypedInTheListLocateAndBackspaceGoesBack) {
    addFirm(1, "Alfa");
    addFirm(2, cp1250::fromUtf8("Beta"));
    addFirm(3, cp1250::fromUtf8("Betonárka"));
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    ASSERT_TRUE(w);
    auto* browse = static_cast<BrowseWindow*>(w.get());
    QWidget* table = browse->list().table();
    for (const char* key : {"b", "e", "t", "o"}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                        QString::fromLatin1(key));
        QApplication::sendEvent(table, &press);
    }
    auto& adr = db.file("Adresar");
    EXPECT_EQ(adr.as<AdresarRecord>().ID.get(), 3);
    EXPECT_EQ(browse->locatorField()->text(), "beto");
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(table, &back);
    EXPECT_EQ(adr.as<AdresarRecord>().ID.get(), 2);
    EXPECT_TRUE(buttonIn(w.get(), "&Change")->isEnabled());
}

TEST_F(RecordWindowsTest, StartedInTheFrameCloseEndsTheWindowAndAnswersCancelled) {
    addFirm(1, "Alfa");
    QMdiArea area;
    ui::ProcedureRuntime runtime(&area);
    context.runtime = &runtime;
    const int thread = runtime.start([this](int t) { return makeAdresarBrowse(context, t); });
    ASSERT_EQ(thread, 1);
    QWidget* w = runtime.window(thread);
    ASSERT_TRUE(w);
    buttonIn(w, "Close")->click();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(runtime.window(thread), nullptr);
    EXPECT_EQ(state.actionResponse, 2);
    EXPECT_TRUE(area.subWindowList().isEmpty());
    context.runtime = nullptr;
}

TEST_F(RecordWindowsTest, TheListHoldsTheFocusOnOpeningAfterATabChangeAndAfterAForm) {
    addFirm(1, "Alfa");
    addFirm(2, "Beta");
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    QApplication::setActiveWindow(&area);
    ui::ProcedureRuntime runtime(&area);
    context.runtime = &runtime;
    const int thread = runtime.start([this](int t) { return makeAdresarBrowse(context, t); });
    auto* browse = static_cast<BrowseWindow*>(runtime.window(thread));
    ASSERT_TRUE(browse);
    auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    };
    settle();
    QWidget* table = browse->list().table();
    EXPECT_EQ(browse->focusWidget(), table);
    browse->tabs()->setCurrentIndex(1);
    settle();
    EXPECT_EQ(browse->focusWidget(), table);
    onModal([](QWidget* form) { buttonIn(form, "Cancel")->click(); });
    browse->changeRecord();
    settle();
    EXPECT_EQ(browse->focusWidget(), table);
    // Typing in the list still feeds the locator.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("b"));
    QApplication::sendEvent(table, &press);
    EXPECT_EQ(browse->locatorField()->text(), "b");
    EXPECT_EQ(browse->focusWidget(), table);
    buttonIn(browse, "Close")->click();
    settle();
    context.runtime = nullptr;
}

TEST_F(RecordWindowsTest, SelectingAFirmLeavesItInTheBuffer) {
    addFirm(1, "Alfa");
    addFirm(2, "Beta");
    onModal([](QWidget* list) {
        auto* browse = static_cast<BrowseWindow*>(list);
        EXPECT_TRUE(buttonIn(list, "&Select")->isVisible());
        browse->list().engine().scrollDown();
        buttonIn(list, "&Select")->click();
    });
    EXPECT_TRUE(selectFirm(context, nullptr));
    EXPECT_EQ(db.file("Adresar").as<AdresarRecord>().ID.get(), 2);
    EXPECT_EQ(state.actionResponse, 1);
    onModal([](QWidget* list) { buttonIn(list, "Close")->click(); });
    EXPECT_FALSE(selectFirm(context, nullptr));
    EXPECT_EQ(state.actionResponse, 2);
}

TEST_F(RecordWindowsTest, DraggingARowCarriesTheIdentifierAndSetsTheDraggedFirm) {
    addFirm(17, "Alfa");
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    auto& list = static_cast<BrowseWindow*>(w.get())->list();
    ASSERT_TRUE(list.onDrag);
    std::unique_ptr<QMimeData> mime(list.onDrag(list.engine().rows().front()));
    EXPECT_EQ(QString::fromUtf8(mime->data(kFirmDragMimeType)), kFirmDragIdentifier);
    EXPECT_EQ(draggedFirmId(), 17);
}

TEST_F(RecordWindowsTest, CancellingAnInsertFromTheListLeavesNoRecord) {
    addFirm(41, "Alfa");
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    auto* browse = static_cast<BrowseWindow*>(w.get());
    int numbered = 0;
    onModal([&](QWidget* form) {
        numbered = db.file("Adresar").as<AdresarRecord>().ID.get();
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Přidat záznam  (New)"));
        buttonIn(form, "Cancel")->click();
    });
    browse->insertRecord();
    EXPECT_EQ(numbered, 42);
    EXPECT_EQ(state.actionResponse, 2);
    EXPECT_EQ(records("Adresar"), 1);
    EXPECT_EQ(browse->list().engine().rows().size(), 1u);
}

TEST_F(RecordWindowsTest, TelephoneRunsTheDiallerWithTheDigitsOnly) {
    addFirm(1, "Alfa");
    addPerson(1, 1, "Novák", "+420 (2) 123-45 67");
    formOnFirm(1, [](QWidget* form) {
        buttonIn(form, "&Telefonuj")->click();
        buttonIn(form, "Cancel")->click();
    });
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], "VOLNUM.EXE 42021234567");
    started.clear();
    addFirm(2, "Beta");
    addPerson(2, 2, "Bez čísla", "neuvedeno");
    formOnFirm(2, [](QWidget* form) {
        buttonIn(form, "&Telefonuj")->click();
        buttonIn(form, "Cancel")->click();
    });
    EXPECT_TRUE(started.empty());
}

TEST_F(RecordWindowsTest, ContactCopiesThirtyCharactersAndOkWritesIt) {
    addFirm(1, "Alfa");
    addPerson(1, 1, std::string(40, 'K'), "");
    const int response = formOnFirm(1, [](QWidget* form) {
        buttonIn(form, "-> &Kontakt")->click();
        buttonIn(form, "OK")->click();
    });
    EXPECT_EQ(response, 1);
    auto& adr = db.file("Adresar");
    ASSERT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
    adr.clearBuffer();
    adr.as<AdresarRecord>().ID.set(1);
    ASSERT_EQ(adr.setKeyValue(0), 0);
    ASSERT_EQ(adr.next(), 0);
    EXPECT_EQ(adr.as<AdresarRecord>().JMENO1.trimmed(), std::string(30, 'K'));
    EXPECT_EQ(adr.as<AdresarRecord>().UPRAVIL.trimmed(), "Pepa");
    services::standardRelease(adr);
}

TEST_F(RecordWindowsTest, OkWithoutChangesAnswersCancelled) {
    addFirm(1, "Alfa");
    const int response = formOnFirm(1, [](QWidget* form) { buttonIn(form, "OK")->click(); });
    EXPECT_EQ(response, 2);
}

TEST_F(RecordWindowsTest, CaptionsAreBlankForAMissingSetAndHistoryPrintIsEnabled) {
    add("Kategorie", [](access::RecordFile& f) {
        f.as<KategorieRecord>().TEXT.set(1);
        f.as<KategorieRecord>().K1.set("Odberatel");
    });
    addFirm(1, "Alfa", 1);
    addFirm(2, "Beta", 7);
    QStringList first, second;
    auto captions = [](QWidget* form, QStringList& out) {
        auto* tabs = form->findChild<QTabWidget*>();
        for (auto* box : tabs->widget(1)->findChildren<QAbstractButton*>())
            out << box->text();
    };
    formOnFirm(1, [&](QWidget* form) {
        captions(form, first);
        EXPECT_TRUE(buttonIn(form, "Tisk historie")->isEnabled());
        buttonIn(form, "Cancel")->click();
    });
    formOnFirm(2, [&](QWidget* form) {
        captions(form, second);
        buttonIn(form, "Cancel")->click();
    });
    ASSERT_EQ(first.size(), 10);
    EXPECT_EQ(first[0], "Odberatel");
    ASSERT_EQ(second.size(), 10);
    for (const auto& c : second)
        EXPECT_TRUE(c.isEmpty());
}

TEST_F(RecordWindowsTest, AFormClosedWithTheFocusInALookedUpFieldEndsCleanly) {
    addFirm(5, "Alfa");
    add("Klice", [](access::RecordFile& f) {
        f.as<KliceRecord>().ID.set(5);
        f.as<KliceRecord>().IDKL.set(1);
    });
    auto& kli = db.file("Klice");
    ASSERT_EQ(services::standardOpen(s, kli), services::OpenOutcome::Opened);
    kli.clearBuffer();
    ASSERT_EQ(kli.setKeyValue(0), 0);
    ASSERT_EQ(kli.next(), 0);
    QString firm;
    onModal([&](QWidget* form) {
        auto* id = form->findChildren<QLineEdit*>().front();
        id->setFocus();
        QApplication::processEvents();
        for (auto* label : form->findChildren<QLabel*>())
            if (label->text() == "Alfa") firm = label->text();
        buttonIn(form, "Cancel")->click();
    });
    EXPECT_EQ(runKliceForm(context, nullptr, kRequestChange, 5).response, kResponseCancelled);
    EXPECT_EQ(firm, "Alfa");
    services::standardRelease(kli);
}

TEST_F(RecordWindowsTest, HelpOfTheFirmListAndOfTheFirmFormShowsTheirOwnPages) {
    addFirm(1, "Alfa");
    ui::HelpBook book(
        QStringLiteral(ZEVLON_HELP_PAGES),
        [](const QString& topic) {
            const std::string_view page = help::pageOf(topic.toStdString());
            return QString::fromUtf8(page.data(), qsizetype(page.size()));
        },
        QStringLiteral("index.html"), QStringLiteral("napoveda.html"));
    book.install();
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    ASSERT_TRUE(w);
    w->show();
    QPushButton* help = buttonIn(w.get(), "Help");
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isEnabled());
    help->click();
    ASSERT_TRUE(book.window());
    EXPECT_EQ(book.window()->currentPage(), "adresar_s.html");
    book.window()->close();

    QString page;
    bool formHelpEnabled = false;
    formOnFirm(1, [&](QWidget* form) {
        formHelpEnabled = buttonIn(form, "Help")->isEnabled();
        QWidget* field = form->focusWidget() ? form->focusWidget() : form;
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(field, &f1);
        page = book.window()->currentPage();
        book.window()->close();
        buttonIn(form, "Cancel")->click();
    });
    EXPECT_TRUE(formHelpEnabled);
    EXPECT_EQ(page, "adresar_u.html");
}

TEST_F(RecordWindowsTest, SearchingWithoutAccentsListsTheFirmsAndEnterShowsOneInTheList) {
    addFirm(1, cp1250::fromUtf8("Alfa"));
    addFirm(2, cp1250::fromUtf8("Černý a syn"));
    addFirm(3, cp1250::fromUtf8("Beta"));
    std::unique_ptr<QWidget> w(makeAdresarBrowse(context, 1));
    ASSERT_TRUE(w);
    auto* browse = static_cast<BrowseWindow*>(w.get());
    auto* field = w->findChild<QLineEdit*>(QStringLiteral("SearchField"));
    auto* results = w->findChild<QTableWidget*>(QStringLiteral("SearchResults"));
    ASSERT_TRUE(field && results);
    w->show();
    field->setFocus();
    QApplication::processEvents();
    addFirm(4, cp1250::fromUtf8("Černošice s.r.o.")); // after the firms were read
    field->setText(QStringLiteral("cern"));
    ASSERT_EQ(results->rowCount(), 1);
    EXPECT_EQ(results->item(0, 1)->text(), QString::fromUtf8("Černý a syn"));
    field->clearFocus();
    field->setFocus(); // the firms are read again
    QApplication::processEvents();
    field->setText(QStringLiteral("CERN"));
    ASSERT_EQ(results->rowCount(), 2);
    results->setCurrentCell(0, 0);
    emit results->cellActivated(0, 0);
    EXPECT_EQ(db.file("Adresar").as<AdresarRecord>().ID.get(), 4);
    EXPECT_EQ(browse->tabs()->currentIndex(), 2);
    field->setText(QString());
    EXPECT_FALSE(results->isVisibleTo(w.get()));
}

} // namespace
} // namespace zv::records
