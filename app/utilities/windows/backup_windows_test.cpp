#include "app/utilities/windows/backup_windows.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/utilities/windows/command_watch.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace zv::utilities {
namespace {

class BackupWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // ZEVLON.INI goes here
        db.registerDriver(driver);
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w)) delete w;
        QDir::setCurrent(oldDir);
    }

    static std::string iniBytes() {
        std::ifstream in("ZEVLON.INI", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void writeIni(const std::string& text) {
        std::ofstream("ZEVLON.INI", std::ios::binary) << text;
    }
    // Serves events until `done` holds; false when it did not within a minute.
    static bool serveUntil(const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > 60000) return false;
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QThread::msleep(5);
        }
        return true;
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

TEST_F(BackupWindowsTest, TheWindowsShowTheirTexts) {
    BackupWindow backup(context, BackupKind::Backup);
    EXPECT_EQ(backup.windowTitle(), QStringLiteral("Záloha dat"));
    EXPECT_EQ(backup.objectName(), "ZALOHUJ");
    BackupWindow restore(context, BackupKind::Restore);
    EXPECT_EQ(restore.windowTitle(), QStringLiteral("Obnovení dat"));
    QStringList texts;
    for (QLabel* l : restore.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Opravdu chcete obnovit data ?"),
                                  QStringLiteral("Než budete pokračovat, uzavřete prosím"),
                                  QStringLiteral("Všechna aktivní okna v aplikaci adresář !")}));
    QStringList buttons;
    for (QPushButton* b : restore.findChildren<QPushButton*>())
        buttons << b->text();
    EXPECT_EQ(buttons, (QStringList{"OK", "Cancel", "Help"}));
    BackupSettingsWindow settings(context);
    EXPECT_EQ(settings.windowTitle(), QStringLiteral("Provádění zálohy a obnovy dat"));
    EXPECT_EQ(settings.backupEntry()->maxLength(), 144);
    EXPECT_EQ(settings.restoreEntry()->maxLength(), 114);
    EXPECT_EQ(settings.restoreEntry()->statusTip(),
              QStringLiteral("Zadejte příkaz pro obnovení dat ze zálohy"));
}

