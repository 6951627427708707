// Crash safety of the native file: power cuts, torn writes and failed writes
// at every write of a commit, and a writer process killed with SIGKILL at
// random moments. After reopening, the file holds exactly the last committed
// state or the one before it. Randomness is seeded; failures name the seed.
#include "storage/native_file.h"

#include "storage/coding.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace zv::storage {
namespace {

using test::Model;

// A deterministic stream of change batches: the same seed gives the same
// batches to the writer and to the model that checks it.
class Workload {
public:
    explicit Workload(unsigned seed) : rng_(seed) {}

    struct Op {
        int kind; // 0 insert, 1 replace, 2 remove
        std::string key;
        std::string payload;
    };

    std::vector<Op> batch(Model& model) {
        std::vector<Op> ops;
        int n = 1 + static_cast<int>(rng_() % 40);
        for (int i = 0; i < n; ++i) {
            Op op;
            std::uint32_t k = rng_() % 400;
            op.key = test::makeKey(k, 4 + k % 30);
            std::size_t len = rng_() % 10 == 0 ? 2000 + rng_() % 9000 : rng_() % 200;
            op.payload = test::makePayload(static_cast<std::uint32_t>(rng_()), len);
            bool present = model.count(op.key) != 0;
            op.kind = present ? (rng_() % 2 ? 1 : 2) : 0;
            if (op.kind == 2)
                model.erase(op.key);
            else
                model[op.key] = op.payload;
            ops.push_back(std::move(op));
        }
        return ops;
    }

    static int apply(NativeFile& f, const std::vector<Op>& ops) {
        for (const auto& op : ops) {
            bool found = false;
            int rc = op.kind == 0   ? f.insert(op.key, op.payload)
                     : op.kind == 1 ? f.replace(op.key, op.payload, &found)
                                    : f.remove(op.key, &found);
            if (rc) return rc;
        }
        return 0;
    }

private:
    std::mt19937 rng_;
};

// Every fault of one kind at every write (or flush) of one commit.
class CommitFaultTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::CatchRuntimeErrors::count(), 0) << test::CatchRuntimeErrors::lastText();
    }
    test::CatchRuntimeErrors errors_;

    struct Scenario {
        std::vector<std::uint8_t> before; // the committed file
        Model oldState, newState;
        std::vector<Workload::Op> ops;
    };

    static Scenario makeScenario(unsigned seed) {
        Scenario s;
        platform::MemFileSystem fs;
        auto f = test::openFile(fs, "c.qtf");
        Workload w(seed);
        Model m;
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(Workload::apply(*f, w.batch(m)), 0);
            EXPECT_EQ(f->commit(), 0);
        }
        s.before = fs.bytes("c.qtf");
        s.oldState = m;
        s.ops = w.batch(m);
        s.newState = m;
        return s;
    }

    // Runs the scenario's commit under `faults`; returns the commit's result.
    static int runCommit(platform::MemFileSystem& fs, const Scenario& s,
                         const platform::MemFileSystem::Faults& faults) {
        fs.put("c.qtf", s.before);
        auto f = test::openFile(fs, "c.qtf");
        EXPECT_TRUE(f);
        if (!f) return -1;
        EXPECT_EQ(Workload::apply(*f, s.ops), 0);
        fs.setFaults(faults);
        return f->commit();
    }

    // Reopens after the fault and checks the file holds one whole state.
    static void expectWhole(platform::MemFileSystem& fs, const Scenario& s, bool mayBeNew,
                            bool mayBeOld) {
        fs.restore();
        auto f = test::openFile(fs, "c.qtf");
        ASSERT_TRUE(f);
        Model disk;
        ASSERT_EQ(test::readAll(*f, &disk), 0);
        bool isOld = disk == s.oldState, isNew = disk == s.newState;
        ASSERT_TRUE(isOld || isNew) << "a mix of states (" << disk.size() << " records)";
        if (!mayBeNew) {
            ASSERT_TRUE(isOld);
        }
        if (!mayBeOld) {
            ASSERT_TRUE(isNew);
        }
        ASSERT_EQ(f->check(), "");
    }
};

