// The category clearing killed at random moments, on the program's data files:
// whatever moment the process dies at, the address book opens again with every
// firm cleared or with every firm as it was, never some of each; the category
// beside it is never touched.
#include "app/records/categories/category_clearing.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::records {
namespace {

using namespace zv::rec;
namespace fs = std::filesystem;

constexpr int kFirms = 6000;
constexpr int kSetEvery = 3; // firms 1, 4, 7 ... carry category 3 with a text

struct Book {
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    explicit Book(const fs::path& dir) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
    }
};

// Tells the parent, through a pipe, that the walk has begun.
class Signalling : public NoClearingProgress {
public:
    explicit Signalling(int fd) : fd_(fd) {}
    void begin(long) override { (void)!write(fd_, "b", 1); }

private:
    int fd_;
};

struct Census {
    long firms = 0;
    long withCategory = 0;  // P3 set or its text present
    long withNeighbour = 0; // P4 set
    bool opened = false;
};

Census census(const fs::path& dir) {
    Book b(dir);
    Census c;
    auto& f = b.db.file("Adresar");
    if (services::standardOpen(b.s, f) != services::OpenOutcome::Opened) return c;
    c.opened = true;
    for (int rc = f.setFile(); rc == 0 && f.next() == 0;) {
        const auto& a = f.as<AdresarRecord>();
        ++c.firms;
        if (a.P3.get() != 0 || !a.P3TXT.trimmed().empty()) ++c.withCategory;
        if (a.P4.get() != 0) ++c.withNeighbour;
    }
    services::standardRelease(f);
    return c;
}

void makeBook(const fs::path& dir) {
    fs::create_directories(dir);
    Book b(dir);
    auto& f = b.db.file("Adresar");
    ASSERT_EQ(f.create(), 0);
    ASSERT_EQ(services::standardOpen(b.s, f), services::OpenOutcome::Opened);
    ASSERT_EQ(b.db.beginTransaction(2, {&f}), 0);
    for (int id = 1; id <= kFirms; ++id) {
        f.clearBuffer();
        auto& a = f.as<AdresarRecord>();
        a.ID.set(id);
        a.FIRMA.set("Firma " + std::to_string(id));
        a.MESTO.set("Brno");
        a.P4.set(1);
        if (id % kSetEvery == 1) {
            a.P3.set(1);
            a.P3TXT.set("pravidelny odber");
        }
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }
    ASSERT_EQ(b.db.commit(), 0);
    services::standardRelease(f);
}

TEST(CategoryClearingKillTest, AKilledClearingLeavesEveryFirmClearedOrNone) {
    const fs::path dir =
        fs::temp_directory_path() / ("zevlon_category_kill_" + std::to_string(getpid()));
    fs::remove_all(dir);
    const fs::path master = dir / "master";
    makeBook(master);
    const long carrying = (kFirms + kSetEvery - 1) / kSetEvery;
    {
        const Census c = census(master);
        ASSERT_EQ(c.firms, kFirms);
        ASSERT_EQ(c.withCategory, carrying);
    }
    // How long one clearing takes here: the kills fall anywhere in it.
    double seconds = 0;
    {
        const fs::path timed = dir / "timed";
        fs::copy(master, timed);
        Book b(timed);
        NoClearingProgress quiet;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(clearCategory(b.s, 3, quiet).result, ClearingResult::Cleared);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(census(timed).withCategory, 0);
    }
    const auto span = std::max<long>(1000, long(seconds * 1.3e6)); // microseconds
    std::mt19937 random(20261210);
    int untouched = 0, cleared = 0;
    for (int trial = 0; trial < 12; ++trial) {
        const fs::path book = dir / ("book" + std::to_string(trial));
        fs::copy(master, book);
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            Book b(book);
            Signalling progress(pipeFds[1]);
            (void)clearCategory(b.s, 3, progress);
            _exit(0);
        }
        close(pipeFds[1]);
        char began = 0;
        (void)!read(pipeFds[0], &began, 1);
        close(pipeFds[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % span));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        const Census c = census(book);
        ASSERT_TRUE(c.opened) << "trial " << trial;
        EXPECT_EQ(c.firms, kFirms) << "trial " << trial;
        EXPECT_EQ(c.withNeighbour, kFirms) << "trial " << trial;
        EXPECT_TRUE(c.withCategory == 0 || c.withCategory == carrying)
            << c.withCategory << " firms still carry the category, trial " << trial;
        (c.withCategory == 0 ? cleared : untouched) += 1;
    }
    // Which trials ended which way depends on the machine's speed.
    std::printf("killed clearings: %d left every firm as it was, %d cleared every firm\n",
                untouched, cleared);
    fs::remove_all(dir);
}

} // namespace
} // namespace zv::records
