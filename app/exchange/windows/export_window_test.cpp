#include "app/exchange/windows/export_window.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "ui/testing/on_modal.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zv::exchange {
namespace {

using namespace zv::rec;
using ui::testing::onModal;

class ExportWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
        for (int id = 1; id <= 2; ++id) {
            add("Adresar", [&](access::RecordFile& f) { f.as<AdresarRecord>().ID.set(id); });
            add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(id); });
        }
        state.userName = "Pepa";
        state.dnes = 80000;
    }
    void TearDown() override { QDir::setCurrent(oldDir); }
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        auto& f = db.file(label);
        ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        fill(f);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
        services::standardRelease(f);
    }

    QTemporaryDir dir;
    QString oldDir;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
    frame::WindowContext context{{db, s, state}};
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

} // namespace
} // namespace zv::exchange
