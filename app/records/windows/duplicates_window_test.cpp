#include "app/records/windows/duplicates_window.h"

#include "app/records/windows/browse_window.h"
#include "app/records/windows/record_windows.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "ui/testing/on_modal.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

namespace zv::records {
namespace {

using namespace zv::rec;
using ui::testing::onModal;

class DuplicatesWindowTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label :
             {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "Vybery", "EVKLICSL", "Kategorie"})
            ASSERT_EQ(db.file(label).create(), 0);
        firm(1, "Pila Novák s.r.o.", "Brno");
        firm(2, "PILA NOVÁK", "Brno");
        firm(3, "Mlýn", "Tábor");
        add("Osoby", [](access::RecordFile& f) {
            f.as<OsobyRecord>().REC.set(1);
            f.as<OsobyRecord>().ID.set(2);
        });
    }
    void firm(int id, const char* name, const char* town) {
        add("Adresar", [&](access::RecordFile& f) {
            f.as<AdresarRecord>().ID.set(id);
            f.as<AdresarRecord>().FIRMA.set(cp1250::fromUtf8(name));
            f.as<AdresarRecord>().MESTO.set(cp1250::fromUtf8(town));
        });
    }
    bool exists(int id) {
        auto& f = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        f.as<AdresarRecord>().ID.set(id);
        const bool found = f.getByKey(f.keyNumber("ADR:BYID")) == 0;
        services::standardRelease(f);
        return found;
    }
};

TEST_F(DuplicatesWindowTest, ThePairIsListedAndMergedAfterTheQuestion) {
    DuplicatesWindow w(context);
    ASSERT_TRUE(w.opened());
    ASSERT_EQ(w.pairs()->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = w.pairs()->topLevelItem(0);
    EXPECT_EQ(row->text(0), "1");
    EXPECT_EQ(row->text(4), "2");
    EXPECT_EQ(row->text(5), QString::fromUtf8("PILA NOVÁK"));
    EXPECT_EQ(row->text(8), QString::fromUtf8("název a město"));
    // "No" leaves both firms.
    onModal([](QWidget* box) { static_cast<QMessageBox*>(box)->reject(); });
    EXPECT_FALSE(w.mergeChosen());
    EXPECT_TRUE(exists(2));
    QString question;
    onModal([&](QWidget* box) {
        auto* b = static_cast<QMessageBox*>(box);
        question = b->text();
        b->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(w.mergeChosen());
    EXPECT_TRUE(question.startsWith(
        QString::fromUtf8("Sloučit firmu PILA NOVÁK (ID 2) do firmy Pila Novák s.r.o. (ID 1)?")));
    EXPECT_FALSE(exists(2));
    EXPECT_TRUE(exists(1));
    EXPECT_EQ(w.pairs()->topLevelItemCount(), 0);
    EXPECT_EQ(w.findChild<QLabel*>()->text(), QString::fromUtf8("Počet dvojic: 0"));
}

TEST_F(DuplicatesWindowTest, SwappingKeepsTheOtherFirm) {
    DuplicatesWindow w(context);
    w.swapChosen();
    EXPECT_EQ(w.pairs()->topLevelItem(0)->text(0), "2");
    onModal(
        [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(w.mergeChosen());
    EXPECT_TRUE(exists(2));
    EXPECT_FALSE(exists(1));
}

TEST_F(DuplicatesWindowTest, TheFirmListOffersTheSearchAndShowsTheMergeAfterwards) {
    std::unique_ptr<QWidget> list(makeAdresarBrowse(context, 1));
    ASSERT_TRUE(list);
    auto* browse = static_cast<BrowseWindow*>(list.get());
    QPushButton* search = browse->button(QStringLiteral("Hledat d&uplicity"));
    ASSERT_NE(search, nullptr);
    onModal([](QWidget* w) {
        auto* d = dynamic_cast<DuplicatesWindow*>(w);
        ASSERT_NE(d, nullptr);
        onModal([](QWidget* box) {
            static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
        });
        d->mergeChosen();
        d->reject();
    });
    search->click();
    EXPECT_FALSE(exists(2));
    EXPECT_EQ(browse->list().engine().rows().size(), 2u);
}

} // namespace
} // namespace zv::records
