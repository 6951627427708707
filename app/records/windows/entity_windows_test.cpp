// The lists and forms of persons, keywords, operations, kinds of contact, notes
// and jokes, and the category form with its clearing, as a user meets them:
// from the frame's menu, with an insert through each form.
#include "app/records/windows/entity_windows.h"

#include "app/records/kinds/categories.h"
#include "app/records/windows/category_clearing_window.h"
#include "app/records/windows/entity_forms.h"
#include "app/records/windows/form_window.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/main_frame.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/testing/on_modal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace zv::records {
namespace {

using namespace zv::rec;
using services::Button;
using ui::testing::onModal;

QPushButton* buttonIn(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

bool hasLabel(QWidget* w, const QString& text) {
    for (auto* l : w->findChildren<QLabel*>())
        if (l->text() == text) return true;
    return false;
}

class EntityWindowsTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ::setenv("ZEVLON_SYSTEM_PROFILE", (dir.path() + "/system.ini").toLocal8Bit().data(), 1);
        db.setDataPrefix(""); // the files' own names: the operations' views share one file
    }
    void TearDown() override { ::unsetenv("ZEVLON_SYSTEM_PROFILE"); }

    // Every record of a file, as the file holds them.
    std::vector<std::vector<std::uint8_t>> records(const char* label) {
        std::vector<std::vector<std::uint8_t>> out;
        auto& f = db.file(label);
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            out.emplace_back(f.record(), f.record() + f.recordSize());
        services::standardRelease(f);
        return out;
    }
    template <typename R> static const R& as(const std::vector<std::uint8_t>& bytes) {
        return *reinterpret_cast<const R*>(bytes.data());
    }
    void addFirm(int id, bool withCategories) {
        add("Adresar", [&](access::RecordFile& f) {
            auto& a = f.as<AdresarRecord>();
            a.ID.set(id);
            a.FIRMA.set("Firma " + std::to_string(id));
            a.TEXTY.set(1);
            if (withCategories) {
                a.P3.set(1);
                a.P3TXT.set("stary zakaznik");
                a.P4.set(1);
                a.P4TXT.set("ctvrta");
                a.P15.set(1);
            }
        });
    }
    void addCaptions() {
        add("Kategorie", [](access::RecordFile& f) {
            auto& k = f.as<KategorieRecord>();
            k.TEXT.set(1);
            k.K3.set("Partner");
            k.K4.set("Banka");
        });
    }
    std::unique_ptr<BrowseWindow> list(QWidget* w) {
        EXPECT_NE(w, nullptr);
        return std::unique_ptr<BrowseWindow>(static_cast<BrowseWindow*>(w));
    }
};

TEST_F(EntityWindowsTest, TheMenuItemsComeAliveAndOpenTheirLists) {
    frame::ProcedureTable table;
    addEntityProcedures(table, context);
    frame::MainFrame frame(context, std::move(table));
    frame.setInteractive(false);
    const std::pair<const char*, const char*> lists[] = {
        {"EVKLIC_S", "Seznam klíčů"},
        {"OPERACE_S", "Seznam evidovaných operací"},
        {"KLASIFIK_S", "Klasifikace kontaktu"},
        {"POZNAMKY_S", "Poznámky"},
        {"VTIPYSHOW", "Přehled vtipů na českých tocích"},
    };
    int thread = 0;
    for (const auto& [procedure, title] : lists) {
        QAction* item = frame.action(QString::fromLatin1(procedure));
        ASSERT_NE(item, nullptr) << procedure;
        EXPECT_TRUE(item->isEnabled()) << procedure;
        item->trigger();
        QWidget* w = frame.runtime().window(++thread);
        ASSERT_NE(w, nullptr) << procedure;
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8(title));
        EXPECT_TRUE(buttonIn(w, "&Insert")->isEnabled());
        EXPECT_FALSE(buttonIn(w, "&Select")->isVisible());
    }
    for (int t = 1; t <= thread; ++t)
        frame.runtime().close(t);
    QApplication::processEvents();
    EXPECT_TRUE(frame.action("KATEGORIE_U")->isEnabled());
    EXPECT_EQ(frame.action("KATEGORIE_U")->text(), QStringLiteral("&Kategorie"));
}

