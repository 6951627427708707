#include "storage/numbered_map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace zv::storage {
namespace {

struct Tracked {
    explicit Tracked(std::int64_t n, int* alive) : number(n), alive(alive) { ++*alive; }
    ~Tracked() { --*alive; }
    std::int64_t number;
    int* alive;
};

// Random inserts, takes and lookups against a std::map, with numbers close
// together (long probe runs) and negative ones, through growth and clearing.
TEST(NumberedMapTest, AgreesWithAnOrderedMapThroughRandomChanges) {
    int alive = 0;
    {
        NumberedMap<Tracked> map;
        std::map<std::int64_t, Tracked*> model;
        std::mt19937 rng(5);
        for (int step = 0; step < 200000; ++step) {
            const std::int64_t n = static_cast<std::int64_t>(rng() % 3000) - 1000;
            switch (rng() % 4) {
            case 0:
            case 1: {
                auto t = std::make_unique<Tracked>(n, &alive);
                Tracked* raw = t.get();
                const bool inserted = map.insert(n, t);
                ASSERT_EQ(inserted, !model.count(n));
                if (inserted)
                    model[n] = raw;
                else
                    ASSERT_TRUE(t);
                break;
            }
            case 2: {
                std::unique_ptr<Tracked> t = map.take(n);
                auto it = model.find(n);
                ASSERT_EQ(t.get(), it == model.end() ? nullptr : it->second);
                if (it != model.end()) model.erase(it);
                break;
            }
            default: {
                auto it = model.find(n);
                ASSERT_EQ(map.find(n), it == model.end() ? nullptr : it->second);
            }
            }
            ASSERT_EQ(map.size(), model.size());
            if (step % 50000 == 49999) {
                std::map<std::int64_t, Tracked*> seen;
                map.forEach([&](std::int64_t number, Tracked* t) { seen[number] = t; });
                ASSERT_EQ(seen, model);
                for (const auto& [number, t] : model)
                    ASSERT_EQ(map.find(number), t);
            }
            if (step == 150000) {
                map.clear();
                model.clear();
                ASSERT_EQ(alive, 0);
            }
        }
        ASSERT_EQ(alive, static_cast<int>(model.size()));
    }
    EXPECT_EQ(alive, 0);
}

} // namespace
} // namespace zv::storage
