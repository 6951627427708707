#include "uninstall/removal_engine.h"

#include "uninstall/fake_system.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zv::uninstall {
namespace {

using testing::FakeSystem;
using testing::FakeView;
using Strings = std::vector<std::string>;

constexpr std::uint32_t kRegDword = 4;

class RemovalEngineTest : public ::testing::Test {
protected:
    bool run(const Version& version = kVersion150) {
        engine_ = std::make_unique<RemovalEngine>(system_, view_, version);
        return engine_->run(entries_);
    }
    void add(std::uint32_t kind, std::string first, std::string second = "") {
        entries_.push_back(LogEntry{kind, std::move(first), std::move(second)});
    }
    bool journalHas(const std::string& line) const {
        return std::find(system_.journal.begin(), system_.journal.end(), line) !=
               system_.journal.end();
    }
    std::size_t journalIndex(const std::string& line) const {
        return static_cast<std::size_t>(
            std::find(system_.journal.begin(), system_.journal.end(), line) -
            system_.journal.begin());
    }
    bool anythingRemoved() const {
        return std::any_of(system_.journal.begin(), system_.journal.end(), [](const auto& l) {
            return l.rfind("delete", 0) == 0 || l.rfind("rmdir", 0) == 0 ||
                   l.rfind("dde", 0) == 0 || l.rfind("count", 0) == 0;
        });
    }

    FakeSystem system_;
    FakeView view_;
    std::vector<LogEntry> entries_;
    std::unique_ptr<RemovalEngine> engine_;
};

// --- product entry and uninstall key ---------------------------------------

TEST_F(RemovalEngineTest, OnlyProductEntryRemovesNothingButTheUninstallKey) {
    system_.uninstallKeys = {"Zevlon", "Other"};
    system_.addFile("C:\\Z\\a.txt");
    add(kProduct, "Zevlon");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.journal, Strings{"delete key Zevlon"});
    EXPECT_EQ(system_.uninstallKeys.count("Other"), 1u);
    EXPECT_TRUE(system_.has("C:\\Z\\a.txt"));
    EXPECT_TRUE(view_.shown);
    EXPECT_TRUE(view_.closed);
}

TEST_F(RemovalEngineTest, LogWithoutProductEntryDeletesNoUninstallKey) {
    system_.addFile("C:\\Z\\a.txt");
    add(kFile, "C:\\Z\\a.txt");
    EXPECT_TRUE(run());
    EXPECT_FALSE(system_.has("C:\\Z\\a.txt"));
    for (const std::string& line : system_.journal)
        EXPECT_NE(line.rfind("delete key", 0), 0u);
}

TEST_F(RemovalEngineTest, LastProductEntryNamesTheKey) {
    add(kProduct, "Old");
    add(kProduct, "Zevlon");
    EXPECT_TRUE(run());
    EXPECT_TRUE(journalHas("delete key Zevlon"));
    EXPECT_FALSE(journalHas("delete key Old"));
    EXPECT_EQ(engine_->productName(), "Zevlon");
}

TEST_F(RemovalEngineTest, ProductNameWithBackslashDeletesNoKeyOfAnotherProduct) {
    system_.uninstallKeys = {"Other\\Parts"};
    add(kProduct, "Other\\Parts");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.uninstallKeys.count("Other\\Parts"), 1u);
    EXPECT_FALSE(journalHas("delete key Other\\Parts"));
}

// --- shared libraries -------------------------------------------------------

TEST_F(RemovalEngineTest, SharedDllCountThreeBecomesTwoAndTheFileStays) {
    system_.addFile("C:\\W\\zvcore.dll");
    system_.sharedDlls["C:\\W\\zvcore.dll"] = {3, kRegDword};
    add(kSharedDll, "C:\\W\\zvcore.dll");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.sharedDlls["C:\\W\\zvcore.dll"].count, 2u);
    EXPECT_EQ(system_.sharedDlls["C:\\W\\zvcore.dll"].type, kRegDword);
    EXPECT_TRUE(system_.has("C:\\W\\zvcore.dll"));
}

