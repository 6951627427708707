// A crash while a keyed table's memo file and index are rewritten.
#include "storage/dbase/index_test_support.h"

#include <gtest/gtest.h>

namespace zv::dbase {
namespace {

using namespace test;
TEST_F(DbaseIndexTest, CrashWhileMemoAndIndexAreRewrittenKeepsTheLastGoodState) {
    // Rows whose memos grew leave unused blocks; RECOVER packs the memo file and
    // rebuilds the index. A crash at each step in turn must leave a table that
    // opens with every row, memo and key as before.
    auto makeTable = [&](Model& model) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        DbaseTable t(indexedDecl());
        ASSERT_EQ(t.create(path_), kOk);
        ASSERT_EQ(t.open(path_), kOk);
        Record rec(t.declaration());
        std::mt19937 rng(11);
        for (int i = 0; i < 40; ++i) {
            ModelRow r = randomRow(rng);
            r.memo = "kratka " + std::to_string(i);
            fill(rec, r);
            ASSERT_EQ(t.add(rec.bytes(), {r.memo}), kOk);
            model[t.currentRow()] = r;
        }
        for (std::uint32_t n = 1; n <= 40; n += 3) {
            ModelRow r = model[n];
            r.memo = std::string(700 + n, 'x') + " dlouha " + std::to_string(n);
            fill(rec, r);
            ASSERT_EQ(t.putAt(n, rec.bytes(), {r.memo}), kOk);
            model[n] = r;
        }
        ASSERT_EQ(t.setRecordNumber(5, false), kOk);
        std::vector<std::string> memos;
        ASSERT_EQ(t.next(rec.bytes(), memos), kOk);
        ASSERT_EQ(t.erase(), kOk);
        model[5].deleted = true;
        ASSERT_EQ(t.close(), kOk);
    };
    auto checkTable = [&](const Model& model, int step) {
        DbaseTable t(indexedDecl());
        ASSERT_EQ(t.open(path_), kOk) << "step " << step << ": " << t.message();
        Record rec(t.declaration());
        std::vector<std::string> memos;
        for (const auto& [n, r] : model) {
            if (r.deleted) continue;
            ASSERT_EQ(t.setRecordNumber(n, false), kOk);
            ASSERT_EQ(t.next(rec.bytes(), memos), kOk) << "step " << step;
            ASSERT_EQ(t.currentRow(), n);
            EXPECT_EQ(memos[0], r.memo) << "step " << step << " row " << n;
        }
        checkAgainst(t, model, true);
    };

    const fs::path memo = dir_ / "ADRESY.DBT";
    bool finished = false;
    int steps = 0;
    for (int step = 1; step < 80 && !finished; ++step) {
        steps = step;
        Model model;
        makeTable(model);
        const auto before = fs::file_size(memo);
        {
            DbaseTable t(indexedDecl());
            ASSERT_EQ(t.open(path_), kOk);
            crashAtStepForTest(step);
            (void)t.command("RECOVER");
            crashAtStepForTest(0);
            // The process dies here: nothing more is written.
        }
        std::error_code ec;
        const auto after = fs::file_size(memo, ec);
        finished = !ec && after < before && !fs::exists(dir_ / "ADRESY.BKT") &&
                   !fs::exists(dir_ / "ADRESY.BAK");
        checkTable(model, step);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(steps, 20); // packing memos of 40 rows and the index takes that many steps

    // A crash while a single change rewrites the index: the table's row stands
    // and the index is made again from it at the next open.
    for (int step = 1; step <= 2; ++step) {
        Model model;
        makeTable(model);
        {
            DbaseTable t(indexedDecl());
            ASSERT_EQ(t.open(path_), kOk);
            Record rec(t.declaration());
            ModelRow r = model[2];
            r.name = "aaa";
            fill(rec, r);
            crashAtStepForTest(step);
            EXPECT_EQ(t.putAt(2, rec.bytes(), {r.memo}), kFileSystemError);
            crashAtStepForTest(0);
            model[2] = r;
        }
        checkTable(model, 100 + step);
    }
}

} // namespace
} // namespace zv::dbase
