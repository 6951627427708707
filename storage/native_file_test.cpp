#include "storage/native_file.h"

#include "storage/coding.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace zv::storage {
namespace {

using test::CatchRuntimeErrors;
using test::Model;

class NativeFileTest : public ::testing::Test {
protected:
    platform::MemFileSystem fs;
    CatchRuntimeErrors errors;

    std::unique_ptr<NativeFile> open(const std::string& name = "t.qtf") {
        int rc = -1;
        auto f = test::openFile(fs, name, &rc);
        EXPECT_EQ(rc, 0);
        return f;
    }
    Model all(NativeFile& f) {
        Model m;
        EXPECT_EQ(test::readAll(f, &m), 0);
        return m;
    }
};

TEST_F(NativeFileTest, EmptyFileOpensAsAnEmptyNativeFile) {
    fs.bytes("t.qtf");
    auto f = open();
    ASSERT_TRUE(f);
    EXPECT_TRUE(all(*f).empty());
    ASSERT_EQ(f->commit(), 0);
    EXPECT_EQ(f->check(), "");
    EXPECT_EQ(fs.bytes("t.qtf").size() % 256, 0u);
}

TEST_F(NativeFileTest, ShortFileOrOtherSignatureIsNotNative) {
    fs.bytes("short.qtf").assign(100, 0);
    std::unique_ptr<NativeFile> f;
    EXPECT_EQ(NativeFile::open(fs, "short.qtf", false, {}, &f), kErrNotNative);
    auto& b = fs.bytes("sig.qtf");
    b.assign(1024, 0);
    b[4] = 0x00;
    b[5] = 0x02;
    std::memcpy(b.data() + 14, "QUAR", 4);
    EXPECT_EQ(NativeFile::open(fs, "sig.qtf", false, {}, &f), kErrNotNative);
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(NativeFileTest, HeaderLayoutAfterFirstCommit) {
    auto f = open();
    ASSERT_EQ(f->insert("abc", "payload"), 0);
    ASSERT_EQ(f->commit(), 0);
    const auto& b = fs.bytes("t.qtf");
    // The commit's log stays named until the next commit or the close.
    EXPECT_NE(getLe32(b.data() + 6), getLe32(b.data() + 10));
    EXPECT_EQ(getLe16(b.data() + 18), 0x8000u); // one log, of a commit with one flush
    ASSERT_EQ(f->truncateToStore(), 0);
    ASSERT_GE(b.size(), 768u);
    EXPECT_EQ(getLe32(b.data()), 0u);
    EXPECT_EQ(getLe16(b.data() + 4), 512);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 14), 4), "qUaR");
    EXPECT_EQ(getLe32(b.data() + 6), getLe32(b.data() + 10)); // no log in force
    EXPECT_EQ(getLe32(b.data() + 24), 1u);                    // change counter
    EXPECT_EQ(getLe32(b.data() + 28), 0u);                    // root in slot 0
    EXPECT_EQ(getLe32(b.data() + 32 + 4), 0u);                // region 1 start
    EXPECT_EQ(getLe32(b.data() + 272 + 4), 1u);               // region 1 end
    EXPECT_EQ(fs.bytes("t.qtf").size(), 768u);
}

TEST_F(NativeFileTest, NextNumberCountsBigEndianWithCarry) {
    auto f = open();
    std::array<std::uint8_t, 4> n{};
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(f->nextNumber(&n), 0);
    EXPECT_EQ(n, (std::array<std::uint8_t, 4>{0, 0, 1, 0}));
    ASSERT_EQ(f->commit(), 0);
    auto g = open();
    ASSERT_EQ(g->nextNumber(&n), 0);
    EXPECT_EQ(n, (std::array<std::uint8_t, 4>{0, 0, 1, 1}));
}

