// Two stations sharing one data directory: this process and a child process,
// each with its own handles and locks on the same native files.
#include "referential_rules.h"
#include "standard_open.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/records.h"
#include "storage/quarto_driver.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zv::services {
namespace {

using rec::UkolyRecord;

class TwoStationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("zv_stations_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir_.string() + "/");
        // A pipe tells the parent when the other station has done its part.
        ASSERT_EQ(::pipe(pipe_), 0);
    }
    void TearDown() override {
        for (const char* label : {"UKOLY", "Adresar", "Osoby", "Schuzky", "Klice"})
            (void)db.file(label).close();
        ::close(pipe_[0]);
        ::close(pipe_[1]);
        std::filesystem::remove_all(dir_);
    }

    // Runs body in another station (a child process with a database of its own);
    // returns once it signalled; finish() waits for it to end.
    template <typename Body>
    void otherStation(Body body) {
        child_ = ::fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            storage::forgetOpenFilesAfterFork();
            access::Database other;
            access::registerStandardDrivers(other);
            other.setDataPrefix(dir_.string() + "/");
            const int rc = body(other, pipe_[1]);
            ::_exit(rc);
        }
        char c = 0;
        ASSERT_EQ(::read(pipe_[0], &c, 1), 1);
    }
    int finish() {
        int status = 0;
        ::waitpid(child_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path dir_;
    access::Database db;
    ScriptedMessages messages;
    ProcedureServices s{db, messages, {}};
    int pipe_[2] = {-1, -1};
    pid_t child_ = -1;
};

TEST_F(TwoStationsTest, TheSecondChangeOfATaskSeesTheFirstStationsValues) {
    auto& uko = db.file("UKOLY");
    ASSERT_EQ(standardOpen(s, uko), OpenOutcome::Opened);
    uko.clearBuffer();
    uko.as<UkolyRecord>().CUKOLU.set(1);
    uko.as<UkolyRecord>().POPIS.set("puvodni");
    ASSERT_EQ(uko.add(), 0);

    // This station reads the task for its form.
    ASSERT_EQ(uko.setKey(0), 0);
    uko.watch();
    ASSERT_EQ(uko.next(), 0);

    otherStation([](access::Database& other, int done) {
        auto& f = other.file("UKOLY");
        if (f.open() != 0 || f.setKey(0) != 0 || f.next() != 0) return 1;
        f.as<UkolyRecord>().POPIS.set("od kolegy");
        const int rc = f.put();
        (void)f.close();
        (void)!::write(done, "x", 1);
        return rc;
    });
    ASSERT_EQ(finish(), 0);

    uko.as<UkolyRecord>().POPIS.set("moje");
    EXPECT_EQ(updateRule(s, uko, true), kRuleChangedElsewhere);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Record Was Not Updated");
    EXPECT_EQ(uko.as<UkolyRecord>().POPIS.trimmed(), "od kolegy");
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(TwoStationsTest, ABusyFileFailsARuleAfterAboutTwoSeconds) {
    auto& adr = db.file("Adresar");
    ASSERT_EQ(standardOpen(s, adr), OpenOutcome::Opened);
    adr.clearBuffer();
    adr.as<rec::AdresarRecord>().ID.set(1);
    ASSERT_EQ(adr.add(), 0);
    for (const char* label : {"Osoby", "Schuzky", "UKOLY", "Klice"})
        ASSERT_EQ(standardOpen(s, db.file(label)), OpenOutcome::Opened);

    // The other station sits inside a transaction on the tasks.
    otherStation([](access::Database& other, int done) {
        auto& f = other.file("UKOLY");
        if (f.open() != 0) return 1;
        if (other.beginTransaction(2, {&f}) != 0) return 2;
        (void)!::write(done, "x", 1);
        ::sleep(4);
        (void)other.rollback();
        return 0;
    });

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(deleteRule(s, adr), kRuleFailed);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.5);
    EXPECT_LT(seconds, 3.9); // gave up before the other station was done
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Transaction Framing Error");
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(adr.records(), 1);
    EXPECT_FALSE(db.inTransaction());
}

} // namespace
} // namespace zv::services