TEST_F(CommitFaultTest, PowerCutAtEveryWriteLeavesTheOldOrTheNewState) {
    int trials = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Scenario s = makeScenario(seed);
        platform::MemFileSystem probe;
        ASSERT_EQ(runCommit(probe, s, {}), 0);
        int writes = probe.writes();
        for (std::size_t tear : {std::size_t{0}, std::size_t{512}, std::size_t{768}}) {
            for (int k = 1; k <= writes; ++k) {
                SCOPED_TRACE("cut at write " + std::to_string(k) + " tear " + std::to_string(tear));
                platform::MemFileSystem fs;
                // A torn 512-byte header write would break any design: the
                // header is one sector and sector writes are atomic.
                platform::MemFileSystem::Faults faults;
                faults.powerCutAtWrite = k;
                faults.tearBytes = tear;
                // A cut after the log is in force still counts as committed.
                int rc = runCommit(fs, s, faults);
                expectWhole(fs, s, true, rc != 0);
                ++trials;
                if (HasFatalFailure()) return;
            }
        }
    }
    std::printf("power-cut trials: %d\n", trials);
}

TEST_F(CommitFaultTest, FailedWriteOrFlushReportsTheErrorOrCommitsWhole) {
    int trials = 0;
    for (unsigned seed = 11; seed <= 14; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Scenario s = makeScenario(seed);
        platform::MemFileSystem probe;
        ASSERT_EQ(runCommit(probe, s, {}), 0);
        int writes = probe.writes(), flushes = probe.flushes();
        for (int k = 1; k <= writes + flushes; ++k) {
            SCOPED_TRACE("fault " + std::to_string(k));
            platform::MemFileSystem fs;
            platform::MemFileSystem::Faults faults;
            if (k <= writes)
                faults.failWriteAt = k;
            else
                faults.failFlushAt = k - writes;
            fs.put("c.qtf", s.before);
            auto f = test::openFile(fs, "c.qtf");
            ASSERT_EQ(Workload::apply(*f, s.ops), 0);
            fs.setFaults(faults);
            int rc = f->commit();
            // The same handle goes on: it sees one whole state.
            Model seen;
            ASSERT_EQ(test::readAll(*f, &seen), 0);
            if (rc != 0) {
                ASSERT_TRUE(seen == s.oldState || seen == s.newState);
            } else {
                ASSERT_TRUE(seen == s.newState); // success is never reported for a lost commit
            }
            f.reset();
            expectWhole(fs, s, true, rc != 0);
            ++trials;
            if (HasFatalFailure()) return;
        }
    }
    std::printf("failed-write trials: %d\n", trials);
}

TEST_F(CommitFaultTest, PowerCutDuringRecoveryIsRecoveredAgain) {
    int trials = 0;
    Scenario s = makeScenario(21);
    platform::MemFileSystem probe;
    ASSERT_EQ(runCommit(probe, s, {}), 0);
    int writes = probe.writes();
    // Cut at the first write of apply: the log is in force.
    platform::MemFileSystem fs;
    int applyStart = 0;
    for (int k = writes; k >= 1; --k) {
        platform::MemFileSystem trial;
        platform::MemFileSystem::Faults faults;
        faults.powerCutAtWrite = k;
        (void)runCommit(trial, s, faults);
        trial.restore();
        const auto& b = trial.bytes("c.qtf");
        if (b[6] != b[10] || b[7] != b[11] || b[8] != b[12] || b[9] != b[13]) {
            applyStart = k;
            break;
        }
    }
    ASSERT_GT(applyStart, 0);
    platform::MemFileSystem::Faults faults;
    faults.powerCutAtWrite = applyStart;
    (void)runCommit(fs, s, faults);
    fs.restore();
    auto logged = fs.bytes("c.qtf");
    for (int k = 1; k < 200; ++k) {
        platform::MemFileSystem again;
        again.put("c.qtf", logged);
        platform::MemFileSystem::Faults f2;
        f2.powerCutAtWrite = k;
        again.setFaults(f2);
        std::unique_ptr<NativeFile> f;
        int rc = NativeFile::open(again, "c.qtf", false, {}, &f);
        bool cut = again.powerCut();
        again.restore();
        auto g = test::openFile(again, "c.qtf");
        ASSERT_TRUE(g);
        Model disk;
        ASSERT_EQ(test::readAll(*g, &disk), 0);
        ASSERT_TRUE(disk == s.newState) << "cut at recovery write " << k;
        ++trials;
        if (!cut) {
            ASSERT_EQ(rc, 0);
            break;
        }
    }
    std::printf("recovery-cut trials: %d\n", trials);
}