TEST_F(NativeFileTest, LastNumberReachingFEIsAnInternalError) {
    auto f = open();
    f->raiseLastNumber({0xFD, 0xFF, 0xFF, 0xFF});
    std::array<std::uint8_t, 4> n{};
    EXPECT_EQ(f->nextNumber(&n), kErrNotNative);
    EXPECT_EQ(errors.count(), 1);
    EXPECT_NE(errors.lastText().find("Internal error : qtfbt line "), std::string::npos);
}

TEST_F(NativeFileTest, LookupsFloorPredecessorSuccessor) {
    auto f = open();
    for (int i = 0; i < 2000; i += 2)
        ASSERT_EQ(f->insert(test::makeKey(i, 12), "p"), 0);
    ASSERT_EQ(f->commit(), 0);
    auto g = open();
    PageRecord r;
    bool found = false;
    ASSERT_EQ(g->floor(test::makeKey(501, 12), &r, &found), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(r.key, test::makeKey(500, 12));
    ASSERT_EQ(g->predecessor(test::makeKey(500, 12), &r, &found), 0);
    EXPECT_EQ(r.key, test::makeKey(498, 12));
    ASSERT_EQ(g->successor(test::makeKey(500, 12), &r, &found), 0);
    EXPECT_EQ(r.key, test::makeKey(502, 12));
    ASSERT_EQ(g->successor(test::makeKey(1998, 12), &r, &found), 0);
    EXPECT_FALSE(found);
    ASSERT_EQ(g->predecessor(test::makeKey(0, 12), &r, &found), 0);
    EXPECT_FALSE(found);
    std::string p;
    ASSERT_EQ(g->get(test::makeKey(501, 12), &p, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(g->insert(test::makeKey(500, 12), "x"), kErrDuplicate);
    EXPECT_EQ(g->check(), "");
}

TEST_F(NativeFileTest, KeyThatIsAPrefixSortsFirst) {
    auto f = open();
    ASSERT_EQ(f->insert("ab", "1"), 0);
    ASSERT_EQ(f->insert("a", "2"), 0);
    ASSERT_EQ(f->insert(std::string("a\xff", 2), "3"), 0);
    Model m = all(*f);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m.begin()->first, "a");
    EXPECT_EQ(std::next(m.begin())->first, "ab");
}

TEST_F(NativeFileTest, RemovePrefixEmptiesOneTableOnly) {
    auto f = open();
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(f->insert("T1" + test::makeKey(i, 8), std::string(100, 'a')), 0);
        ASSERT_EQ(f->insert("T2" + test::makeKey(i, 8), std::string(100, 'b')), 0);
    }
    ASSERT_EQ(f->commit(), 0);
    ASSERT_EQ(f->removePrefix("T1"), 0);
    ASSERT_EQ(f->commit(), 0);
    Model m = all(*f);
    EXPECT_EQ(m.size(), 300u);
    EXPECT_EQ(m.begin()->first.substr(0, 2), "T2");
    EXPECT_EQ(f->check(), "");
}

std::string counterPayload(std::uint32_t count, std::string rest = std::string(4, '\0')) {
    std::string p;
    appendLe32(p, count);
    return p + rest;
}

// What a handle knows of a prefix (records under it or none) follows every
// change: its own adds, removes, counters and rollbacks, and another handle's
// commit.
TEST_F(NativeFileTest, PrefixesKnownToHoldRecordsOrNoneFollowEveryChange) {
    auto a = open();
    auto b = open();
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(a->insert("d" + std::to_string(1000 + i), std::string(200, 'x')), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    const auto any = [](NativeFile& f, const std::string& prefix) {
        bool held = true;
        EXPECT_EQ(f.anyWithPrefix(prefix, &held), 0);
        f.endAccess();
        return held;
    };
    EXPECT_TRUE(any(*a, "d1"));
    EXPECT_FALSE(any(*a, "m"));
    EXPECT_FALSE(any(*a, "m")) << "asked again";

    ASSERT_EQ(a->insert("m7", "memo"), 0);
    EXPECT_TRUE(any(*a, "m")) << "an added key";
    a->discardChanges();
    EXPECT_FALSE(any(*a, "m")) << "rolled back";

    ASSERT_EQ(a->removePrefix("m5"), 0) << "nothing to remove";
    a->addToCounter("m9", 1);
    EXPECT_TRUE(any(*a, "m")) << "a counter waiting for its record";
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    bool found = false;
    ASSERT_EQ(a->remove("m9", &found), 0);
    EXPECT_TRUE(found);
    EXPECT_FALSE(any(*a, "m")) << "its one record removed";
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();

    // Known to the other handle as empty, then filled by this one.
    EXPECT_FALSE(any(*b, "m"));
    ASSERT_EQ(a->insert("m1", "memo"), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_TRUE(any(*b, "m")) << "another handle's commit";
    ASSERT_EQ(b->removePrefix("m"), 0);
    EXPECT_FALSE(any(*b, "m"));
    ASSERT_EQ(b->commit(), 0);
    b->endAccess();
    EXPECT_FALSE(any(*a, "m"));

    // More prefixes than the handle keeps: each answer stays right.
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(any(*a, "d1" + std::to_string(i)), i < 3) << i;
}

// Additions to counters wait, yet every lookup that could meet the counter
// sees it added; a rollback drops them, a commit writes them.
TEST_F(NativeFileTest, CountersWaitingForTheirAdditionsReadAsAdded) {
    auto f = open();
    for (const char* k : {"a", "m", "z"})
        ASSERT_EQ(f->insert(k, "r"), 0);
    ASSERT_EQ(f->insert("k", counterPayload(5, "tail")), 0);
    ASSERT_EQ(f->commit(), 0);
    const std::uint32_t committed = f->changeCounter();

    f->addToCounter("c", 2); // absent: created at its first reading
    f->addToCounter("c", 1);
    f->addToCounter("k", -1);
    EXPECT_TRUE(f->hasChanges());
    PageRecord r;
    bool found = false;
    ASSERT_EQ(f->predecessor("z", &r, &found), 0); // passes no counter
    EXPECT_EQ(r.key, "m");
    ASSERT_EQ(f->successor("a", &r, &found), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(r.key, "c");
    EXPECT_EQ(r.payload, counterPayload(3));
    ASSERT_EQ(f->floor("l", &r, &found), 0);
    EXPECT_EQ(r.key, "k");
    EXPECT_EQ(r.payload, counterPayload(4, "tail"));

    f->addToCounter("c", 4);
    EXPECT_EQ(f->insert("c", "x"), kErrDuplicate);
    std::string p;
    ASSERT_EQ(f->get("c", &p, &found), 0);
    EXPECT_EQ(p, counterPayload(7));
    f->addToCounter("k", 10);
    f->discardChanges();
    EXPECT_FALSE(f->hasChanges());
    auto g = open();
    ASSERT_EQ(g->get("k", &p, &found), 0);
    EXPECT_EQ(p, counterPayload(5, "tail"));
    ASSERT_EQ(g->get("c", &p, &found), 0);
    EXPECT_FALSE(found);

    // Additions that cancel out leave nothing to commit.
    g->addToCounter("k", 3);
    g->addToCounter("k", -3);
    ASSERT_EQ(g->commit(), 0);
    EXPECT_EQ(g->changeCounter(), committed);
    g->addToCounter("k", -6); // the counter wraps as an unsigned number
    g->addToCounter("n", 1);
    ASSERT_EQ(g->commit(), 0);
    auto h = open();
    EXPECT_EQ(all(*h), (Model{{"a", "r"},
                              {"k", counterPayload(0xFFFFFFFFu, "tail")},
                              {"m", "r"},
                              {"n", counterPayload(1)},
                              {"z", "r"}}));
    EXPECT_EQ(h->check(), "");
}

// A record of `bytes` bytes that does not compress, the same for the same key.
std::string noiseFor(int key, std::size_t bytes) {
    std::mt19937 rng(static_cast<unsigned>(key));
    std::string s(bytes, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

std::string numberKey(int i) {
    const char k[] = {'N', static_cast<char>(i >> 16), static_cast<char>(i >> 8),
                      static_cast<char>(i)};
    return std::string(k, sizeof k);
}

// A file larger than the cache's budget, read through in a random order: the
// cache gives pages back as it goes, and its count of their bytes stays true.
TEST_F(NativeFileTest, TheCacheKeepsToItsBudgetReadingAFileLargerThanIt) {
    const int records = 48000;
    const std::size_t bytes = 800; // 38 MB in all
    {
        auto f = open();
        for (int i = 0; i < records; ++i) {
            ASSERT_EQ(f->insert(numberKey(i), noiseFor(i, bytes)), 0);
            if (i % 8000 == 7999) {
                ASSERT_EQ(f->commit(), 0);
                f->endAccess();
                ASSERT_TRUE(f->cacheBytesAgree());
            }
        }
    }
    auto f = open();
    std::vector<int> order(records);
    for (int i = 0; i < records; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    std::string payload;
    for (std::size_t n = 0; n < order.size(); ++n) {
        bool found = false;
        ASSERT_EQ(f->get(numberKey(order[n]), &payload, &found), 0);
        ASSERT_TRUE(found);
        ASSERT_EQ(payload, noiseFor(order[n], bytes)) << order[n];
        f->endAccess();
        if (n % 4000 == 0) {
            ASSERT_TRUE(f->cacheBytesAgree());
            EXPECT_LE(f->cacheBytes(), NativeFile::kCacheBudget / 4 * 5);
        }
    }
    EXPECT_GT(f->cacheBytes(), NativeFile::kCacheBudget / 2);
}

TEST_F(NativeFileTest, ChangeCounterMakesAnotherHandleDropItsCache) {
    auto a = open();
    auto b = open();
    ASSERT_EQ(a->insert("k", "one"), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_EQ(all(*b), (Model{{"k", "one"}}));
    bool found = false;
    ASSERT_EQ(a->replace("k", "two", &found), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_EQ(all(*b), (Model{{"k", "two"}}));
}

// Opening a shared file happens outside the lock that orders commits, so it
// must neither read nor roll forward a commit another handle has half done:
// rolled forward late, that commit's header would land over the next one.
TEST_F(NativeFileTest, OpeningASharedFileLeavesAnotherHandlesCommitAlone) {
    auto a = open();
    ASSERT_EQ(a->insert("k1", "one"), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    ASSERT_EQ(a->insert("k2", "two"), 0);
    ASSERT_EQ(a->prepare(), 0); // the log is in force, not yet applied
    const auto midCommit = fs.bytes("t.qtf");

    NativeFile::Options shared;
    shared.shared = true;
    std::unique_ptr<NativeFile> b;
    ASSERT_EQ(NativeFile::open(fs, "t.qtf", false, shared, &b), 0);
    EXPECT_TRUE(fs.bytes("t.qtf") == midCommit) << "the opener wrote to the file";

    ASSERT_EQ(a->apply(), 0);
    a->endAccess();
    ASSERT_EQ(a->insert("k3", "three"), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_EQ(all(*b), (Model{{"k1", "one"}, {"k2", "two"}, {"k3", "three"}}));
    EXPECT_EQ(all(*a), (Model{{"k1", "one"}, {"k2", "two"}, {"k3", "three"}}));

    fs.bytes("u.qtf").assign(100, 0);
    std::unique_ptr<NativeFile> c;
    ASSERT_EQ(NativeFile::open(fs, "u.qtf", false, shared, &c), 0);
    EXPECT_EQ(c->beginAccess(), kErrNotNative) << "found at the first access instead";
    EXPECT_EQ(errors.count(), 0);
}

// A read without the call lock may only use pages cached while the file stood
// as it still stands: another handle's commit, a pending change of its own or a
// page not cached sends it back to the locked path.
TEST_F(NativeFileTest, CachedReadsUseOnlyPagesOfTheHeaderLastSeen) {
    auto a = open();
    auto b = open();
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(a->insert("k" + std::to_string(1000 + i), std::string(300, 'x')), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    std::string payload;
    bool found = false;

    EXPECT_FALSE(b->beginCachedRead()) << "nothing read since the commit of the other handle";
    ASSERT_EQ(b->beginAccess(), 0);
    ASSERT_EQ(b->get("k1000", &payload, &found), 0);
    ASSERT_TRUE(found);
    b->endAccess();

    ASSERT_TRUE(b->beginCachedRead());
    ASSERT_EQ(b->get("k1000", &payload, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_FALSE(b->missedPage());
    ASSERT_EQ(b->get("k1399", &payload, &found), 0) << "its leaf is read: the header stands";
    EXPECT_TRUE(found);
    EXPECT_FALSE(b->missedPage());
    b->endAccess();

    // A commit of the other handle lands while a cached read runs: a leaf read
    // after it is not taken, whatever it holds.
    bool replaced = false;
    ASSERT_TRUE(b->beginCachedRead());
    ASSERT_EQ(a->replace("k1200", "other", &replaced), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_NE(b->get("k1200", &payload, &found), 0) << "its leaf was never read";
    EXPECT_TRUE(b->missedPage());
    b->endAccess();
    EXPECT_FALSE(b->missedPage());
    ASSERT_EQ(b->beginAccess(), 0);
    ASSERT_EQ(b->get("k1200", &payload, &found), 0);
    EXPECT_EQ(payload, "other");
    b->endAccess();

    ASSERT_EQ(a->replace("k1000", "new", &replaced), 0);
    ASSERT_EQ(a->commit(), 0);
    a->endAccess();
    EXPECT_FALSE(b->beginCachedRead()) << "the other handle committed";
    ASSERT_EQ(b->beginAccess(), 0);
    ASSERT_EQ(b->get("k1000", &payload, &found), 0);
    EXPECT_EQ(payload, "new");
    b->endAccess();

    ASSERT_EQ(b->insert("k0", "mine"), 0);
    b->endAccess();
    EXPECT_FALSE(b->beginCachedRead()) << "a change of its own is pending";
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(NativeFileTest, CrashAfterTheLogIsInForceRollsForward) {
    auto f = open();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), "old"), 0);
    ASSERT_EQ(f->commit(), 0);
    bool found = false;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(f->replace(test::makeKey(i, 10), "new", &found), 0);
    ASSERT_EQ(f->prepare(), 0); // the log is in force; apply never runs
    f.reset();
    const auto& b = fs.bytes("t.qtf");
    EXPECT_NE(getLe32(b.data() + 6), getLe32(b.data() + 10));
    auto g = open();
    Model m = all(*g);
    ASSERT_EQ(m.size(), 50u);
    EXPECT_EQ(m.begin()->second, "new");
    EXPECT_EQ(g->check(), "");
}

// Builds a file of 50 records "old", then changes them all to "new" and
// prepares the commit under `faults`; returns the writes the prepare made.
int prepareScenario(platform::MemFileSystem& fs, platform::MemFileSystem::Faults faults) {
    auto f = test::openFile(fs, "t.qtf");
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(f->insert(test::makeKey(i, 10), "old"), 0);
    EXPECT_EQ(f->commit(), 0);
    bool found = false;
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(f->replace(test::makeKey(i, 10), "new", &found), 0);
    fs.setFaults(faults);
    (void)f->prepare();
    return fs.writes();
}

TEST_F(NativeFileTest, CrashBeforeTheLogIsInForceKeepsTheOldState) {
    platform::MemFileSystem probe;
    int writes = prepareScenario(probe, {});
    ASSERT_GE(writes, 2); // the log, then the header naming it
    // The power goes at the header write that would put the log in force.
    prepareScenario(fs, {.powerCutAtWrite = writes});
    ASSERT_TRUE(fs.powerCut());
    fs.restore();
    EXPECT_GT(fs.bytes("t.qtf").size(), 1024u); // the log's bytes are there ...
    auto g = open();
    Model m = all(*g);
    ASSERT_EQ(m.size(), 50u);
    EXPECT_EQ(m.begin()->second, "old"); // ... and ignored
    EXPECT_EQ(g->check(), "");
}

// Rewrites the log in force as files written before logs were sealed have it:
// the new header at its end carries the log's start in both end fields.
void unsealLog(std::vector<std::uint8_t>& b) {
    const std::uint32_t logStart = getLe32(b.data() + 6);
    const std::uint32_t logEnd = getLe32(b.data() + 10);
    putLe32(b.data() + logEnd - 512 + 6, logStart);
    putLe32(b.data() + logEnd - 512 + 10, logStart);
}

TEST_F(NativeFileTest, AnUnsealedLogNamingASlotBeyondTheOldStoreIsRefused) {
    auto f = open();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), "old"), 0);
    ASSERT_EQ(f->commit(), 0);
    bool found = false;
    ASSERT_EQ(f->replace(test::makeKey(0, 10), "new", &found), 0);
    for (int i = 50; i < 600; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), std::string(40, 'n')), 0);
    ASSERT_EQ(f->prepare(), 0); // the store grew; the log is in force
    f.reset();
    auto& b = fs.bytes("t.qtf");
    unsealLog(b);
    const std::uint32_t logStart = getLe32(b.data() + 6);
    // The first logged page claims the last slot of the new store instead of its own.
    putLe32(b.data() + logStart, logStart - 256);
    const auto before = b;
    std::unique_ptr<NativeFile> g;
    EXPECT_EQ(NativeFile::open(fs, "t.qtf", false, {}, &g), kErrNotNative);
    EXPECT_GE(errors.count(), 1);
    EXPECT_TRUE(fs.bytes("t.qtf") == before) << "a refused recovery writes nothing";
}

TEST_F(NativeFileTest, ASealedLogThatDoesNotMatchItsSealIsDiscarded) {
    auto f = open();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), "old"), 0);
    ASSERT_EQ(f->commit(), 0);
    const Model old = all(*f);
    bool found = false;
    ASSERT_EQ(f->replace(test::makeKey(0, 10), "new", &found), 0);
    for (int i = 50; i < 600; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), std::string(40, 'n')), 0);
    ASSERT_EQ(f->prepare(), 0);
    f.reset();
    auto& b = fs.bytes("t.qtf");
    const std::uint32_t logStart = getLe32(b.data() + 6);
    // As if the first logged page had not reached the disk.
    b[logStart + 100] ^= 0x5A;
    auto g = open();
    ASSERT_TRUE(g);
    EXPECT_EQ(all(*g), old);
    EXPECT_EQ(g->check(), "");
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(NativeFileTest, AnUnsealedLogOfAnOlderFileRollsForward) {
    auto f = open();
    ASSERT_EQ(f->insert("a", "old"), 0);
    ASSERT_EQ(f->insert("b", "old"), 0);
    ASSERT_EQ(f->commit(), 0);
    bool found = false;
    ASSERT_EQ(f->replace("a", "new", &found), 0);
    ASSERT_EQ(f->prepare(), 0);
    f.reset();
    unsealLog(fs.bytes("t.qtf"));
    auto g = open();
    ASSERT_TRUE(g);
    EXPECT_EQ(all(*g), (Model{{"a", "new"}, {"b", "old"}}));
    EXPECT_EQ(g->check(), "");
}

TEST_F(NativeFileTest, ALogLeftByAnEarlierCommitIsNotTakenForANewOne) {
    auto f = open();
    ASSERT_EQ(f->insert("a", "one"), 0);
    ASSERT_EQ(f->commit(), 0);
    bool found = false;
    ASSERT_EQ(f->replace("a", "two", &found), 0);
    ASSERT_EQ(f->commit(), 0);
    f.reset();
    const auto ended = fs.bytes("t.qtf"); // the log of "two" is still beyond the store
    auto g = open();
    ASSERT_EQ(g->replace("a", "six", &found), 0);
    ASSERT_EQ(g->prepare(), 0);
    const auto& b = fs.bytes("t.qtf");
    const std::vector<std::uint8_t> naming(b.begin(), b.begin() + 512);
    g.reset();
    // The header naming the new log reached the disk, none of that log did:
    // the place holds the earlier commit's log, of the same length.
    auto stale = ended;
    std::copy(naming.begin(), naming.end(), stale.begin());
    fs.put("t.qtf", stale);
    auto h = open();
    ASSERT_TRUE(h);
    EXPECT_EQ(all(*h), (Model{{"a", "two"}}));
    EXPECT_EQ(h->check(), "");
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(NativeFileTest, ReadOnlyOpenReadsThroughALogInForce) {
    auto f = open();
    ASSERT_EQ(f->insert("a", "old"), 0);
    ASSERT_EQ(f->commit(), 0);
    bool found = false;
    ASSERT_EQ(f->replace("a", "new", &found), 0);
    ASSERT_EQ(f->prepare(), 0);
    f.reset();
    auto before = fs.bytes("t.qtf");
    std::unique_ptr<NativeFile> r;
    ASSERT_EQ(NativeFile::open(fs, "t.qtf", false, {.readOnly = true, .transactionCheck = {}}, &r),
              0);
    EXPECT_EQ(all(*r), (Model{{"a", "new"}}));
    EXPECT_EQ(fs.bytes("t.qtf"), before);
}

TEST_F(NativeFileTest, RegisteredTransactionDiscardsTheLogAndFinishedOneRollsForward) {
    for (bool registered : {true, false}) {
        platform::MemFileSystem mem;
        auto f = test::openFile(mem, "t.qtf");
        ASSERT_EQ(f->insert("a", "old"), 0);
        ASSERT_EQ(f->commit(), 0);
        bool found = false;
        ASSERT_EQ(f->replace("a", "new", &found), 0);
        std::string marker;
        appendLe32(marker, 77);
        marker += "ctl.tcf";
        marker.push_back('\0');
        ASSERT_EQ(f->insert("\xff", marker), 0);
        ASSERT_EQ(f->prepare(), 0);
        f.reset();
        std::uint32_t asked = 0;
        std::string askedName;
        NativeFile::Options o;
        o.transactionCheck = [&](std::uint32_t n, const std::string& name, const std::string&) {
            asked = n;
            askedName = name;
            return registered;
        };
        std::unique_ptr<NativeFile> g;
        ASSERT_EQ(NativeFile::open(mem, "t.qtf", false, o, &g), 0);
        EXPECT_EQ(asked, 77u);
        EXPECT_EQ(askedName, "ctl.tcf");
        Model m = all(*g);
        EXPECT_EQ(m["a"], registered ? "old" : "new");
        EXPECT_EQ(g->check(), "");
    }
}

TEST_F(NativeFileTest, DamagedPagesEndInTheRuntimeErrorPath) {
    auto f = open();
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(f->insert(test::makeKey(i, 10), std::string(40, 'x')), 0);
    ASSERT_EQ(f->commit(), 0);
    f.reset();
    auto pristine = fs.bytes("t.qtf");
    for (std::size_t at = 512; at < pristine.size(); at += 37) {
        fs.bytes("t.qtf") = pristine;
        fs.bytes("t.qtf")[at] ^= 0x5A;
        std::unique_ptr<NativeFile> g;
        if (NativeFile::open(fs, "t.qtf", false, {}, &g) != 0) continue;
        Model m;
        (void)test::readAll(*g, &m);
    }
    SUCCEED() << errors.count() << " internal errors raised";
}

} // namespace
} // namespace zv::storage