TEST_F(EntityWindowsTest, CategoriesOnAnEmptyDataDirectoryCreateCaptionSetOne) {
    frame::ProcedureTable table;
    addEntityProcedures(table, context);
    frame::MainFrame frame(context, std::move(table));
    frame.setInteractive(false);
    QString title;
    onModal([&](QWidget* form) {
        title = form->windowTitle();
        buttonIn(form, "Cancel")->click();
    });
    frame.action("KATEGORIE_U")->trigger();
    EXPECT_EQ(title, QString::fromUtf8("Zadávání kategorií"));
    const auto sets = records("Kategorie");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(as<KategorieRecord>(sets[0]).TEXT.get(), 1);
    EXPECT_EQ(state.actionRequest, kRequestChange);
}

TEST_F(EntityWindowsTest, ClearingCategoryThreeAsksThenClearsEveryFirmAndBlanksItsCaption) {
    addFirm(1, true);
    addFirm(2, true);
    addFirm(3, false);
    addCaptions();
    messages.answer(Button::Yes);
    QString captionAfter = "?";
    onModal([&](QWidget* w) {
        auto* form = static_cast<FormWindow*>(w);
        EXPECT_EQ(form->lineOf("KAG:K3")->text(), "Partner");
        QPushButton* clear = form->buttonBeside("KAG:K3");
        ASSERT_NE(clear, nullptr);
        EXPECT_EQ(clear->toolTip(), QString::fromUtf8("Vyčistí danou kategorii"));
        clear->click();
        captionAfter = form->lineOf("KAG:K3")->text();
        buttonIn(form, "OK")->click();
    });
    EXPECT_EQ(callKategorieForm(context, nullptr), kResponseCompleted);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(cp1250::toUtf8(messages.shown()[0].title), "Zadávání kategorií");
    EXPECT_NE(cp1250::toUtf8(messages.shown()[0].text).find("Kategorie 3 (Partner)"),
              std::string::npos);
    EXPECT_EQ(captionAfter, "");
    for (const auto& r : records("Adresar")) {
        const auto& a = as<AdresarRecord>(r);
        EXPECT_EQ(a.P3.get(), 0);
        EXPECT_EQ(a.P3TXT.trimmed(), "");
        EXPECT_EQ(a.P4.get(), a.ID.get() == 3 ? 0 : 1);
    }
    const auto sets = records("Kategorie");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(as<KategorieRecord>(sets[0]).K3.trimmed(), "");
    EXPECT_EQ(as<KategorieRecord>(sets[0]).K4.trimmed(), "Banka");
}

TEST_F(EntityWindowsTest, AnsweringNoClearsNoFirmAndKeepsTheCaption) {
    addFirm(1, true);
    addCaptions();
    const auto before = records("Adresar");
    messages.answer(Button::No);
    QString captionAfter;
    onModal([&](QWidget* w) {
        auto* form = static_cast<FormWindow*>(w);
        form->tabs()->setCurrentIndex(1);
        form->buttonBeside("KAG:K15")->click();
        captionAfter = form->lineOf("KAG:K3")->text();
        buttonIn(form, "Cancel")->click();
    });
    EXPECT_EQ(callKategorieForm(context, nullptr), kResponseCancelled);
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(captionAfter, "Partner");
    EXPECT_EQ(records("Adresar"), before);
}

