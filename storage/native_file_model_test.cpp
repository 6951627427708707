// The native file against an in-memory ordered map: random inserts, replaces
// and deletes of records from 1 byte to the largest size, with commits,
// rollbacks and reopenings; file and model must agree after every step.
#include "storage/native_file.h"

#include "storage/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <random>

namespace zv::storage {
namespace {

using test::Model;

class ModelRun {
public:
    explicit ModelRun(unsigned seed, NativeFile::Options options = {})
        : rng_(seed), options_(options) {}

    std::size_t recordSize() {
        switch (rng_() % 10) {
        case 0:
            return qtf::kMaxRecord - rng_() % 8; // the largest sizes
        case 1:
            return 1000 + rng_() % 8000;
        case 2:
            return 1 + rng_() % 4;
        default:
            return 8 + rng_() % 300;
        }
    }
    std::string newKey() {
        std::size_t len = 1 + rng_() % (rng_() % 8 == 0 ? 200 : 24);
        std::string k(len, '\0');
        for (auto& c : k)
            c = static_cast<char>("\x00\x01"
                                  "ABCabc\xfe\xff"[rng_() % 10]);
        // Some go on as a name and a town padded with blanks (kept packed).
        if (rng_() % 6 == 0 && k.size() < 40)
            for (int part = 0; part < 2; ++part) {
                k.resize(k.size() + 20 + rng_() % 30, ' ');
                k.push_back(static_cast<char>('A' + rng_() % 3));
            }
        return k;
    }
    std::string payloadFor(const std::string& key) {
        std::size_t total = recordSize();
        std::size_t len = total > key.size() ? total - key.size() : 0;
        return test::makePayload(static_cast<std::uint32_t>(rng_()), len);
    }
    // One of a few short prefixes, so that the same ones are asked about
    // again and again, before and after changes under them.
    std::string newPrefix() {
        static const char* const kPrefixes[] = {"A", "AB", "ABC", "\xfe", "c", "ca", "\x01"};
        return kPrefixes[rng_() % std::size(kPrefixes)];
    }
    const std::string& anyKey(const Model& m) {
        auto it = m.lower_bound(newKey());
        if (it == m.end()) it = m.begin();
        return it->first;
    }

    // Compares lookups of the file with the model around a random key.
    void probe(NativeFile& f, const Model& m) {
        std::string k = rng_() % 2 && !m.empty() ? anyKey(m) : newKey();
        PageRecord r;
        bool found = false;
        ASSERT_EQ(f.successor(k, &r, &found), 0);
        auto it = m.upper_bound(k);
        ASSERT_EQ(found, it != m.end());
        if (found) {
            ASSERT_EQ(r.key, it->first);
        }
        ASSERT_EQ(f.predecessor(k, &r, &found), 0);
        it = m.lower_bound(k);
        ASSERT_EQ(found, it != m.begin());
        if (found) {
            ASSERT_EQ(r.key, std::prev(it)->first);
        }
        ASSERT_EQ(f.floor(k, &r, &found), 0);
        it = m.upper_bound(k);
        ASSERT_EQ(found, it != m.begin());
        if (found) {
            ASSERT_EQ(r.key, std::prev(it)->first);
            ASSERT_EQ(r.payload, std::prev(it)->second);
        }
    }

    void run(int steps) {
        platform::MemFileSystem fs;
        auto f = test::openFile(fs, "m.qtf", nullptr, options_);
        ASSERT_TRUE(f);
        Model model, committed;
        for (int step = 0; step < steps; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            unsigned op = rng_() % 100;
            if (op < 45 || model.empty()) {
                std::string k = newKey();
                std::string p = payloadFor(k);
                int rc = f->insert(k, p);
                if (model.count(k)) {
                    ASSERT_EQ(rc, kErrDuplicate);
                } else {
                    ASSERT_EQ(rc, 0);
                    model[k] = p;
                }
            } else if (op < 70) {
                std::string k = anyKey(model);
                std::string p = payloadFor(k);
                bool found = false;
                ASSERT_EQ(f->replace(k, p, &found), 0);
                ASSERT_TRUE(found);
                model[k] = p;
            } else if (op < 75) {
                // Records under a prefix, which may have been asked about.
                const std::string prefix = newPrefix();
                ASSERT_EQ(f->removePrefix(prefix), 0);
                for (auto it = model.lower_bound(prefix);
                     it != model.end() && it->first.starts_with(prefix);)
                    it = model.erase(it);
            } else if (op < 93) {
                std::string k = rng_() % 8 ? anyKey(model) : newKey();
                bool found = false;
                ASSERT_EQ(f->remove(k, &found), 0);
                ASSERT_EQ(found, model.erase(k) == 1);
            } else if (op < 97) {
                ASSERT_EQ(f->commit(), 0);
                f->endAccess();
                committed = model;
                ASSERT_EQ(f->check(), "");
                Model disk;
                ASSERT_EQ(test::readAll(*f, &disk), 0);
                ASSERT_EQ(disk.size(), model.size());
                ASSERT_TRUE(disk == model);
            } else if (op < 98) {
                f->discardChanges();
                model = committed;
            } else {
                ASSERT_EQ(f->commit(), 0);
                committed = model;
                f = test::openFile(fs, "m.qtf", nullptr, options_);
                ASSERT_TRUE(f);
            }
            if (step % 7 == 0) probe(*f, model);
            if (step % 2 == 0) {
                const std::string prefix = newPrefix();
                bool any = false;
                ASSERT_EQ(f->anyWithPrefix(prefix, &any), 0);
                auto it = model.lower_bound(prefix);
                ASSERT_EQ(any, it != model.end() && it->first.starts_with(prefix)) << prefix;
            }
            // Each step a call of its own, as the driver makes them: between
            // two, the cache lets pages go (changed ones to the scratch file).
            f->endAccess();
            spilled_ = std::max(spilled_, f->spilledPages());
            // The count of changed pages decides whether a commit writes: it must
            // agree with the pages' own marks after every operation.
            ASSERT_TRUE(f->changeCountAgrees());
            ASSERT_TRUE(f->cacheBytesAgree());
            ASSERT_EQ(f->hasChanges(), model != committed || f->hasChanges());
            if (::testing::Test::HasFatalFailure()) return;
        }
        ASSERT_EQ(f->commit(), 0);
        ASSERT_EQ(f->check(), "");
        f = test::openFile(fs, "m.qtf", nullptr, options_);
        Model disk;
        ASSERT_EQ(test::readAll(*f, &disk), 0);
        ASSERT_TRUE(disk == model);
        // Emptying the file leaves an empty root and a store of one page.
        for (const auto& [k, v] : model) {
            bool found = false;
            ASSERT_EQ(f->remove(k, &found), 0);
            ASSERT_TRUE(found);
        }
        ASSERT_EQ(f->commit(), 0);
        ASSERT_EQ(f->check(), "");
        FileStats st;
        ASSERT_EQ(f->check(&st), "");
        ASSERT_EQ(st.records, 0u);
        int pages = 0;
        for (int n : st.pagesPerClass)
            pages += n;
        ASSERT_EQ(pages, 1);
    }