TEST_F(RemovalEngineTest, SharedDllCountOneLosesItsValueAndItsFile) {
    system_.addFile("C:\\W\\zvcore.dll");
    system_.sharedDlls["C:\\W\\zvcore.dll"] = {1, kRegDword};
    add(kSharedDll, "C:\\W\\zvcore.dll");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.sharedDlls.count("C:\\W\\zvcore.dll"), 0u);
    EXPECT_FALSE(system_.has("C:\\W\\zvcore.dll"));
    for (const std::string& line : system_.journal)
        EXPECT_NE(line.rfind("run", 0), 0u);
}

TEST_F(RemovalEngineTest, ActiveXControlIsUnregisteredBeforeItsFileGoesInAnyLetterCase) {
    for (std::string path : {"C:\\W\\grid.ocx", "C:\\W\\Chart.OCX", "C:\\W\\dial.Ocx"}) {
        system_.addFile(path);
        system_.sharedDlls[path] = {1, kRegDword};
        add(kSharedDll, path);
    }
    EXPECT_TRUE(run());
    for (auto [path, upper] : {std::pair{"C:\\W\\grid.ocx", "C:\\W\\GRID.OCX"},
                               std::pair{"C:\\W\\Chart.OCX", "C:\\W\\CHART.OCX"},
                               std::pair{"C:\\W\\dial.Ocx", "C:\\W\\DIAL.OCX"}}) {
        std::string run = std::string("run \"REGSVR32.EXE\" /s /u \"") + upper + "\"";
        ASSERT_TRUE(journalHas(run)) << run;
        EXPECT_LT(journalIndex(run), journalIndex(std::string("delete ") + path));
        EXPECT_FALSE(system_.has(path));
    }
}

TEST_F(RemovalEngineTest, Version130DeletesControlsWithoutUnregistering) {
    system_.addFile("C:\\W\\grid.ocx");
    system_.sharedDlls["C:\\W\\grid.ocx"] = {1, kRegDword};
    add(kSharedDll, "C:\\W\\grid.ocx");
    EXPECT_TRUE(run(kVersion130));
    EXPECT_FALSE(system_.has("C:\\W\\grid.ocx"));
    EXPECT_EQ(system_.sharedDlls.count("C:\\W\\grid.ocx"), 0u);
    for (const std::string& line : system_.journal)
        EXPECT_NE(line.rfind("run", 0), 0u);
}

TEST_F(RemovalEngineTest, SharedDllWithoutCountOrKeyIsLeftAlone) {
    system_.addFile("C:\\W\\a.dll");
    add(kSharedDll, "C:\\W\\a.dll");
    engine_ = std::make_unique<RemovalEngine>(system_, view_, kVersion150);
    EXPECT_FALSE(engine_->releaseSharedDll("C:\\W\\a.dll"));
    system_.sharedDlls["C:\\W\\a.dll"] = {1, kRegDword};
    system_.sharedDllKeyOpens = false;
    EXPECT_FALSE(engine_->releaseSharedDll("C:\\W\\a.dll"));
    EXPECT_TRUE(system_.has("C:\\W\\a.dll"));
    EXPECT_EQ(system_.sharedDlls["C:\\W\\a.dll"].count, 1u);
}

TEST_F(RemovalEngineTest, DamagedZeroCountNeitherWrapsRoundNorDeletes) {
    system_.addFile("C:\\W\\a.dll");
    system_.sharedDlls["C:\\W\\a.dll"] = {0, kRegDword};
    add(kSharedDll, "C:\\W\\a.dll");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.sharedDlls["C:\\W\\a.dll"].count, 0u);
    EXPECT_TRUE(system_.has("C:\\W\\a.dll"));
}

// --- locked files and directories --------------------------------------------

TEST_F(RemovalEngineTest, LockedFileIsScheduledBothWaysAndListed) {
    system_.addFile("C:\\Zevlon\\Long Name.dat");
    system_.locked.insert("C:\\Zevlon\\Long Name.dat");
    system_.shortNames["C:\\Zevlon\\Long Name.dat"] = "C:\\ZEVLON\\LONGNA~1.DAT";
    add(kFile, "C:\\Zevlon\\Long Name.dat");
    EXPECT_TRUE(run());
    EXPECT_TRUE(engine_->restartNeeded());
    EXPECT_EQ(engine_->lockedFiles(), Strings{"C:\\Zevlon\\Long Name.dat"});
    EXPECT_EQ(system_.delayedDeletes, Strings{"C:\\ZEVLON\\LONGNA~1.DAT"});
    EXPECT_EQ(system_.wininitNul, Strings{"C:\\ZEVLON\\LONGNA~1.DAT"});
}