// Regression: a crash during the first commit of a new file left a file whose
// header was never written, refused as "not a native file".
TEST_F(CommitFaultTest, FirstCommitOfANewFileCutAtEveryWrite) {
    auto fill = [](NativeFile& f, Model* m) {
        Workload w(77);
        EXPECT_EQ(Workload::apply(f, w.batch(*m)), 0);
    };
    platform::MemFileSystem probe;
    Model full;
    {
        auto f = test::openFile(probe, "n.qtf");
        fill(*f, &full);
        probe.setFaults({});
        ASSERT_EQ(f->commit(), 0);
    }
    int writes = probe.writes(), trials = 0;
    for (std::size_t tear : {std::size_t{0}, std::size_t{512}}) {
        for (int k = 1; k <= writes; ++k) {
            SCOPED_TRACE("cut at write " + std::to_string(k));
            platform::MemFileSystem fs;
            auto f = test::openFile(fs, "n.qtf");
            Model m;
            fill(*f, &m);
            platform::MemFileSystem::Faults faults;
            faults.powerCutAtWrite = k;
            faults.tearBytes = tear;
            fs.setFaults(faults);
            (void)f->commit();
            f.reset();
            fs.restore();
            int rc = -1;
            auto g = test::openFile(fs, "n.qtf", &rc);
            ASSERT_EQ(rc, 0);
            Model disk;
            ASSERT_EQ(test::readAll(*g, &disk), 0);
            ASSERT_TRUE(disk.empty() || disk == full);
            ++trials;
        }
    }
    std::printf("new-file trials: %d\n", trials);
}

// ---------------------------------------------------------------------------
// A writer process killed with SIGKILL.

std::string tempDir() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/zvcrashXXXXXX";
    char* d = mkdtemp(tmpl.data());
    return d ? std::string(d) : std::string();
}

// Commits batch after batch, writing the number of each finished commit to `fd`.
[[noreturn]] void writer(const std::string& path, unsigned seed, int fd) {
    auto f = test::openFile(platform::posixFileSystem(), path);
    if (!f) _exit(3);
    Workload w(seed);
    Model m;
    for (std::uint32_t i = 1;; ++i) {
        if (Workload::apply(*f, w.batch(m)) || f->commit()) _exit(4);
        f->endAccess();
        if (write(fd, &i, sizeof i) != sizeof i) _exit(5);
    }
}