    // The most changed pages that waited in the scratch file at once.
    std::size_t spilled() const { return spilled_; }

private:
    std::size_t spilled_ = 0;
    std::mt19937 rng_;
    NativeFile::Options options_;
};

TEST(NativeFileModelTest, RandomOperationsAgreeWithAnOrderedMap) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ModelRun(seed).run(3000);
        if (HasFatalFailure()) return;
    }
}

// With a cache that holds a few pages, pages of the commits since the last
// window ended are read back from their logs again and again, and changed
// pages wait for their commit in the scratch file.
TEST(NativeFileModelTest, ATinyCacheReadsEveryPageBackAgreeingWithAnOrderedMap) {
    NativeFile::Options tiny;
    tiny.cacheBudget = 64 << 10;
    for (unsigned seed = 11; seed <= 13; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ModelRun run(seed, tiny);
        run.run(3000);
        if (HasFatalFailure()) return;
        EXPECT_GT(run.spilled(), 0u);
    }
}

TEST(NativeFileModelTest, ManySmallRecordsBuildADeepTree) {
    platform::MemFileSystem fs;
    auto f = test::openFile(fs, "d.qtf");
    Model model;
    std::mt19937 rng(99);
    for (int i = 0; i < 30000; ++i) {
        std::string k = test::makeKey(static_cast<std::uint32_t>(rng()), 6 + rng() % 20);
        if (model.count(k)) continue;
        std::string p(rng() % 30, static_cast<char>('a' + i % 26));
        ASSERT_EQ(f->insert(k, p), 0);
        model[k] = p;
        if (i % 5000 == 4999) {
            ASSERT_EQ(f->commit(), 0);
        }
    }
    ASSERT_EQ(f->commit(), 0);
    FileStats st;
    ASSERT_EQ(f->check(&st), "");
    EXPECT_GE(st.depth, 3);
    EXPECT_EQ(st.records, model.size());
    EXPECT_LT(st.storedBytes, st.expandedBytes);
    // Delete every other record, then verify.
    int n = 0;
    for (auto it = model.begin(); it != model.end();) {
        if (n++ % 2) {
            bool found = false;
            ASSERT_EQ(f->remove(it->first, &found), 0);
            ASSERT_TRUE(found);
            it = model.erase(it);
        } else {
            ++it;
        }
    }
    ASSERT_EQ(f->commit(), 0);
    ASSERT_EQ(f->check(), "");
    f = test::openFile(fs, "d.qtf");
    Model disk;
    ASSERT_EQ(test::readAll(*f, &disk), 0);
    EXPECT_TRUE(disk == model);
}

// Regression: deleting every record in one commit empties index pages whose own
// entries are not yet gone when the freed pages' regions move other pages.
TEST(NativeFileModelTest, DeletingEveryRecordInOneCommitLeavesAnEmptyFile) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        test::CatchRuntimeErrors errors;
        platform::MemFileSystem fs;
        auto f = test::openFile(fs, "e.qtf");
        std::mt19937 rng(seed);
        std::vector<std::string> keys;
        const int n = 1500 + static_cast<int>(rng() % 3000);
        for (int i = 0; i < n; ++i) {
            std::string k =
                test::makeKey(static_cast<std::uint32_t>(i * 7919 + seed), 8 + rng() % 12);
            ASSERT_EQ(f->insert(k, test::makePayload(rng(), rng() % 900)), 0);
            keys.push_back(k);
        }
        ASSERT_EQ(f->commit(), 0);
        std::shuffle(keys.begin(), keys.end(), rng);
        if (seed % 2) std::sort(keys.begin(), keys.end());
        for (const auto& k : keys) {
            bool found = false;
            ASSERT_EQ(f->remove(k, &found), 0) << errors.lastText();
            ASSERT_TRUE(f->changeCountAgrees());
            ASSERT_TRUE(f->cacheBytesAgree());
        }
        ASSERT_EQ(f->commit(), 0);
        EXPECT_EQ(test::CatchRuntimeErrors::count(), 0) << errors.lastText();
        ASSERT_EQ(f->check(), "");
        Model disk;
        ASSERT_EQ(test::readAll(*f, &disk), 0);
        EXPECT_TRUE(disk.empty());
    }
}

} // namespace
} // namespace zv::storage