TEST_F(RemovalEngineTest, Version130SchedulesButKeepsNoList) {
    system_.addFile("C:\\Z\\a.dat");
    system_.locked.insert("C:\\Z\\a.dat");
    add(kFile, "C:\\Z\\a.dat");
    EXPECT_TRUE(run(kVersion130));
    EXPECT_TRUE(engine_->restartNeeded());
    EXPECT_TRUE(engine_->lockedFiles().empty());
    EXPECT_EQ(system_.delayedDeletes, Strings{"C:\\Z\\a.dat"});
    EXPECT_EQ(system_.wininitNul, Strings{"C:\\Z\\a.dat"});
}

TEST_F(RemovalEngineTest, NothingLockedNeedsNoRestart) {
    system_.addFile("C:\\Z\\a.dat");
    add(kFile, "C:\\Z\\a.dat");
    EXPECT_TRUE(run());
    EXPECT_FALSE(engine_->restartNeeded());
    EXPECT_TRUE(system_.delayedDeletes.empty());
}

TEST_F(RemovalEngineTest, FileThatIsAlreadyGoneIsNotScheduledForRestart) {
    add(kFile, "C:\\Z\\deleted-by-hand.dat");
    add(kDirectory, "C:\\Z\\gone");
    EXPECT_TRUE(run());
    EXPECT_FALSE(engine_->restartNeeded());
    EXPECT_TRUE(engine_->lockedFiles().empty());
    EXPECT_TRUE(system_.wininitNul.empty());
}

TEST_F(RemovalEngineTest, DirectoryBeforeItsOwnSubdirectoryIsScheduledForRestart) {
    system_.addDirectory("C:\\Z");
    system_.addDirectory("C:\\Z\\Data");
    add(kDirectory, "C:\\Z");
    add(kDirectory, "C:\\Z\\Data");
    EXPECT_TRUE(run());
    EXPECT_FALSE(system_.has("C:\\Z\\Data"));
    EXPECT_TRUE(engine_->restartNeeded());
    EXPECT_EQ(engine_->lockedFiles(), Strings{"C:\\Z"});
    EXPECT_EQ(system_.delayedDeletes, Strings{"C:\\Z"});
}

TEST_F(RemovalEngineTest, DirectoriesGoAfterEveryFileInLogOrder) {
    system_.addDirectory("C:\\Z");
    system_.addDirectory("C:\\Z\\Data");
    system_.addFile("C:\\Z\\Data\\a.qtf");
    add(kDirectory, "C:\\Z\\Data");
    add(kDirectory, "C:\\Z");
    add(kFile, "C:\\Z\\Data\\a.qtf");
    EXPECT_TRUE(run());
    EXPECT_TRUE(system_.nodes.empty());
    EXPECT_FALSE(engine_->restartNeeded());
    EXPECT_LT(journalIndex("delete C:\\Z\\Data\\a.qtf"), journalIndex("rmdir C:\\Z\\Data"));
    EXPECT_LT(journalIndex("rmdir C:\\Z\\Data"), journalIndex("rmdir C:\\Z"));
}

TEST_F(RemovalEngineTest, LinkIsRemovedItselfAndItsTargetStays) {
    system_.addDirectory("C:\\Z");
    system_.nodes["C:\\Z\\Shared"] = FakeSystem::Node::kLink; // points to D:\Shared
    system_.addDirectory("D:\\Shared");
    system_.addFile("D:\\Shared\\customers.qtf");
    add(kFile, "C:\\Z\\Shared");
    add(kDirectory, "C:\\Z");
    EXPECT_TRUE(run());
    EXPECT_FALSE(system_.has("C:\\Z\\Shared"));
    EXPECT_FALSE(system_.has("C:\\Z"));
    EXPECT_TRUE(system_.has("D:\\Shared\\customers.qtf"));
}

