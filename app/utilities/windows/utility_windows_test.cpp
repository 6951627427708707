#include "app/utilities/windows/utility_windows.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/frame/main_frame.h"
#include "app/utilities/data_directory/data_directory.h"
#include "app/utilities/info/program_info.h"
#include "app/utilities/repair/file_check.h"
#include "app/utilities/repair/testing/key_damage.h"
#include "app/utilities/repair/text_order.h"
#include "app/utilities/windows/data_directory_window.h"
#include "app/utilities/windows/info_window.h"
#include "app/utilities/windows/key_repair_window.h"
#include "app/utilities/windows/sportka_window.h"
#include "app/utilities/windows/text_order_window.h"
#include "platform/dates/picture.h"
#include "platform/dates/standard_date.h"
#include "ui/testing/on_modal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace zv::utilities {
namespace {

using ui::testing::onModal;

class UtilityWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // ZEVLON.INI and the data go here
    }
    void TearDown() override { QDir::setCurrent(oldDir); }

    // Answers the next message box with `button` and keeps its text.
    void answer(QMessageBox::StandardButton button) {
        onModal([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            asked << box->text();
            ASSERT_NE(box->button(button), nullptr);
            box->button(button)->click();
        });
    }

    QTemporaryDir dir;
    QString oldDir;
    QStringList asked;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
    frame::WindowContext context{{db, s, state}};
};

TEST_F(UtilityWindowsTest, TheFramesItemsComeAlive) {
    frame::ProcedureTable table;
    addUtilityProcedures(table, context);
    for (const char* started :
         {"DATASHO", "OPRAVAKLICU", "ZALOHUJ", "OBNOV", "NASTAVENIZALOHY", "SPORTKA"})
        EXPECT_TRUE(table[started].start) << started;
    EXPECT_TRUE(table["INFOSHO"].call);
    db.registerDriver(driver);
    frame::MainFrame frame(context, std::move(table));
    for (const char* item :
         {"DATASHO", "OPRAVAKLICU", "ZALOHUJ", "OBNOV", "NASTAVENIZALOHY", "SPORTKA", "INFOSHO"}) {
        ASSERT_NE(frame.action(item), nullptr) << item;
        EXPECT_TRUE(frame.action(item)->isEnabled()) << item;
    }
    // Started from the menu, a window is an MDI child of the frame.
    frame.action("SPORTKA")->trigger();
    ASSERT_NE(frame.runtime().window(1), nullptr);
    EXPECT_EQ(frame.runtime().window(1)->objectName(), "SPORTKA");
    frame.runtime().close(1);
}

TEST_F(UtilityWindowsTest, SportkaIsBlankUntilItDrawsSixNumbersInTheirOrder) {
    std::vector<int> answers = {12, 12, 49, 1, 33, 7, 20};
    std::size_t next = 0;
    SportkaWindow w([&](int, int) { return answers.at(next++); });
    EXPECT_EQ(w.windowTitle(), "Sportka");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w.numberField(i)->text(), "");
    EXPECT_EQ(w.generateButton()->text(), "&Generuj");
    w.generateButton()->click();
    QStringList shown;
    for (int i = 0; i < 6; ++i)
        shown << w.numberField(i)->text().trimmed();
    EXPECT_EQ(shown, (QStringList{"12", "49", "1", "33", "7", "20"}));
    EXPECT_EQ(w.numberField(2)->text(), " 1"); // two digits
}

TEST_F(UtilityWindowsTest, SportkaWithTheProgramsRandomNumbers) {
    SportkaWindow w;
    for (int draw = 0; draw < 200; ++draw) {
        w.generate();
        std::set<int> distinct;
        for (int i = 0; i < 6; ++i) {
            const int n = w.numberField(i)->text().trimmed().toInt();
            EXPECT_GE(n, 1);
            EXPECT_LE(n, 49);
            distinct.insert(n);
        }
        EXPECT_EQ(distinct.size(), 6u);
    }
}