// Commits by one handle: each leaves its log named, the next one's log follows
// and the header names them all. The power goes right after the last commit:
// the header names every log of the window.
class LogWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::CatchRuntimeErrors::count(), 0) << test::CatchRuntimeErrors::lastText();
    }
    test::CatchRuntimeErrors errors_;
    platform::MemFileSystem fs;
    Model first, second;
    std::uint64_t split = 0, end = 0; // where the second log starts and ends

    void commitTwiceAndCut() {
        {
            auto f = test::openFile(fs, "c.qtf");
            ASSERT_TRUE(f);
            Workload w(7);
            Model m;
            for (int i = 0; i < 4; ++i) {
                ASSERT_EQ(Workload::apply(*f, w.batch(m)), 0);
                ASSERT_EQ(f->commit(), 0);
                f->endAccess();
            }
            ASSERT_EQ(f->insert("first", "one"), 0);
            ASSERT_EQ(f->commit(), 0);
            f->endAccess();
            m["first"] = "one";
            first = m;
            ASSERT_EQ(f->insert("second", "two"), 0);
            ASSERT_EQ(f->commit(), 0);
            m["second"] = "two";
            second = m;
            fs.cutPower(); // before the handle ends its window
        }
        fs.restore();
        const auto& b = fs.bytes("c.qtf");
        const std::uint16_t window = getLe16(b.data() + qtf::hdr::kWindow);
        ASSERT_EQ(window & qtf::kLogWindow, qtf::kLogWindow);
        end = getLe32(b.data() + qtf::hdr::kLogEnd);
        // The newest log starts after the header that ends the one before it.
        int logs = 0;
        for (std::uint64_t pos = getLe32(b.data() + qtf::hdr::kCommittedEnd); pos < end;) {
            if (getLe32(b.data() + pos) == 0) {
                pos += qtf::kHeaderSize;
                ++logs;
                if (pos < end) split = pos;
            } else {
                pos += (storedSizeOf(b.data() + pos) + qtf::kUnit - 1) / qtf::kUnit * qtf::kUnit;
            }
        }
        ASSERT_GE(logs, 2) << "the header names the logs of several commits";
        ASSERT_LT(split + qtf::kHeaderSize, end + 1);
    }

    Model reopened(int* rc) {
        Model m;
        std::unique_ptr<NativeFile> f;
        *rc = NativeFile::open(fs, "c.qtf", false, {}, &f);
        if (*rc) return m;
        EXPECT_EQ(test::readAll(*f, &m), 0);
        EXPECT_EQ(f->check(), "");
        return m;
    }
};

TEST_F(LogWindowTest, EveryWholeLogRollsForwardToTheLastCommit) {
    commitTwiceAndCut();
    int rc = 0;
    EXPECT_EQ(reopened(&rc), second);
    EXPECT_EQ(rc, 0);
    const auto& b = fs.bytes("c.qtf");
    EXPECT_EQ(getLe32(b.data() + 6), getLe32(b.data() + 10)) << "rolled forward, no log named";
}

// Commits that take one flush write their logs into room made ahead: the file
// grows in steps of a megabyte, not with every commit, and its end goes back
// to the page store when the window ends.
TEST_F(LogWindowTest, CommitsOfAWindowWriteIntoRoomMadeAhead) {
    auto f = test::openFile(fs, "c.qtf");
    ASSERT_TRUE(f);
    Model m;
    std::set<std::size_t> sizes;
    for (int i = 0; i < 60; ++i) {
        const std::string key = test::makeKey(static_cast<std::uint32_t>(i), 12);
        m[key] = std::string(300, static_cast<char>('a' + i % 26));
        ASSERT_EQ(f->insert(key, m[key]), 0);
        ASSERT_EQ(f->commit(), 0);
        f->endAccess();
        if (f->hasLogWindow()) sizes.insert(fs.bytes("c.qtf").size());
    }
    // The store grows below the window: every commit but the first (which
    // flushes what came before it) takes one flush.
    EXPECT_EQ(fs.flushes(), 61);
    ASSERT_FALSE(sizes.empty());
    EXPECT_LE(sizes.size(), 2u);
    for (std::size_t size : sizes)
        EXPECT_EQ(size % (std::size_t{1} << 20), 0u) << size;
    ASSERT_EQ(f->truncateToStore(), 0);
    const auto& b = fs.bytes("c.qtf");
    EXPECT_EQ(b.size(), getLe32(b.data() + qtf::hdr::kCommittedEnd));
    f.reset();
    int rc = 0;
    EXPECT_EQ(reopened(&rc), m);
    EXPECT_EQ(rc, 0);
}