TEST_F(BackupWindowsTest, WithBothCommandsEmptyOkClosesAndNothingHappens) {
    for (BackupKind kind : {BackupKind::Backup, BackupKind::Restore}) {
        BackupWindow w(context, kind);
        w.show();
        w.okButton()->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(w.watch(), nullptr);
    }
    EXPECT_FALSE(ProfileFile(startup::kSettingsFile).hasKey("QDADRESAR", "ZALOHA"));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(BackupWindowsTest, ACommandSetInTheSettingsIsUsedByTheNextBackupAndKept) {
    {
        BackupSettingsWindow w(context);
        w.backupEntry()->setText("sh -c \"echo zálohováno > hotovo.txt\"");
        w.ok();
        EXPECT_EQ(w.result(), QDialog::Accepted);
    }
    BackupWindow backup(context, BackupKind::Backup);
    backup.ok();
    ASSERT_NE(backup.watch(), nullptr);
    EXPECT_TRUE(serveUntil([] { return QFile::exists("hotovo.txt"); }));
    startup::AppState restarted;
    EXPECT_EQ(readBackupCommands(ProfileFile(startup::kSettingsFile), restarted).backup,
              cp1250::fromUtf8("sh -c \"echo zálohováno > hotovo.txt\""));
}

TEST_F(BackupWindowsTest, OkWithoutEditingLeavesBothSettingsByteForByte) {
    const std::string text = "[QDADRESAR]\r\nDATA=\r\nZALOHA =  \"zaloha.sh\"   \r\n"
                             "OBNOVENI=" +
                             std::string(150, 'o') + "\r\n[Other]\r\nx=1\r\n";
    writeIni(text);
    BackupSettingsWindow w(context);
    EXPECT_EQ(w.backupEntry()->text(), "zaloha.sh");
    w.ok();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(iniBytes(), text);
}

TEST_F(BackupWindowsTest, ARestoreCommandOf140CharactersSurvivesOkWithoutEdits) {
    const std::string command = "sh -c \"" + std::string(132, 'r') + "\"";
    ASSERT_EQ(command.size(), 140u);
    ASSERT_TRUE(ProfileFile(startup::kSettingsFile).writeString("QDADRESAR", "OBNOVENI", command));
    BackupSettingsWindow w(context);
    EXPECT_EQ(w.restoreEntry()->text().size(), 114);
    w.ok();
    EXPECT_EQ(state.restoreDirectory, command);
    EXPECT_EQ(ProfileFile(startup::kSettingsFile).getString("QDADRESAR", "OBNOVENI", "", 144),
              command);
    // Edited, it becomes what the entry holds.
    BackupSettingsWindow edited(context);
    edited.restoreEntry()->setText("obnova.sh");
    edited.ok();
    EXPECT_EQ(state.restoreDirectory, "obnova.sh");
}

TEST_F(BackupWindowsTest, CancelWritesNothingAndTheCommandsStayAsStored) {
    ASSERT_TRUE(ProfileFile(startup::kSettingsFile).writeString("QDADRESAR", "ZALOHA", "a.sh"));
    const std::string before = iniBytes();
    BackupSettingsWindow w(context);
    w.backupEntry()->setText("b.sh");
    w.reject();
    EXPECT_EQ(iniBytes(), before);
    EXPECT_EQ(state.backupDirectory, "a.sh");
}

TEST_F(BackupWindowsTest, AFailedBackupIsReportedWithItsExitCodeWithoutBlocking) {
    state.backupDirectory = "sh -c \"exit 5\"   ";
    BackupWindow w(context, BackupKind::Backup);
    w.show();
    w.okButton()->click();
    EXPECT_FALSE(w.isVisible());
    QPointer<CommandWatch> watch = w.watch();
    ASSERT_TRUE(watch);
    ASSERT_TRUE(serveUntil([&] { return watch && watch->report(); }));
    QMessageBox* report = watch->report();
    EXPECT_EQ(report->windowTitle(), QStringLiteral("Záloha dat"));
    EXPECT_EQ(report->text(), QStringLiteral("Záloha dat se nezdařila: příkaz skončil s "
                                             "návratovým kódem 5.\n\nPříkaz: sh -c \"exit 5\""));
    EXPECT_TRUE(report->isVisible());
    EXPECT_FALSE(report->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    report->close();
    EXPECT_TRUE(serveUntil([&] { return !watch; })); // the watch goes with its message
}

TEST_F(BackupWindowsTest, ARestoreThatCannotStartIsReported) {
    state.restoreDirectory = "c:\\zaloha\\obnov.bat a:";
    BackupWindow w(context, BackupKind::Restore);
    w.ok();
    QPointer<CommandWatch> watch = w.watch();
    ASSERT_TRUE(serveUntil([&] { return watch && watch->report(); }));
    EXPECT_TRUE(watch->report()->text().startsWith(
        QStringLiteral("Obnovení dat se nezdařilo: příkaz nelze spustit (chyba 2: ")))
        << watch->report()->text().toStdString();
}

TEST_F(BackupWindowsTest, TheWindowsStayUsableWhileTheCommandRunsAndASuccessSaysNothing) {
    state.backupDirectory = "sh -c \"while [ ! -e konec ]; do sleep 0.01; done\"";
    BackupWindow w(context, BackupKind::Backup);
    w.ok(); // returns at once
    QPointer<CommandWatch> watch = w.watch();
    ASSERT_TRUE(watch);
    QApplication::processEvents();
    EXPECT_EQ(watch->program().state(), WatchedProgram::State::Running);
    BackupSettingsWindow other(context); // another window opens and works meanwhile
    other.show();
    EXPECT_TRUE(other.isVisible());
    { std::ofstream("konec") << ""; }
    EXPECT_TRUE(serveUntil([&] { return !watch; })); // ended well: gone without a word
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QMessageBox*>(top), nullptr);
}

} // namespace
} // namespace zv::utilities