TEST_F(UtilityWindowsTest, DataShoReadsTheDirectoryAndAsksBeforeItTakesAMissingOne) {
    ASSERT_TRUE(ProfileFile(startup::kSettingsFile).writeString("QDADRESAR", "DATA", "data\\"));
    DataDirectoryWindow w(context);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Umístění datových souborů"));
    EXPECT_EQ(w.entry()->text(), "data\\");
    EXPECT_EQ(w.entry()->maxLength(), 100);
    w.entry()->setText("D:\\DATA");
    answer(QMessageBox::No);
    w.ok();
    EXPECT_EQ(asked, QStringList{QStringLiteral("Adresář D:\\DATA\\ neexistuje. Použít přesto?")});
    EXPECT_EQ(readDataPrefix(ProfileFile(startup::kSettingsFile)), "data\\");
    EXPECT_EQ(db.file("Adresar").physicalName(), "Adresar");
    answer(QMessageBox::Yes);
    w.ok();
    EXPECT_EQ(readDataPrefix(ProfileFile(startup::kSettingsFile)), "D:\\DATA\\");
    EXPECT_EQ(state.dataPrefix, "D:\\DATA\\");
    EXPECT_EQ(db.file("Adresar").physicalName(), "D:\\DATA\\ADRESAR");
    EXPECT_EQ(db.file("Poznamky").physicalName(), "D:\\DATA\\POZNAMKY");
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_F(UtilityWindowsTest, DataShoTakesADirectoryWithDataFilesWithoutAsking) {
    QDir().mkdir("data");
    std::ofstream("data/ADRESAR.QTF") << "x";
    DataDirectoryWindow w(context);
    w.entry()->setText("data/");
    w.ok();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(db.file("Klice").physicalName(), "data/KLICE");
    // An empty directory is named in the question.
    QDir().mkdir("empty");
    DataDirectoryWindow again(context);
    again.entry()->setText("empty");
    answer(QMessageBox::No);
    again.ok();
    EXPECT_EQ(asked, QStringList{QStringLiteral(
                         "Adresář empty\\ neobsahuje datové soubory. Použít přesto?")});
    EXPECT_EQ(state.dataPrefix, "data/");
}

TEST_F(UtilityWindowsTest, DataShoCancelWritesNothing) {
    DataDirectoryWindow w(context);
    w.entry()->setText("elsewhere\\");
    w.reject();
    EXPECT_FALSE(ProfileFile(startup::kSettingsFile).hasKey("QDADRESAR", "DATA"));
    EXPECT_EQ(state.dataPrefix, "");
}

TEST_F(UtilityWindowsTest, InfoShoShowsTheBuildDateAndOpensTheWebPage) {
    std::string opened;
    InfoWindow w([&](const std::string& address) { opened = address; });
    EXPECT_EQ(w.windowTitle(), "ZEVLON");
    const auto picture = dates::compile("@d5.");
    ASSERT_TRUE(picture);
    EXPECT_EQ(w.dateLabel()->text().toStdString(), dates::format(*picture, lastChangeDate()));
    EXPECT_FALSE(w.dateLabel()->text().isEmpty());
    QStringList labels;
    for (QLabel* l : w.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Datum poslední úpravy:")));
    w.webButton()->click();
    EXPECT_EQ(opened, std::string(kWebPage));
    QStringList buttons;
    for (QPushButton* b : w.findChildren<QPushButton*>())
        buttons << b->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("&Zavřít")));
}

// OPRAVAKLICU on the demo's files in the current directory.
class KeyRepairWindowTest : public UtilityWindowsTest {
protected:
    void SetUp() override {
        UtilityWindowsTest::SetUp();
        access::registerStandardDrivers(db);
        db.setDataPrefix("");
        demo::DemoOptions options;
        options.firms = 80;
        options.today = dates::today();
        std::string failed;
        ASSERT_EQ(demo::createDemoData(db, options, &failed), 0) << failed;
    }
};

