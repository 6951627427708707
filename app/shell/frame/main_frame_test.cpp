#include "main_frame.h"

#include "reminder_window.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/startup/default_settings.h"
#include "platform/codepage.h"
#include "platform/system_profile.h"
#include "ui/help/help_book.h"
#include "ui/help/help_window.h"
#include "ui/runtime/dialog_units.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zv::frame {
namespace {

constexpr std::int32_t hm(int h, int m) {
    return h * 360000 + m * 6000 + 1;
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zv_frame_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        ::setenv("ZEVLON_SYSTEM_PROFILE", (dir_ / "system.ini").c_str(), 1);
        db.registerDriver(driver);
        state.userName = "tester";
    }
    void TearDown() override {
        frame.reset();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
        ::unsetenv("ZEVLON_SYSTEM_PROFILE");
    }

    void makeFrame() {
        frame = std::make_unique<MainFrame>(context, ProcedureTable{});
        frame->setInteractive(false);
    }

    void addTask(int number, std::int32_t date, std::int32_t time) {
        auto& f = db.file("UKOLY");
        if (!f.isOpen() && f.open() != 0) {
            ASSERT_EQ(f.create(), 0);
            ASSERT_EQ(f.open(), 0);
        }
        f.clearBuffer();
        f.as<rec::UkolyRecord>().CUKOLU.set(number);
        f.as<rec::UkolyRecord>().DT_SCHED.set(date);
        f.as<rec::UkolyRecord>().TM_SCHED.set(time);
        f.as<rec::UkolyRecord>().POPIS.set(cp1250::fromUtf8("Zavolat řediteli"));
        ASSERT_EQ(f.add(), 0);
        ASSERT_EQ(f.close(), 0);
    }

    std::filesystem::path dir_, old_;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices services{db, messages, {}};
    startup::AppState state;
    frame::WindowContext context{{db, services, state}};
    std::unique_ptr<MainFrame> frame;
};

TEST_F(MainFrameTest, CaptionMenusAndDisabledProcedures) {
    makeFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Zevlonský Informační Systém"));
    ASSERT_NE(frame->action("UKOLY_S"), nullptr);
    EXPECT_FALSE(frame->action("UKOLY_S")->isEnabled()); // not built yet: nothing pretends
    EXPECT_EQ(frame->action("UKOLY_S")->text(), QStringLiteral("Ú&koly"));
    EXPECT_EQ(frame->action("UKOLY_S")->statusTip(), QStringLiteral("Zobrazí seznam úkolů"));
    EXPECT_EQ(frame->action("Exit")->statusTip(), QStringLiteral("Exit this application"));
    EXPECT_TRUE(frame->action("ToolbarExit")->isEnabled());
}

TEST_F(MainFrameTest, TheHelpMenuAndF1OpenTheirPagesFromTheProgramsHelpDirectory) {
    // "HELP/Zevlon" in the program's directory holds the pages.
    std::filesystem::create_directories(dir_ / "HELP" / "Zevlon");
    for (const char* page : {"index.html", "napoveda.html", "main.html", "adresar_s.html"})
        std::ofstream(dir_ / "HELP" / "Zevlon" / page)
            << "<html><head><title>" << page << "</title></head><body>Stránka</body></html>";
    makeFrame();
    const struct {
        const char* action;
        const char* text;
        const char* page;
    } items[] = {{"HelpContents", "&Obsah", "index.html"},
                 {"HelpHowTo", "&Jak používat Help", "napoveda.html"},
                 {"HelpSearch", "Hledat", "napoveda.html"}}; // search keeps the page shown
    for (const auto& i : items) {
        QAction* a = frame->action(QString::fromLatin1(i.action));
        ASSERT_NE(a, nullptr) << i.action;
        EXPECT_EQ(a->text(), QString::fromUtf8(i.text));
        EXPECT_TRUE(a->isEnabled());
        a->trigger();
        ASSERT_NE(frame->help().window(), nullptr);
        EXPECT_EQ(frame->help().window()->currentPage(), QString::fromLatin1(i.page)) << i.action;
    }
    frame->help().window()->close();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &f1);
    EXPECT_EQ(frame->help().window()->currentPage(), QStringLiteral("main.html"));
    EXPECT_TRUE(frame->help().window()->isVisible());
}

// A window that serves some of the frame's items, as the selection list does.
class ServingWindow : public QWidget, public CommandTarget {
public:
    bool serves(std::string_view command) const override { return command == command::kAddAll; }
    void runCommand(std::string_view command) override { ran.emplace_back(command); }
    std::vector<std::string> ran;
};

TEST_F(MainFrameTest, TheActiveWindowServesTheItemsItServesAndNoOthers) {
    makeFrame();
    QAction* addAll = frame->action(QString::fromLatin1(command::kAddAll.data()));
    QAction* labels = frame->action(QString::fromLatin1(command::kLabels.data()));
    ASSERT_NE(addAll, nullptr);
    ASSERT_NE(labels, nullptr);
    EXPECT_EQ(addAll->text(), QString::fromUtf8("Vyber &všechny"));
    EXPECT_FALSE(addAll->isEnabled());
    ServingWindow* serving = nullptr;
    const int thread = frame->runtime().start([&](int) {
        serving = new ServingWindow;
        return serving;
    });
    ASSERT_GT(thread, 0);
    frame->mdiArea()->setActiveSubWindow(frame->mdiArea()->subWindowList().front());
    QApplication::processEvents();
    EXPECT_TRUE(addAll->isEnabled());
    EXPECT_FALSE(labels->isEnabled());
    addAll->trigger();
    labels->trigger();
    EXPECT_EQ(serving->ran, (std::vector<std::string>{"AddAll"}));
}