TEST_F(EntityWindowsTest, EachListInsertsThroughItsForm) {
    addFirm(8, false);
    struct Case {
        QWidget* (*make)(frame::WindowContext&, int);
        const char* file;
        std::function<void(FormWindow&)> fill;
    };
    const Case cases[] = {
        {makeOsobyList, "Osoby",
         [](FormWindow& f) { f.lineOf("OSO:KONTAKT")->setText(QString::fromUtf8("Nováková")); }},
        {makeEvklicList, "EVKLICSL",
         [](FormWindow& f) { f.lineOf("EVK:POPIS")->setText(QString::fromUtf8("průmysl")); }},
        {makeOperaceList, "Operace",
         [](FormWindow& f) {
             f.lineOf("OPE:TYPOPERACE")->setText("7");
             f.lineOf("OPE:POPIS")->setText(QString::fromUtf8("Návštěva"));
         }},
        {makeKlasifikList, "Klasifik",
         [](FormWindow& f) {
             f.lineOf("KLA:ZKRATKA")->setText("NA");
             f.lineOf("KLA:PRODLEVA2")->setText("30");
         }},
        {makePoznamkyList, "Poznamky",
         [](FormWindow& f) {
             f.lineOf("POZ:DATUM")->setText("19.05.1998");
             f.lineOf("POZ:TEXT")->setText("Porada");
         }},
        {makeVtipyList, "Vtipy",
         [](FormWindow& f) {
             for (auto* memo : f.findChildren<QPlainTextEdit*>())
                 memo->setPlainText("Potkaji se dva rybari.");
         }},
    };
    // The firm in the address book's buffer is the one a new person belongs to.
    auto& adr = db.file("Adresar");
    adr.as<AdresarRecord>().ID.set(8);
    for (const Case& c : cases) {
        auto w = list(c.make(context, 0));
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->list().engine().empty()) << c.file;
        onModal([&](QWidget* form) {
            c.fill(*static_cast<FormWindow*>(form));
            buttonIn(form, "OK")->click();
        });
        w->insertRecord();
        EXPECT_EQ(w->list().engine().rows().size(), 1u) << c.file;
        EXPECT_EQ(records(c.file).size(), 1u) << c.file;
    }
    EXPECT_EQ(as<OsobyRecord>(records("Osoby")[0]).ID.get(), 8);
    EXPECT_EQ(as<OsobyRecord>(records("Osoby")[0]).REC.get(), 1);
    EXPECT_EQ(as<EvklicslRecord>(records("EVKLICSL")[0]).ZAVEDL.trimmed(), "Pepa");
    EXPECT_EQ(as<KlasifikRecord>(records("Klasifik")[0]).PRODLEVA2.get(), 30);
    EXPECT_EQ(as<PoznamkyRecord>(records("Poznamky")[0]).DATUM.get(), 72095);
}

TEST_F(EntityWindowsTest, ANumberTooLargeForItsFieldIsRefusedWithTheReason) {
    auto w = list(makeOperaceList(context, 0));
    ASSERT_TRUE(w);
    QString afterRefusal;
    onModal([&](QWidget* form) {
        auto& f = *static_cast<FormWindow*>(form);
        f.lineOf("OPE:TYPOPERACE")->setText("300");
        buttonIn(form, "OK")->click();
        afterRefusal = form->isVisible() ? "open" : "closed";
        f.lineOf("OPE:TYPOPERACE")->setText("44");
        buttonIn(form, "OK")->click();
    });
    w->insertRecord();
    EXPECT_EQ(afterRefusal, "open");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(cp1250::toUtf8(messages.shown()[0].text), "Zadejte celé číslo od 0 do 255.");
    const auto ops = records("Operace");
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(as<OperaceRecord>(ops[0]).TYPOPERACE.get(), 44);
}

TEST_F(EntityWindowsTest, TheNotesListShowsTheHighlightedNotesDateAndText) {
    for (int n = 1; n <= 2; ++n)
        add("Poznamky", [n](access::RecordFile& f) {
            f.as<PoznamkyRecord>().CP.set(n);
            f.as<PoznamkyRecord>().DATUM.set(72094 + n);
            f.as<PoznamkyRecord>().TEXT.set(n == 1 ? "Alfa" : "Beta");
            f.setMemo(n == 1 ? "Prvni\r\nradek" : "Druha poznamka");
        });
    auto w = list(makePoznamkyList(context, 0));
    ASSERT_TRUE(w);
    auto* text = w->findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    QLineEdit* date = nullptr;
    for (auto* e : w->findChildren<QLineEdit*>())
        if (e != w->locatorField()) date = e;
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->text(), "19.05.1998");
    EXPECT_EQ(text->toPlainText(), "Prvni\nradek");
    w->list().engine().scrollDown();
    w->list().sync();
    EXPECT_EQ(date->text(), "20.05.1998");
    EXPECT_EQ(text->toPlainText(), "Druha poznamka");
}

