// A transaction whose changed pages outgrow the cache: the leaves used longest
// ago wait in a scratch file until the commit, and every lookup, the commit
// and a rollback see the records as they were put.
#include "storage/native_file.h"

#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace zv::storage {
namespace {

using test::Model;

constexpr std::size_t kBudget = 256 << 10;

class SpillTest : public ::testing::Test {
protected:
    std::unique_ptr<NativeFile> open() {
        NativeFile::Options options;
        options.cacheBudget = kBudget;
        return test::openFile(fs_, "s.qtf", nullptr, options);
    }
    // Records in a random order of keys, each put as the driver puts one: a
    // call of its own, after which the cache may let pages go.
    void insertMany(NativeFile& f, Model* model, std::uint32_t from, int count) {
        std::mt19937 rng(from);
        for (int i = 0; i < count; ++i) {
            const std::string key = test::makeKey(rng(), 10 + rng() % 30);
            const std::string payload = test::makePayload(rng(), 40 + rng() % 400);
            const int rc = f.insert(key, payload);
            f.endAccess();
            if (model->count(key)) {
                ASSERT_EQ(rc, kErrDuplicate);
                continue;
            }
            ASSERT_EQ(rc, 0);
            (*model)[key] = payload;
            if (i % 500 == 0) {
                ASSERT_TRUE(f.changeCountAgrees());
                ASSERT_TRUE(f.cacheBytesAgree());
            }
        }
    }
    void expectHolds(NativeFile& f, const Model& model) {
        Model read;
        ASSERT_EQ(test::readAll(f, &read), 0);
        f.endAccess();
        EXPECT_EQ(read.size(), model.size());
        EXPECT_TRUE(read == model);
    }

    platform::MemFileSystem fs_;
};

TEST_F(SpillTest, ABigTransactionWaitsInTheScratchFileAndCommitsWhole) {
    test::CatchRuntimeErrors errors;
    auto f = open();
    Model model;
    insertMany(*f, &model, 1, 400);
    ASSERT_EQ(f->commit(), 0);
    f->endAccess();

    // About ten times the budget, in one transaction.
    insertMany(*f, &model, 2, 8000);
    EXPECT_GT(f->spilledPages(), 0u);
    EXPECT_LE(f->cacheBytes(), kBudget + kBudget / 4);
    expectHolds(*f, model);

    // Changes and removals reach pages read back and let go again.
    std::mt19937 rng(3);
    int n = 0;
    for (auto it = model.begin(); it != model.end(); ++n) {
        if (n % 3 == 0) {
            bool found = false;
            ASSERT_EQ(f->remove(it->first, &found), 0);
            ASSERT_TRUE(found);
            it = model.erase(it);
        } else {
            if (n % 3 == 1) {
                it->second = test::makePayload(rng(), 10 + rng() % 900);
                bool found = false;
                ASSERT_EQ(f->replace(it->first, it->second, &found), 0);
                ASSERT_TRUE(found);
            }
            ++it;
        }
        f->endAccess();
    }
    insertMany(*f, &model, 4, 3000);
    EXPECT_GT(f->spilledPages(), 0u);
    ASSERT_EQ(f->commit(), 0);
    f->endAccess();
    EXPECT_EQ(f->spilledPages(), 0u);
    EXPECT_EQ(f->check(), "");
    expectHolds(*f, model);
    f = open();
    expectHolds(*f, model);

    // Rolled back, a transaction that let pages go leaves the file as it was.
    const Model before = model;
    Model dropped = model;
    insertMany(*f, &dropped, 5, 6000);
    EXPECT_GT(f->spilledPages(), 0u);
    f->discardChanges();
    expectHolds(*f, before);
    EXPECT_EQ(f->check(), "");
    EXPECT_EQ(test::CatchRuntimeErrors::count(), 0) << errors.lastText();
}

// Where no scratch file can be made, the changed pages stay in memory.
TEST_F(SpillTest, WithoutAScratchFileChangedPagesStayInMemory) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/nonexistent/zevlon-spill-test", 1);
    auto f = open();
    Model model;
    insertMany(*f, &model, 6, 6000);
    EXPECT_EQ(f->spilledPages(), 0u);
    EXPECT_GT(f->cacheBytes(), kBudget);
    ASSERT_EQ(f->commit(), 0);
    f->endAccess();
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(f->check(), "");
    expectHolds(*f, model);
}

} // namespace
} // namespace zv::storage
