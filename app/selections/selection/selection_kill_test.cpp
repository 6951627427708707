// The selection's bulk operations killed in the middle, on the program's data
// files: whatever moment the process dies at, the selection file opens again,
// passes its checks and holds whole rows of real firms, each firm once; so
// does the saved selection written meanwhile.
#include "app/selections/selection/selection.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/standard_date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::selections {
namespace {

using namespace zv::rec;

struct Files {
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    explicit Files(const std::filesystem::path& dir) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
        db.file("Vybery").setPhysicalName((dir / "VYBER").string());
        db.file("AktVyber").setPhysicalName((dir / "SAVED.QTF").string());
    }
};

TEST(SelectionKillTest, AKilledOperationLeavesWholeRowsOfRealFirmsEachOnce) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zevlon_selection_kill_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        Files f(dir);
        demo::DemoOptions options;
        options.firms = 3000;
        options.today = dates::today();
        std::string failed;
        ASSERT_EQ(demo::createDemoData(f.db, options, &failed), 0) << failed;
        ASSERT_EQ(f.db.file("Vybery").create(), 0);
    }
    std::mt19937 random(20261208);
    for (int trial = 0; trial < 12; ++trial) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Files f(dir);
            Selection sel(f.s);
            NoProgress quiet;
            for (;;) {
                (void)sel.addAll(quiet);
                (void)sel.removeByCondition("MESTO = 'Praha'", "", quiet);
                (void)sel.addByCondition("MESTO = 'Praha'", "", quiet);
                (void)sel.removeByKeyword(1, "", quiet);
                (void)sel.save(quiet);
                (void)sel.removeAll(quiet);
                (void)sel.load(quiet);
                (void)sel.removeAll(quiet);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 400));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        Files f(dir);
        auto& adresar = f.db.file("Adresar");
        auto& vybery = f.db.file("Vybery");
        ASSERT_EQ(services::standardOpen(f.s, adresar), services::OpenOutcome::Opened);
        ASSERT_EQ(services::standardOpen(f.s, vybery), services::OpenOutcome::Opened);
        std::map<int, std::string> firms;
        for (int rc = adresar.setFile(); rc == 0 && adresar.next() == 0;)
            firms[adresar.as<AdresarRecord>().ID.get()] =
                std::string(adresar.as<AdresarRecord>().FIRMA.trimmed());
        std::set<int> seen;
        long rows = 0;
        for (int rc = vybery.setFile(); rc == 0 && vybery.next() == 0; ++rows) {
            const int id = vybery.as<VyberyRecord>().ID.get();
            ASSERT_TRUE(seen.insert(id).second) << "firm " << id << " twice, trial " << trial;
            ASSERT_TRUE(firms.count(id)) << "no firm " << id << ", trial " << trial;
            EXPECT_EQ(vybery.as<VyberyRecord>().FIRMA.trimmed(), firms[id]);
        }
        EXPECT_EQ(rows, vybery.records());
        long byName = 0;
        for (int rc = vybery.setKey(vybery.keyNumber("VYB:BYFIRMA"));
             rc == 0 && vybery.next() == 0;)
            ++byName;
        EXPECT_EQ(byName, rows) << "trial " << trial;
        services::standardRelease(vybery);
        // The saved file, when there is one, holds real firms, each once.
        auto& akt = f.db.file("AktVyber");
        if (std::filesystem::exists(dir / "SAVED.QTF") && akt.open() == 0) {
            std::set<int> saved;
            for (int rc = akt.setFile(); rc == 0 && akt.next() == 0;) {
                const int id = akt.as<AktVyberRecord>().ID.get();
                EXPECT_TRUE(saved.insert(id).second) << "saved firm " << id << " twice";
                EXPECT_TRUE(firms.count(id)) << "saved firm " << id << " unknown";
            }
            (void)akt.close();
        }
        services::standardRelease(adresar);
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zv::selections
