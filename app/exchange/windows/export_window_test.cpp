#include "app/exchange/windows/export_window.h"

#include "app/exchange/windows/import_window.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/frame/testing/window_test_book.h"
#include "app/shell/services/standard_open.h"
#include "ui/testing/on_modal.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;
using ui::testing::onModal;

class ExportWindowTest : public ::testing::Test, protected frame::testing::WindowTestBook {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        for (int id = 1; id <= 2; ++id) {
            add("Adresar", [&](access::RecordFile& f) { f.as<AdresarRecord>().ID.set(id); });
            add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(id); });
        }
    }
};

TEST_F(ExportWindowTest, AnEmptyFileNameMovesTheFocusAndExportsNothing) {
    ExportWindow w(context);
    w.show();
    w.nativeChoice()->setChecked(true);
    w.start();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.counts().entries, 0);
}

TEST_F(ExportWindowTest, TheExportSaysWhatItExported) {
    ExportWindow w(context);
    w.nativeChoice()->setChecked(true);
    w.fileEntry()->setText("x.ems");
    QString summary;
    onModal([&](QWidget* box) {
        summary = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    w.start();
    EXPECT_EQ(w.counts().firms, 2);
    EXPECT_EQ(summary, QString::fromUtf8("Exportováno firem: 2, osob: 0, schůzek: 0"));
    EXPECT_EQ(w.progressText()->text(), QString::fromUtf8("Exportuji záznam 2"));
}

TEST_F(ExportWindowTest, TheImportWindowListsADbaseTablesFieldsWithTheirPositions) {
    // A header of 3 fields: 32 + 3 x 32 + 1 bytes, rows of 1 + 10 + 8 + 5 bytes.
    QByteArray bytes(32, '\0');
    bytes[0] = 0x03;
    bytes[1] = 98; // 1998
    bytes[2] = 7;
    bytes[3] = 14;
    bytes[4] = 2; // two rows
    bytes[8] = 129;
    bytes[10] = 24;
    const struct {
        const char* name;
        char type;
        int length;
    } fields[] = {{"FIRMA", 'C', 10}, {"DATUM", 'D', 8}, {"CENA", 'N', 5}};
    for (const auto& f : fields) {
        QByteArray d(32, '\0');
        d.replace(0, int(qstrlen(f.name)), f.name);
        d[11] = f.type;
        d[16] = char(f.length);
        bytes += d;
    }
    bytes += char(0x0D);
    QFile out(dir.path() + "/t.dbf");
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    ImportWindow w(context);
    w.tabs()->setCurrentIndex(1);
    w.fileEntry()->setText(dir.path() + "/t.dbf");
    w.showFile();
    ASSERT_EQ(w.dbaseFields()->topLevelItemCount(), 3);
    EXPECT_EQ(w.dbaseFields()->topLevelItem(0)->text(1), "2");
    EXPECT_EQ(w.dbaseFields()->topLevelItem(1)->text(1), "12");
    EXPECT_EQ(w.dbaseFields()->topLevelItem(2)->text(2), "24");
    EXPECT_EQ(w.targets()->topLevelItemCount(), 13);
    w.mapSelected(); // "Firma" <- FIRMA
    EXPECT_EQ(w.targets()->topLevelItem(0)->text(2), "FIRMA");
    w.clearSelected();
    EXPECT_EQ(w.targets()->topLevelItem(0)->text(2), "");
}

TEST_F(ExportWindowTest, AnExportImportedThroughTheWindowAddsNothingTwice) {
    {
        ExportWindow e(context);
        e.nativeChoice()->setChecked(true);
        e.fileEntry()->setText("x.ems");
        onModal([](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
        e.start();
    }
    ImportWindow w(context);
    w.fileEntry()->setText("x.ems");
    w.showFile();
    QString summary;
    onModal([&](QWidget* box) {
        summary = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    });
    w.start();
    EXPECT_EQ(w.counts().skipped, 2); // the same firms by name and town
    EXPECT_TRUE(summary.startsWith(QString::fromUtf8("Přidáno firem: 0")));
}

} // namespace
} // namespace zv::exchange
