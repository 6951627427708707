#include "storage/region_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace zv::storage {
namespace {

// Pages by slot, kept in step with the moves the table asks for.
struct Store {
    RegionTable table;
    std::map<std::uint32_t, int> pages; // slot -> page id
    int nextId = 1;

    void apply(const std::vector<RegionTable::Move>& moves) {
        for (const auto& m : moves) {
            auto it = pages.find(m.from);
            ASSERT_NE(it, pages.end()) << "move from an empty slot " << m.from;
            int id = it->second;
            pages.erase(it);
            ASSERT_EQ(pages.count(m.to), 0u) << "move onto an occupied slot " << m.to;
            pages[m.to] = id;
        }
    }
    std::uint32_t allocate(int c) {
        std::vector<RegionTable::Move> moves;
        std::uint32_t slot = table.allocate(c, &moves);
        apply(moves);
        EXPECT_EQ(pages.count(slot), 0u);
        pages[slot] = nextId++;
        return slot;
    }
    void free(std::uint32_t slot) {
        std::vector<RegionTable::Move> moves;
        int c = table.classOf(slot);
        ASSERT_GT(c, 0);
        pages.erase(slot);
        table.free(slot, c, &moves);
        apply(moves);
    }
    // Every region slot holds a page, and every page lies in a slot of a region.
    void verify() {
        ASSERT_EQ(table.check(), "");
        std::size_t n = 0;
        for (int c = 1; c <= 59; ++c)
            for (std::uint32_t s = table.starts()[c]; s < table.ends()[c]; s += c) {
                ASSERT_EQ(pages.count(s), 1u) << "hole at " << s << " in region " << c;
                ++n;
            }
        ASSERT_EQ(n, pages.size());
    }
};

TEST(RegionTableTest, FirstPageOfAClassGoesAboveTheLowerRegions) {
    Store s;
    EXPECT_EQ(s.allocate(1), 0u);
    EXPECT_EQ(s.allocate(3), 1u);
    EXPECT_EQ(s.allocate(1), 1u); // region 3 moves up to make room
    s.verify();
    EXPECT_EQ(s.table.classOf(1), 1);
    EXPECT_EQ(s.table.classOf(2), 3);
    EXPECT_EQ(s.table.storeUnits(), 5u);
}

TEST(RegionTableTest, FreeingTheLastPageShrinksTheRegion) {
    Store s;
    s.allocate(2);
    std::uint32_t b = s.allocate(2);
    s.free(b);
    s.verify();
    EXPECT_EQ(s.table.pagesIn(2), 1);
}

TEST(RegionTableTest, FreeingAMiddlePageMovesTheLastPageIntoTheHole) {
    Store s;
    std::uint32_t a = s.allocate(2);
    std::uint32_t b = s.allocate(2);
    std::uint32_t c = s.allocate(2);
    int lastId = s.pages[c];
    std::vector<RegionTable::Move> moves;
    s.pages.erase(b);
    s.table.free(b, 2, &moves);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].from, c);
    EXPECT_EQ(moves[0].to, b);
    s.apply(moves);
    EXPECT_EQ(s.pages[b], lastId);
    EXPECT_EQ(s.pages.count(a), 1u);
    s.verify();
}

TEST(RegionTableTest, SpaceFreedBelowARegionIsReusedBySlidingDown) {
    Store s;
    std::vector<std::uint32_t> ones;
    for (int i = 0; i < 6; ++i)
        ones.push_back(s.allocate(1));
    s.allocate(2);
    std::uint32_t start2 = s.table.starts()[2];
    for (int i = 0; i < 4; ++i)
        s.free(s.table.ends()[1] - 1);
    s.allocate(2); // the gap of 4 units below region 2 takes it
    EXPECT_EQ(s.table.starts()[2], start2 - 2);
    s.verify();
}

TEST(RegionTableTest, RandomAllocationsAndFreesKeepTheStoreDense) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        Store s;
        for (int step = 0; step < 2000; ++step) {
            if (s.pages.empty() || rng() % 3) {
                int c = rng() % 4 == 0 ? static_cast<int>(rng() % 59) + 1
                                       : static_cast<int>(rng() % 5) + 1;
                s.allocate(c);
            } else {
                auto it = std::next(s.pages.begin(), static_cast<long>(rng() % s.pages.size()));
                s.free(it->first);
            }
            if (step % 97 == 0) {
                s.verify();
                if (HasFatalFailure()) FAIL() << "seed " << seed << " step " << step;
            }
        }
        s.verify();
        if (HasFatalFailure()) FAIL() << "seed " << seed;
    }
}

} // namespace
} // namespace zv::storage
