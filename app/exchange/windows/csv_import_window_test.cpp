// The CSV formats in the exchange windows: the export's two new choices and the
// import's CSV tab with its mapping dialog.
#include "app/exchange/windows/csv_mapping_dialog.h"
#include "app/exchange/windows/export_window.h"
#include "app/exchange/windows/import_window.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "ui/testing/on_modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;
using ui::testing::onModal;

class CsvWindowsTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        for (int id = 1; id <= 2; ++id) {
            add("Adresar", [&](access::RecordFile& f) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set(cp1250::fromUtf8("Žába " + std::to_string(id)));
            });
            add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(id); });
        }
    }
    QString write(const char* name, const QByteArray& bytes) {
        QFile out(dir.path() + "/" + name);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return out.fileName();
    }
};

TEST_F(CsvWindowsTest, TheExportWritesVcardsAndCsvAsChosen) {
    {
        ExportWindow w(context);
        w.vcardChoice()->setChecked(true);
        w.fileEntry()->setText("x.vcf");
        onModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
        w.start();
        EXPECT_EQ(w.counts().firms, 2);
    }
    QFile vcf(dir.path() + "/x.vcf");
    ASSERT_TRUE(vcf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(vcf.readAll().contains(QString::fromUtf8("ORG:Žába 2\r\n").toUtf8()));
    {
        ExportWindow w(context);
        w.csvChoice()->setChecked(true);
        w.fileEntry()->setText("x.csv");
        onModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
        w.start();
    }
    EXPECT_TRUE(QFile::exists(dir.path() + "/x.csv"));
    EXPECT_TRUE(QFile::exists(dir.path() + "/x_osoby.csv"));
}

TEST_F(CsvWindowsTest, ACsvFileIsShownMappedByItsHeadingsAndImported) {
    const QString file = write("in.csv", QString::fromUtf8("Firma;Město;Telefon;Nic\r\n"
                                                           "Žába 1;;111;a\r\n"
                                                           "Nová;Brno;222;b\r\n")
                                             .toUtf8());
    ImportWindow w(context);
    w.tabs()->setCurrentIndex(2);
    w.fileEntry()->setText(file);
    w.showFile();
    ASSERT_EQ(w.csvColumns()->topLevelItemCount(), 4);
    EXPECT_EQ(w.csvColumns()->topLevelItem(1)->text(0), QString::fromUtf8("Město"));
    EXPECT_EQ(w.csvColumns()->topLevelItem(1)->text(1), QString::fromUtf8("Město"));
    EXPECT_EQ(w.csvColumns()->topLevelItem(3)->text(1), "");
    // The dialog: the telephone column given to the fax instead.
    onModal([](QWidget* d) {
        auto* m = static_cast<CsvMappingDialog*>(d);
        EXPECT_EQ(m->table()->rowCount(), 3); // the choices and two lines under the headings
        EXPECT_EQ(m->table()->item(1, 0)->text(), QString::fromUtf8("Žába 1"));
        m->choiceOf(2)->setCurrentIndex(m->choiceOf(2)->findText("Fax"));
        m->choiceOf(3)->setCurrentIndex(m->choiceOf(3)->findText("Fax")); // taken from column 3
        EXPECT_EQ(m->choiceOf(2)->currentIndex(), 0);
        m->choiceOf(2)->setCurrentIndex(m->choiceOf(2)->findText("Fax"));
        m->accept();
    });
    w.mapCsvColumns();
    EXPECT_EQ(w.csvColumns()->topLevelItem(2)->text(1), "Fax");
    EXPECT_EQ(w.csvColumns()->topLevelItem(3)->text(1), "");
    onModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    w.start();
    EXPECT_EQ(w.counts().added, 1);   // "Nová" in Brno
    EXPECT_EQ(w.counts().skipped, 1); // "Žába 1" the book has: " Nepřepíše nikdy"
}

TEST_F(CsvWindowsTest, ThePersonsFileBesideIsShownAndItsPersonsComeWithTheirFirms) {
    const QString file = write("f.csv", QString::fromUtf8("ID;FIRMA;MESTO\r\n"
                                                          "5;Nová;Brno\r\n"
                                                          "6;Žába 1;\r\n")
                                            .toUtf8());
    write("f_osoby.csv", QString::fromUtf8("REC;ID;KONTAKT\r\n"
                                           "1;5;Horák Ivo\r\n"
                                           "2;6;Bez Přidání\r\n"
                                           "3;9;Cizí\r\n"
                                           "4;x;Špatný\r\n")
                             .toUtf8());
    ImportWindow w(context);
    w.tabs()->setCurrentIndex(2);
    w.fileEntry()->setText(file);
    w.showFile();
    EXPECT_EQ(w.csvPersons()->text(), QString::fromUtf8("f_osoby.csv, řádků s osobami: 4"));
    EXPECT_EQ(w.csvColumns()->topLevelItem(0)->text(1),
              QString::fromUtf8("(číslo firmy pro osoby)"));
    QString said;
    onModal([&said](QWidget* box) {
        said = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    w.start();
    EXPECT_EQ(w.counts().added, 1);
    EXPECT_EQ(w.counts().persons, 1);
    EXPECT_TRUE(said.endsWith(QString::fromUtf8(
        "\nOsoby ze souboru f_osoby.csv: přidáno 1, vynecháno 1, bez firmy v souboru 1, "
        "chybných řádků 1")))
        << said.toStdString();
    auto& oso = db.file("Osoby");
    ASSERT_EQ(services::standardOpen(s, oso), services::OpenOutcome::Opened);
    ASSERT_EQ(oso.setFile(), 0);
    ASSERT_EQ(oso.next(), 0);
    EXPECT_EQ(oso.as<OsobyRecord>().ID.get(), 3); // "Nová" took the book's next number
    EXPECT_NE(oso.next(), 0);
    services::standardRelease(oso);
}

TEST_F(CsvWindowsTest, WithoutAPersonsFileTheTabSaysSoAndAnUnreadableOneStopsTheImport) {
    const QString file = write("g.csv", QByteArray("ID;FIRMA;MESTO\r\n5;Nova;Brno\r\n"));
    ImportWindow w(context);
    w.tabs()->setCurrentIndex(2);
    w.fileEntry()->setText(file);
    w.showFile();
    EXPECT_EQ(w.csvPersons()->text(), QString::fromUtf8("není, importují se jen firmy"));
    EXPECT_EQ(w.csvColumns()->topLevelItem(0)->text(1), ""); // no persons, no use for the number
    ASSERT_TRUE(QDir(dir.path()).mkdir("g_osoby.csv"));
    QString said;
    onModal([&said](QWidget* box) {
        said = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    w.start();
    EXPECT_TRUE(said.startsWith(
        QStringLiteral("Soubor %1 se nepodařilo přečíst: ").arg(dir.path() + "/g_osoby.csv")))
        << said.toStdString();
    EXPECT_EQ(w.counts().added, 0);
}

} // namespace
} // namespace zv::exchange