// Without the lock that keeps every other process out, a reader reads such a
// file through its logs and writes nothing; with that lock it rolls forward.
TEST_F(LogWindowTest, ASharedReaderReadsThroughTheLogsWithoutWriting) {
    commitTwiceAndCut();
    const auto before = fs.bytes("c.qtf");
    NativeFile::Options shared;
    shared.shared = true;
    std::unique_ptr<NativeFile> f;
    ASSERT_EQ(NativeFile::open(fs, "c.qtf", false, shared, &f), 0);
    Model m;
    ASSERT_EQ(test::readAll(*f, &m), 0);
    f->endAccess();
    EXPECT_EQ(m, second);
    EXPECT_EQ(f->check(), "") << "checked through the logs";
    EXPECT_TRUE(fs.bytes("c.qtf") == before) << "the reader wrote to the file";
    f->setExclusive(true);
    ASSERT_EQ(test::readAll(*f, &m), 0);
    f->endAccess();
    EXPECT_EQ(m, second);
    const auto& b = fs.bytes("c.qtf");
    EXPECT_EQ(getLe32(b.data() + 6), getLe32(b.data() + 10)) << "rolled forward";
    EXPECT_EQ(f->check(), "");
}

TEST_F(LogWindowTest, ATornNewestLogLeavesTheCommitBefore) {
    commitTwiceAndCut();
    for (std::uint64_t at : {split, (split + end) / 2 / 64 * 64, end - 64}) {
        auto bytes = fs.bytes("c.qtf");
        bytes[at + 20] ^= 0x5A; // torn somewhere in the newest log
        platform::MemFileSystem trial;
        trial.put("c.qtf", bytes);
        std::unique_ptr<NativeFile> f;
        ASSERT_EQ(NativeFile::open(trial, "c.qtf", false, {}, &f), 0);
        Model m;
        ASSERT_EQ(test::readAll(*f, &m), 0);
        EXPECT_EQ(m, first) << "torn at " << at;
        EXPECT_EQ(f->check(), "");
    }
}

TEST_F(LogWindowTest, ADamagedOlderLogIsReportedNotRolledForward) {
    commitTwiceAndCut();
    // The first log was durable before a header named both: damage there is
    // an inconsistency of the file, not a torn commit.
    const auto& b0 = fs.bytes("c.qtf");
    const std::uint64_t start = getLe32(b0.data() + qtf::hdr::kCommittedEnd);
    fs.bytes("c.qtf")[start + 20] ^= 0x5A;
    int rc = 0;
    (void)reopened(&rc);
    EXPECT_EQ(rc, kErrNotNative);
    EXPECT_GE(test::CatchRuntimeErrors::count(), 1) << "the runtime error handler ran";
    test::CatchRuntimeErrors::reset();
}

// A reader without the lock that keeps others out follows the window as its
// writer adds logs; with that lock it rolls the window forward, and the
// writer, finding the header changed, goes on without it.
TEST_F(LogWindowTest, AReaderFollowsTheWindowAndItsWriterGoesOnAfterARollForward) {
    NativeFile::Options shared;
    shared.shared = true;
    std::unique_ptr<NativeFile> writer, reader;
    ASSERT_EQ(NativeFile::open(fs, "w.qtf", true, shared, &writer), 0);
    ASSERT_EQ(NativeFile::open(fs, "w.qtf", false, shared, &reader), 0);
    writer->setExclusive(true);
    Model expected;
    const auto add = [&](const std::string& key) {
        ASSERT_EQ(writer->insert(key, "payload of " + key), 0);
        ASSERT_EQ(writer->commit(), 0);
        writer->endAccess();
        expected[key] = "payload of " + key;
    };
    const auto readerSees = [&](const char* when) {
        Model m;
        ASSERT_EQ(test::readAll(*reader, &m), 0);
        reader->endAccess();
        EXPECT_EQ(m, expected) << when;
    };
    add("a");
    add("b");
    const auto named = fs.bytes("w.qtf");
    ASSERT_NE(getLe32(named.data() + 6), getLe32(named.data() + 10)) << "a window is named";
    readerSees("two commits");
    EXPECT_TRUE(fs.bytes("w.qtf") == named) << "the reader wrote to the file";
    add("c");
    readerSees("a third commit");
    reader->setExclusive(true);
    readerSees("under the lock");
    reader->setExclusive(false);
    const auto& rolled = fs.bytes("w.qtf");
    EXPECT_EQ(getLe32(rolled.data() + 6), getLe32(rolled.data() + 10)) << "rolled forward";
    add("d");
    add("e");
    readerSees("after the roll forward");
    EXPECT_EQ(reader->check(), "");
    writer.reset();
    reader.reset();
    std::unique_ptr<NativeFile> f;
    ASSERT_EQ(NativeFile::open(fs, "w.qtf", false, {}, &f), 0);
    Model m;
    ASSERT_EQ(test::readAll(*f, &m), 0);
    EXPECT_EQ(m, expected);
    EXPECT_EQ(f->check(), "");
}