TEST_F(EntityWindowsTest, TheJokeFormSaysWhatItDoesByRequest) {
    add("Vtipy", [](access::RecordFile& f) {
        f.as<VtipyRecord>().NOF.set(4);
        f.setMemo("Stary vtip");
    });
    auto w = list(makeVtipyList(context, 0));
    ASSERT_TRUE(w);
    ASSERT_EQ(w->list().engine().rows().size(), 1u);
    EXPECT_EQ(w->list().engine().rows()[0].cells[1], "Stary vtip");
    bool adding = false, changing = false;
    QString title;
    onModal([&](QWidget* form) {
        title = form->windowTitle();
        adding = hasLabel(form, "Adding a Vtipy Record");
        buttonIn(form, "Cancel")->click();
    });
    w->insertRecord();
    onModal([&](QWidget* form) {
        changing = hasLabel(form, "Changing a Vtipy Record");
        buttonIn(form, "Cancel")->click();
    });
    w->changeRecord();
    EXPECT_EQ(title, "Update  Vtipy ");
    EXPECT_TRUE(adding);
    EXPECT_TRUE(changing);
    EXPECT_EQ(records("Vtipy").size(), 1u);
}

TEST_F(EntityWindowsTest, AKindShowsItsOperationsLookedUpThroughTheViews) {
    for (int code : {1, 2})
        add("Operace", [code](access::RecordFile& f) {
            f.as<OperaceRecord>().TYPOPERACE.set(std::uint8_t(code));
            f.as<OperaceRecord>().POPIS.set(code == 1 ? "Telefonat" : "Dopis");
        });
    add("Klasifik", [](access::RecordFile& f) {
        auto& k = f.as<KlasifikRecord>();
        k.ZKRATKA.set("OD");
        k.KODOP1.set(2);
        k.KODOP3.set(1);
        k.KODOP2.set(9); // no such operation
    });
    auto w = list(makeKlasifikList(context, 0));
    ASSERT_TRUE(w);
    bool first = false, third = false;
    onModal([&](QWidget* form) {
        first = hasLabel(form, "Dopis");
        third = hasLabel(form, "Telefonat");
        buttonIn(form, "Cancel")->click();
    });
    w->changeRecord();
    EXPECT_TRUE(first);
    EXPECT_TRUE(third);
}

TEST_F(EntityWindowsTest, TheKeywordListPicksAndOffersItsForm) {
    for (int n : {1, 2})
        add("EVKLICSL", [n](access::RecordFile& f) {
            f.as<EvklicslRecord>().IDKS.set(n);
            f.as<EvklicslRecord>().POPIS.set(n == 1 ? "alfa" : "beta");
        });
    onModal([](QWidget* w) {
        auto* browse = static_cast<BrowseWindow*>(w);
        EXPECT_TRUE(buttonIn(w, "&Select")->isVisible());
        EXPECT_NE(buttonIn(w, "&Insert"), nullptr);
        EXPECT_EQ(buttonIn(w, "&Delete")->toolTip(), QString::fromUtf8("Zruší vybraný klíč"));
        browse->list().engine().scrollDown();
        buttonIn(w, "&Select")->click();
    });
    EXPECT_TRUE(selectKeyword(context, nullptr));
    EXPECT_EQ(db.file("EVKLICSL").as<EvklicslRecord>().IDKS.get(), 2);
}

TEST(CategoryClearingWindowTest, AKeyPressedWhileItRunsAsksToStop) {
    CategoryClearingWindow w;
    EXPECT_EQ(w.objectName(), "CISTI$QW");
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Hromadná operace v adresáři"));
    EXPECT_TRUE(hasLabel(&w, QString::fromUtf8("Prosím čekejte !!")));
    w.begin(0);
    EXPECT_EQ(w.bar()->value(), 0); // an empty address book: an empty bar
    w.end();
    w.begin(1000);
    EXPECT_TRUE(w.step(1));
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    // The bar is redrawn, and keys looked at, a few times a second.
    bool stopped = false;
    QElapsedTimer waited;
    waited.start();
    for (long done = 2; !stopped && waited.elapsed() < 10000; ++done)
        stopped = !w.step(std::min(done, 999L));
    EXPECT_TRUE(stopped);
    w.end();
    EXPECT_FALSE(w.isVisible());
}

} // namespace
} // namespace zv::records