TEST_F(MainFrameTest, DataFileNamesWithAndWithoutData) {
    makeFrame();
    ASSERT_TRUE(frame->open());
    EXPECT_EQ(db.file("Adresar").physicalName(), "ADRESAR");
    EXPECT_EQ(db.file("Osoby").physicalName(), "OSOBY");
    EXPECT_EQ(db.file("Vybery").physicalName(), ".\\VYBER");
    EXPECT_EQ(db.file("AktVyber").physicalName(), ".\\VYB0001");
    EXPECT_EQ(frame->zone(5)->text(), QStringLiteral("tester"));

    ASSERT_TRUE(ProfileFile(".\\ZEVLON.INI").writeString("QDADRESAR", "DATA", "d:\\data\\"));
    makeFrame();
    ASSERT_TRUE(frame->open());
    EXPECT_EQ(db.file("Adresar").physicalName(), "d:\\data\\ADRESAR");
    EXPECT_EQ(db.file("Kategorie").physicalName(), "d:\\data\\KATEGORI");
    EXPECT_EQ(db.file("Vybery").physicalName(), ".\\VYBER");
    // The font substitute for windows designed in "Corvid CE".
    EXPECT_EQ(systemProfile().getString("FontSubstitutes", "Corvid CE"), "Arial,238");
}

TEST_F(MainFrameTest, TheFirstStartWritesTheSettingsOfANewInstallation) {
    makeFrame();
    ASSERT_TRUE(frame->open());
    const ProfileFile ini(".\\ZEVLON.INI");
    EXPECT_TRUE(ini.hasKey("QDADRESAR", "DATA"));
    EXPECT_EQ(state.backupDirectory, startup::defaultBackupCommand(""));
    EXPECT_EQ(state.restoreDirectory, startup::defaultRestoreCommand(""));
    EXPECT_EQ(ini.getString("QDADRESAR", "ZALOHA", "", 144), state.backupDirectory);
    // Settings already there are kept as they are.
    ASSERT_TRUE(ini.writeString("QDADRESAR", "ZALOHA", ""));
    makeFrame();
    ASSERT_TRUE(frame->open());
    EXPECT_EQ(state.backupDirectory, "");
}

TEST_F(MainFrameTest, AnEmptyUserToolItemIsHiddenAlone) {
    ProfileFile ini(".\\ZEVLON.INI");
    for (int n = 1; n <= 8; ++n) {
        ASSERT_TRUE(ini.writeString("QDADRESAR", "EN" + std::to_string(n),
                                    n == 3 ? "" : "Program " + std::to_string(n)));
        ASSERT_TRUE(ini.writeString("QDADRESAR", "EC" + std::to_string(n), "true"));
    }
    makeFrame();
    ASSERT_TRUE(frame->open());
    for (int n = 1; n <= 8; ++n) {
        QAction* a = frame->action(QStringLiteral("Tool%1").arg(n));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->isVisible(), n != 3) << n;
    }
    EXPECT_EQ(frame->action("Tool2")->text(), QStringLiteral("Program 2"));
}

TEST_F(MainFrameTest, AnEmptyUserNameEndsTheProgramQuietly) {
    state.userName.clear();
    makeFrame();
    EXPECT_FALSE(frame->open());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MainFrameTest, RemindersCascadeAndFreeTheirSlots) {
    const std::int32_t today = 82000;
    addTask(1, today, hm(8, 0));
    addTask(2, today, hm(9, 0));
    addTask(3, today - 1, hm(20, 0));
    makeFrame();
    ASSERT_TRUE(frame->open());
    frame->tick(today, hm(10, 0), 0);
    EXPECT_EQ(frame->runtime().threadsInUse(), 3);
    EXPECT_EQ(frame->zone(2)->text(), QStringLiteral("Počet úkolů: 3"));
    std::vector<int> places;
    for (int t = 1; t <= 3; ++t) {
        auto* reminder = dynamic_cast<ReminderWindow*>(frame->runtime().window(t));
        ASSERT_NE(reminder, nullptr);
        places.push_back(ReminderWindow::cascade(reminder->thread()));
        EXPECT_EQ(state.reminderSlots[static_cast<std::size_t>(t)], reminder->taskNumber());
    }
    EXPECT_EQ(places, (std::vector<int>{1, 8, 15}));
    auto* first = dynamic_cast<ReminderWindow*>(frame->runtime().window(1));
    EXPECT_EQ(first->windowTitle(), QStringLiteral("20:00 - Zavolat řediteli"));

    frame->runtime().close(2);
    QApplication::processEvents();
    EXPECT_EQ(state.reminderSlots[2], 0);

    // A task changed elsewhere: the count follows at the next tick.
    addTask(4, today, hm(11, 0));
    state.rescanTasks = true;
    frame->tick(today, hm(10, 0), 100);
    EXPECT_EQ(frame->zone(2)->text(), QStringLiteral("Počet úkolů: 4"));
}

} // namespace
} // namespace zv::frame