TEST_F(RemovalEngineTest, PathsThroughALinkAreNeitherDeletedNorScheduled) {
    system_.addDirectory("C:\\Z");
    system_.nodes["C:\\Z\\Data"] = FakeSystem::Node::kLink; // points to D:\Shared
    system_.addFile("C:\\Z\\Data\\customers.qtf");          // seen through the link
    system_.addDirectory("C:\\Z\\Data\\Old");
    system_.sharedDlls["C:\\Z\\Data\\grid.ocx"] = {1, kRegDword};
    system_.addFile("C:\\Z\\Data\\grid.ocx");
    system_.exitCodes["\"REGSVR32.EXE\" /s /u \"C:\\Z\\DATA\\GRID.OCX\""] = 0;
    add(kFile, "C:\\Z\\Data\\customers.qtf");
    add(kSharedDll, "C:\\Z\\Data\\grid.ocx");
    add(kDirectory, "C:\\Z\\Data\\Old");
    add(kDirectory, "C:\\Z\\Data");
    EXPECT_TRUE(run());
    EXPECT_TRUE(system_.has("C:\\Z\\Data\\customers.qtf"));
    EXPECT_TRUE(system_.has("C:\\Z\\Data\\grid.ocx"));
    EXPECT_TRUE(system_.has("C:\\Z\\Data\\Old"));
    EXPECT_FALSE(system_.has("C:\\Z\\Data")); // the link itself goes
    EXPECT_FALSE(engine_->restartNeeded());
    EXPECT_TRUE(system_.delayedDeletes.empty());
    for (const std::string& line : system_.journal)
        EXPECT_NE(line.rfind("run", 0), 0u);
}

// --- Program Manager -----------------------------------------------------------

TEST_F(RemovalEngineTest, GroupNamedTwiceIsDeletedOnceAndTheSecondFailureIsShown) {
    system_.groups = {"Zevlon"};
    system_.addFile("C:\\Z\\a.txt");
    add(kProgmanItem, "Zevlon.lnk", "Zevlon");
    add(kProgmanItem, "Readme.lnk", "Zevlon");
    add(kFile, "C:\\Z\\a.txt");
    EXPECT_TRUE(run());
    EXPECT_TRUE(system_.groups.empty());
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(
        view_.messages[0].text,
        "Unable to update Start Menu\nDdeClientTransaction Failed\n[[DeleteGroup(\"Zevlon\")]]");
    EXPECT_EQ(view_.messages[0].caption, "Setup");
    EXPECT_EQ(view_.messages[0].icon, MessageIcon::kNone);
    EXPECT_FALSE(system_.has("C:\\Z\\a.txt"));
}

TEST_F(RemovalEngineTest, UnavailableDdeIsReportedOncePerGroup) {
    system_.ddeInitFails = true;
    add(kProgmanItem, "a.lnk", "A");
    add(kProgmanItem, "b.lnk", "B");
    EXPECT_TRUE(run());
    ASSERT_EQ(view_.messages.size(), 2u);
    EXPECT_EQ(view_.messages[0].text, "DDEML Initialization Failure");
    EXPECT_EQ(view_.messages[0].caption, "Setup");
}

TEST_F(RemovalEngineTest, GroupNameWithQuoteIsNeverSentAsCommands) {
    system_.groups = {"Other"};
    add(kProgmanItem, "x.lnk", "Z\")][DeleteGroup(\"Other");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.groups.count("Other"), 1u);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0].caption, "Setup");
    for (const std::string& line : system_.journal)
        EXPECT_NE(line.rfind("dde", 0), 0u);
}

// --- custom uninstall program ----------------------------------------------------