TEST_F(LogWindowTest, ACutAtEveryWriteOfConsecutiveCommitsLeavesAWholeState) {
    platform::MemFileSystem probe;
    std::vector<std::uint8_t> before;
    Workload w(11);
    std::vector<Model> states(1);
    std::vector<std::vector<Workload::Op>> batches;
    {
        auto f = test::openFile(probe, "c.qtf");
        ASSERT_TRUE(f);
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(Workload::apply(*f, w.batch(states[0])), 0);
            ASSERT_EQ(f->commit(), 0);
        }
    }
    before = probe.bytes("c.qtf");
    for (int i = 0; i < 4; ++i) {
        Model m = states.back();
        std::vector<Workload::Op> ops;
        Workload::Op op{0, "run" + std::to_string(i), std::string(100 + 50 * i, 'r')};
        ops.push_back(op);
        m[op.key] = op.payload;
        batches.push_back(ops);
        states.push_back(m);
    }
    int flushes = 0; // of the commits, before the handle ends its window
    auto run = [&](platform::MemFileSystem& fs, const platform::MemFileSystem::Faults& faults) {
        fs.put("c.qtf", before);
        auto f = test::openFile(fs, "c.qtf");
        fs.setFaults(faults);
        int done = 0;
        for (const auto& ops : batches) {
            if (Workload::apply(*f, ops) || f->commit()) break;
            f->endAccess();
            ++done;
        }
        flushes = fs.flushes();
        return done;
    };
    platform::MemFileSystem all;
    ASSERT_EQ(run(all, {}), 4);
    // The first commit after opening flushes first (the header last written
    // may not be durable yet), then each commit flushes once.
    EXPECT_EQ(flushes, 5);
    const int writes = all.writes();
    for (int k = 1; k <= writes; ++k)
        for (std::size_t tear : {std::size_t{0}, std::size_t{512}, std::size_t{1} << 20})
            for (unsigned reorder : {0u, 1u, 2u, 3u}) {
                if (reorder && !tear) continue;
                platform::MemFileSystem fs;
                platform::MemFileSystem::Faults faults;
                faults.powerCutAtWrite = k;
                faults.tearBytes = tear;
                faults.reorderSeed = reorder;
                const int done = run(fs, faults);
                fs.restore();
                std::unique_ptr<NativeFile> f;
                ASSERT_EQ(NativeFile::open(fs, "c.qtf", false, {}, &f), 0);
                Model m;
                ASSERT_EQ(test::readAll(*f, &m), 0);
                const auto n = static_cast<std::size_t>(done);
                EXPECT_TRUE(m == states[n] || (n + 1 < states.size() && m == states[n + 1]))
                    << "cut at write " << k << " tear " << tear << " reorder " << reorder
                    << " after " << done << " commits";
                EXPECT_EQ(f->check(), "");
            }
}