TEST_F(KeyRepairWindowTest, TheWarningAndTheButtons) {
    KeyRepairWindow w(context);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Oprava klíčů"));
    auto* note = w.findChild<QGroupBox*>();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->title(), QStringLiteral("Poznámka"));
    QStringList lines;
    for (QLabel* l : note->findChildren<QLabel*>())
        lines << l->text();
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Před opravou klíčů velmi důrazně doporučujeme"),
                                  QStringLiteral("vytvořit kompletní zálohu všech souborů"),
                                  QStringLiteral("a uzavřít všechna okna !!!")}));
    QStringList buttons;
    for (QPushButton* b : w.findChildren<QPushButton*>())
        buttons << b->text();
    EXPECT_EQ(buttons, (QStringList{"&Oprav", "&Cancel", "&Help"}));
    BuildFileWindow build(std::string(40, 'A'));
    EXPECT_EQ(build.windowTitle(), QStringLiteral("Vytvářím klíče"));
    EXPECT_EQ(build.objectName(), "BUILDFILE$QW");
    EXPECT_EQ(build.nameField()->text(), QString(30, 'A'));
}

TEST_F(KeyRepairWindowTest, RepairShowsEachFileAndSumsUp) {
    ASSERT_GT(testing::removeKeyEntries("ADRESAR", 0), 0);
    ASSERT_GT(testing::removeKeyEntries("OSOBY", 1, 2), 0);
    KeyRepairWindow w(context);
    w.show();
    answer(QMessageBox::Ok);
    w.repairButton()->click();
    EXPECT_EQ(w.shownNames(),
              (std::vector<QString>{"ADRESAR", "OSOBY", "KATEGORI", "SCHUZKY", ".\\VYBER",
                                    "ULVYBERY", "VTIPY", "LABEL", ".\\VYB0001", "UKOLY"}));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("Klíče byly znovu vytvořeny a soubory prověřeny.\n\n"
                                       "Opravené soubory: 9 z 10.\n\n"
                                       "Soubory, které zatím neexistují: VYB0001"));
    EXPECT_FALSE(w.isVisible());
    for (const char* label : {"Adresar", "Osoby"}) {
        auto& f = db.file(label);
        EXPECT_EQ(checkDataFile(f.physicalName()), "") << label;
        ASSERT_EQ(f.open(), 0);
        EXPECT_EQ(testing::everyRecordFoundByEveryKey(f), "") << label;
        (void)f.close();
    }
}

TEST_F(KeyRepairWindowTest, AFileThatFailsIsNamedWithItsReason) {
    std::ofstream("VTIPY.QTF", std::ios::trunc) << std::string(3000, 'v');
    KeyRepairWindow w(context);
    answer(QMessageBox::Ok);
    w.repair();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("Opravené soubory: 8 z 10.")))
        << asked[0].toStdString();
    EXPECT_TRUE(asked[0].contains(QStringLiteral("Soubory, které se opravit nepodařilo:\nVTIPY: "
                                                 "error 36 Invalid Data File")))
        << asked[0].toStdString();
}

} // namespace
} // namespace zv::utilities

namespace zv::utilities {
namespace {

// "RAZENI=CZ" in ZEVLON.INI: the frame's opening rebuilds the demo's files in
// Czech order; a file that could not be rebuilt is named.
TEST_F(KeyRepairWindowTest, TheOpeningSettlesTheOrderOfTextKeys) {
    const ProfileFile ini(startup::kSettingsFile);
    ASSERT_TRUE(ini.writeString("QDADRESAR", "RAZENI", "cz"));
    state.userName = "Tester";
    frame::MainFrame frame(context, {});
    frame.setInteractive(false);
    frame.setSettledStep([this](QWidget* parent) { settleTextOrder(context, parent); });
    ASSERT_TRUE(frame.open());
    EXPECT_TRUE(state.czechOrder);
    int czech = 0;
    for (const FileOrder& f : fileOrders(db)) {
        if (f.order.empty()) continue;
        EXPECT_EQ(f.order, "CZ") << f.label;
        ++czech;
    }
    EXPECT_GE(czech, 8);

    FileRepair refused{"Adresar", "data/ADRESAR", access::kAccessDenied, {}};
    const QString text = textOrderProblems({FileRepair{"Osoby", "OSOBY", 0, {}}, refused});
    EXPECT_TRUE(text.contains(QStringLiteral("zůstávají v dosavadním")));
    EXPECT_TRUE(text.contains(QStringLiteral("ADRESAR: error 5")));
    EXPECT_FALSE(text.contains(QStringLiteral("OSOBY")));
    EXPECT_TRUE(textOrderProblems({}).isEmpty());
}

} // namespace
} // namespace zv::utilities