TEST_F(RemovalEngineTest, CustomProgramExitingWithOneStopsBeforeAnythingIsTouched) {
    system_.addFile("C:\\Z\\a.txt");
    system_.groups = {"Zevlon"};
    system_.sharedDlls["C:\\W\\z.dll"] = {1, kRegDword};
    system_.exitCodes["\"C:\\Z\\cleanup.exe\" /all"] = 1;
    add(kProduct, "Zevlon");
    add(kFile, "C:\\Z\\a.txt");
    add(kSharedDll, "C:\\W\\z.dll");
    add(kProgmanItem, "a.lnk", "Zevlon");
    add(kCustomProgram, "C:\\Z\\cleanup.exe", "/all");
    add(kDirectory, "C:\\Z");
    EXPECT_FALSE(run());
    EXPECT_FALSE(anythingRemoved());
    EXPECT_EQ(system_.journal, Strings{"run \"C:\\Z\\cleanup.exe\" /all"});
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0].text,
              "Custom uninstall run failed. Varnset will stop application removal.");
    EXPECT_EQ(view_.messages[0].caption, "Uninstall (Varnset 1.50)");
    EXPECT_EQ(view_.messages[0].icon, MessageIcon::kWarning);
}

TEST_F(RemovalEngineTest, CustomProgramThatCannotStartAlsoStops) {
    system_.addFile("C:\\Z\\a.txt");
    add(kCustomProgram, "C:\\Z\\missing.exe");
    add(kFile, "C:\\Z\\a.txt");
    EXPECT_FALSE(run(kVersion130));
    EXPECT_TRUE(system_.has("C:\\Z\\a.txt"));
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0].caption, "Uninstall (Varnset 1.30)");
}

TEST_F(RemovalEngineTest, CustomProgramsAllRunBeforeTheFilePass) {
    system_.addFile("C:\\Z\\a.txt");
    system_.exitCodes["\"C:\\Program Files\\one.exe\""] = 0;
    system_.exitCodes["\"C:\\two.exe\" x y"] = 0;
    add(kFile, "C:\\Z\\a.txt");
    add(kCustomProgram, "C:\\Program Files\\one.exe");
    add(kCustomProgram, "C:\\two.exe", "x y");
    EXPECT_TRUE(run());
    EXPECT_EQ(system_.journal[0], "run \"C:\\Program Files\\one.exe\"");
    EXPECT_EQ(system_.journal[1], "run \"C:\\two.exe\" x y");
    EXPECT_EQ(system_.journal[2], "delete C:\\Z\\a.txt");
}

// --- dialog texts and progress ------------------------------------------------------

TEST_F(RemovalEngineTest, ProgressRunsFromZeroToOneHundredInHundredthsOfAnEntry) {
    add(kFile, "C:\\a");
    add(kReserved, "");
    add(kFile, "C:\\b");
    EXPECT_TRUE(run());
    EXPECT_EQ(view_.progress, (std::vector<int>{0, 33, 33, 66, 66, 100}));
}

TEST_F(RemovalEngineTest, EveryKindShowsItsStatusAndDetail) {
    system_.addDirectory("C:\\D");
    add(kProduct, "P");
    add(kFile, "C:\\f");
    add(kSharedDll, "C:\\s.dll");
    add(kProgmanItem, "i", "G");
    add(kRegistryEntry, "HKLM\\Software\\Zevlon");
    add(kReserved, "r");
    add(kCustomProgram, "C:\\c.exe");
    add(99, "C:\\unknown");
    add(kDirectory, "C:\\D");
    system_.exitCodes["\"C:\\c.exe\""] = 0;
    EXPECT_TRUE(run());
    EXPECT_EQ(view_.statuses, (Strings{"Removing File:", "Unregistering DLL",
                                       "Removing Progman Item", "Removing System Registry Entrys",
                                       "Removing Directory:", "Preparing SystemFile removal",
                                       "Deleting Uninstall Key"}));
    EXPECT_EQ(view_.details, (Strings{"C:\\f", "C:\\s.dll", "", "", "C:\\D", ""}));
    EXPECT_FALSE(journalHas("delete C:\\unknown"));
    EXPECT_FALSE(journalHas("delete HKLM\\Software\\Zevlon"));
}

TEST_F(RemovalEngineTest, EmptyLogRunsWithoutProgressOrRemoval) {
    EXPECT_TRUE(run());
    EXPECT_TRUE(view_.progress.empty());
    EXPECT_TRUE(system_.journal.empty());
}

} // namespace
} // namespace zv::uninstall