// A commit too big for the window (its new pages are written at their places)
// after commits that took one flush: a cut at any of its writes leaves the
// state before it or after it.
TEST_F(LogWindowTest, ABigCommitAfterACommitRunIsCutAtEveryWrite) {
    std::vector<std::uint8_t> before;
    {
        auto f = test::openFile(fs, "c.qtf");
        ASSERT_TRUE(f);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(f->insert(test::makeKey(i, 8), "base"), 0);
        ASSERT_EQ(f->commit(), 0);
    }
    before = fs.bytes("c.qtf");
    Model small, big;
    auto run = [&](platform::MemFileSystem& mfs, const platform::MemFileSystem::Faults& faults,
                   Model* afterSmall, Model* afterBig) {
        mfs.put("c.qtf", before);
        auto f = test::openFile(mfs, "c.qtf");
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(f->insert("small" + std::to_string(i), "s"), 0);
            EXPECT_EQ(f->commit(), 0);
            f->endAccess();
        }
        EXPECT_EQ(test::readAll(*f, afterSmall), 0);
        f->endAccess();
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(f->insert(test::makeKey(1000 + i, 8), test::makePayload(i, 9000)), 0);
        mfs.setFaults(faults);
        const int rc = f->commit();
        if (rc == 0 && faults.powerCutAtWrite == 0) {
            f->endAccess();
            EXPECT_EQ(test::readAll(*f, afterBig), 0);
        }
        return rc;
    };
    platform::MemFileSystem probe;
    ASSERT_EQ(run(probe, {}, &small, &big), 0);
    const int writes = probe.writes();
    // The new pages go to their places in a few big writes, each of which
    // may be torn.
    ASSERT_GT(writes, 6) << "the new pages are written at their places";
    std::mt19937 rng(5);
    for (int k = 1; k <= writes; ++k) {
        platform::MemFileSystem mfs;
        platform::MemFileSystem::Faults faults;
        faults.powerCutAtWrite = k;
        const unsigned variant = rng() % 4;
        faults.tearBytes = variant == 0 ? 0 : variant == 1 ? 512 : std::size_t{1} << 20;
        faults.reorderSeed = variant == 3 ? 1 + rng() % 1000 : 0;
        Model ignored;
        (void)run(mfs, faults, &ignored, &ignored);
        mfs.restore();
        std::unique_ptr<NativeFile> f;
        ASSERT_EQ(NativeFile::open(mfs, "c.qtf", false, {}, &f), 0) << "cut at write " << k;
        Model m;
        ASSERT_EQ(test::readAll(*f, &m), 0);
        EXPECT_TRUE(m == small || m == big)
            << "cut at write " << k << " variant " << variant << ": " << m.size() << " records";
        EXPECT_EQ(f->check(), "");
    }
}

TEST(KilledWriterTest, FileHoldsTheLastCommitOrTheOneAfter) {
    std::string dir = tempDir();
    ASSERT_FALSE(dir.empty());
    const unsigned kTrials = 150;
    std::mt19937 timing(4242);
    for (unsigned trial = 0; trial < kTrials; ++trial) {
        unsigned seed = 1000 + trial;
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::string path = dir + "/k" + std::to_string(trial) + ".qtf";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            writer(path, seed, fds[1]);
        }
        close(fds[1]);
        usleep(1000 + timing() % 25000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        std::uint32_t last = 0, n = 0;
        while (read(fds[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n))
            last = n;
        close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;

        Workload w(seed);
        Model m, atLast, afterLast;
        for (std::uint32_t i = 1; i <= last + 1; ++i) {
            (void)w.batch(m);
            if (i == last) atLast = m;
        }
        afterLast = m;
        std::unique_ptr<NativeFile> f;
        int rc = NativeFile::open(platform::posixFileSystem(), path, false, {}, &f);
        if (rc == 0) {
            Model disk;
            ASSERT_EQ(test::readAll(*f, &disk), 0);
            ASSERT_TRUE(disk == atLast || disk == afterLast)
                << "after commit " << last << ": " << disk.size() << " records";
            ASSERT_EQ(f->check(), "");
        } else if (rc == ENOENT && last == 0) {
            // Killed before it created the file: nothing was committed.
        } else {
            FAIL() << "reopen failed with " << rc << " after commit " << last;
        }
        f.reset();
        unlink(path.c_str());
    }
    rmdir(dir.c_str());
    std::printf("killed-writer trials: %u\n", kTrials);
}

} // namespace
} // namespace zv::storage
