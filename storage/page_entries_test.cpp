#include "storage/page_entries.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace zv::storage {
namespace {

struct Held {
    std::string payload;
    std::int64_t child = 0;
};

// The key of record i as a string.
std::string keyAt(const PageEntries& e, std::size_t i) {
    std::string scratch;
    return std::string(e.key(i, &scratch));
}

// Checks that `e` lists exactly the records of `model`, in order.
void expectSame(const PageEntries& e, const std::map<std::string, Held>& model) {
    ASSERT_EQ(e.size(), model.size());
    std::size_t i = 0;
    for (const auto& [key, held] : model) {
        EXPECT_EQ(keyAt(e, i), key);
        EXPECT_EQ(e.child(i), held.child);
        EXPECT_EQ(e.payloadSize(i), held.payload.size());
        std::string out, scratch;
        ASSERT_TRUE(e.payload(i, &out));
        EXPECT_EQ(out, held.payload);
        EXPECT_EQ(e.payloadView(i, &scratch), held.payload);
        ++i;
    }
}

std::string randomPayload(std::mt19937& rng) {
    std::string p;
    const int parts = static_cast<int>(rng() % 6);
    for (int k = 0; k < parts; ++k) {
        if (rng() % 2)
            p.append(rng() % 300, static_cast<char>(rng() % 3 ? ' ' : 0));
        else
            for (unsigned n = rng() % 40; n; --n)
                p.push_back(static_cast<char>(rng()));
    }
    return p;
}

TEST(PageEntriesTest, FollowsAnOrderedMapThroughRandomChanges) {
    std::mt19937 rng(29);
    PageEntries e;
    std::map<std::string, Held> model;
    for (int step = 0; step < 20000; ++step) {
        const std::string key = "k" + std::to_string(rng() % 200);
        switch (rng() % 6) {
        case 0:
        case 1: {
            const Held h{randomPayload(rng), static_cast<std::int64_t>(rng() % 1000) - 500};
            const auto [at, inserted] = e.emplace(key, h.payload, h.child);
            EXPECT_EQ(inserted, model.emplace(key, h).second);
            EXPECT_EQ(keyAt(e, at), key);
            break;
        }
        case 2: {
            const std::size_t at = e.find(key);
            EXPECT_EQ(at == e.size(), !model.count(key));
            if (at != e.size()) {
                e.erase(at);
                model.erase(key);
            }
            break;
        }
        case 3: {
            const std::size_t at = e.find(key);
            if (at != e.size()) {
                const std::string p = randomPayload(rng);
                e.setPayload(at, p);
                model[key].payload = p;
            }
            break;
        }
        case 4: {
            EXPECT_EQ(e.lowerBound(key), static_cast<std::size_t>(
                                             std::distance(model.begin(), model.lower_bound(key))));
            EXPECT_EQ(e.upperBound(key), static_cast<std::size_t>(
                                             std::distance(model.begin(), model.upper_bound(key))));
            break;
        }
        default: {
            // Split off the tail and take it back, as a page split and a merge would.
            PageEntries tail;
            const std::size_t from = e.empty() ? 0 : rng() % e.size();
            e.moveTail(from, &tail);
            EXPECT_EQ(e.size(), from);
            for (std::size_t i = 0; i < tail.size(); ++i) {
                std::string p;
                ASSERT_TRUE(tail.payload(i, &p));
                e.append(keyAt(tail, i), p, tail.child(i));
            }
            break;
        }
        }
        if (step % 500 == 0) expectSame(e, model);
    }
    expectSame(e, model);
}

// Keys of one table's key, as the tree stores them: a shared beginning, then
// bytes that are often zero, of any length, so that keys run out where others
// go on with zeros.
std::string tableKey(std::mt19937& rng, bool foreign) {
    std::string k = foreign && rng() % 2 ? std::string("\x00\x00\x00\x06", 4)
                                         : std::string("\x00\x00\x00\x07\xF3", 5);
    static const char alphabet[] = {'\0', '\x01', 'a', '\xFF'};
    for (unsigned n = rng() % 14; n; --n)
        k.push_back(alphabet[rng() % 4]);
    // Some keys go on with runs, as blank-padded names do, and are kept packed.
    if (rng() % 3 == 0)
        for (unsigned part = rng() % 3 + 1; part; --part) {
            k.append(4 + rng() % 60, alphabet[rng() % 4]);
            for (unsigned n = rng() % 4; n; --n)
                k.push_back(alphabet[rng() % 4]);
        }
    return k;
}

TEST(PageEntriesTest, SearchesFindTheKeyOrderWhateverTheKeysShare) {
    std::mt19937 rng(31);
    PageEntries e;
    std::map<std::string, Held> model;
    const auto position = [&](auto it) {
        return static_cast<std::size_t>(std::distance(model.begin(), it));
    };
    for (int step = 0; step < 40000; ++step) {
        const std::string key = tableKey(rng, false);
        switch (rng() % 7) {
        case 0:
        case 1:
        case 2: {
            const auto [at, inserted] = e.emplace(key, "p", 0);
            EXPECT_EQ(inserted, model.emplace(key, Held{"p", 0}).second);
            EXPECT_EQ(keyAt(e, at), key);
            break;
        }
        case 3: {
            const std::size_t at = e.find(key);
            ASSERT_EQ(at == e.size(), !model.count(key));
            if (at != e.size()) {
                e.erase(at);
                model.erase(key);
            }
            break;
        }
        case 4: {
            // The first key changes to a lower one, as an index page's entry
            // does when its child gains a lower first key.
            if (model.empty()) break;
            const std::string lower = tableKey(rng, true);
            if (compareKeys(lower, model.begin()->first) >= 0) break;
            e.setKey(0, lower);
            model.emplace(lower, model.begin()->second);
            model.erase(std::next(model.begin()));
            break;
        }
        case 5: {
            PageEntries tail;
            const std::size_t from = e.empty() ? 0 : rng() % e.size();
            e.moveTail(from, &tail);
            for (std::size_t i = 0; i < tail.size(); ++i)
                e.append(keyAt(tail, i), "p", 0);
            break;
        }
        default: {
            const std::string probe = tableKey(rng, true);
            EXPECT_EQ(e.lowerBound(probe), position(model.lower_bound(probe)));
            EXPECT_EQ(e.upperBound(probe), position(model.upper_bound(probe)));
            EXPECT_EQ(e.find(probe) != e.size(), model.count(probe) == 1);
            if (e.lacksSharedBytes(probe)) {
                const std::size_t at = position(model.lower_bound(probe));
                EXPECT_TRUE(at == 0 || at == model.size()) << at;
                EXPECT_EQ(model.count(probe), 0u);
            }
            break;
        }
        }
        if (step % 97 == 0) e.shrink();
        if (step % 1000 == 0) expectSame(e, model);
    }
    expectSame(e, model);
}

// An index page's first entry follows its child's first key down as the
// child's records are deleted one by one from the front.
TEST(PageEntriesTest, AKeyOfTheSameLengthIsChangedInPlace) {
    PageEntries e;
    for (int i = 0; i < 50; ++i)
        e.emplace("k" + std::to_string(100 + i * 10), "payload" + std::to_string(i), 7 + i);
    e.shrink();
    const std::size_t before = e.memory();
    for (int n = 99; n >= 10; --n) {
        e.setKey(0, "k0" + std::to_string(n));
        ASSERT_EQ(keyAt(e, 0), "k0" + std::to_string(n));
    }
    EXPECT_EQ(e.memory(), before);
    std::string out;
    ASSERT_TRUE(e.payload(0, &out));
    EXPECT_EQ(out, "payload0");
    EXPECT_EQ(e.child(0), 7);
    EXPECT_EQ(e.find("k010"), 0u);
    EXPECT_EQ(e.lowerBound("k05"), 1u);
    // A longer key takes new room and keeps the payload.
    e.setKey(0, "k00010");
    ASSERT_TRUE(e.payload(0, &out));
    EXPECT_EQ(out, "payload0");
    EXPECT_EQ(e.find("k00010"), 0u);
}

// A count changed on every add or delete, a record's image given back from its
// own bytes, a size that differs: the other records stay as they were.
TEST(PageEntriesTest, APayloadIsChangedWhateverItsSizeOrWhereItsBytesLie) {
    PageEntries e;
    e.emplace("count", "00000000", 0);
    e.emplace("record", "a" + std::string(200, ' '), 0);
    e.emplace("zz", "last", 0);
    std::string out;
    for (int n = 0; n < 1000; ++n) {
        const std::string count = std::to_string(10000000 + n);
        e.setPayload(0, count);
        ASSERT_TRUE(e.payload(0, &out));
        ASSERT_EQ(out, count);
    }
    e.setPayload(1, "b" + std::string(200, ' '));
    ASSERT_TRUE(e.payload(1, &out));
    EXPECT_EQ(out, "b" + std::string(200, ' '));
    e.setPayload(1, e.payloadView(1, &out));
    ASSERT_TRUE(e.payload(1, &out));
    EXPECT_EQ(out, "b" + std::string(200, ' '));
    e.setPayload(1, "short");
    ASSERT_TRUE(e.payload(1, &out));
    EXPECT_EQ(out, "short");
    ASSERT_TRUE(e.payload(2, &out));
    EXPECT_EQ(out, "last");
    EXPECT_EQ(keyAt(e, 1), "record");
    EXPECT_EQ(e.find("zz"), 2u);
}

TEST(PageEntriesTest, AKeyViewedInTheSameEntriesCanBeInserted) {
    PageEntries e;
    // Each new key is a view of the last one: the arena grows (and moves) meanwhile.
    // (Short keys: longer ones of one byte would be kept packed, elsewhere.)
    e.emplace(std::string(20, 'z'), std::string(100, ' '), 0);
    std::string scratch;
    for (std::size_t n = 19; n > 0; --n) {
        const std::string_view last = e.key(e.size() - 1, &scratch);
        ASSERT_TRUE(e.emplace(last.substr(0, n), last, 0).second);
    }
    ASSERT_EQ(e.size(), 20u);
    for (std::size_t i = 0; i < e.size(); ++i)
        EXPECT_EQ(keyAt(e, i), std::string(i + 1, 'z'));
    EXPECT_FALSE(e.emplace(e.key(3, &scratch), "same", 0).second);

    // A key among the others, viewed in a payload, while the arena is full.
    PageEntries f;
    f.emplace("aaaa1", "aaaa5-payload", 0);
    f.emplace("aaaa9", "p", 0);
    f.shrink();
    const std::string_view inside = f.payloadView(0, &scratch).substr(0, 5);
    ASSERT_TRUE(f.emplace(inside, std::string(40, 'x'), 0).second);
    EXPECT_EQ(f.find("aaaa5"), 1u);
    EXPECT_EQ(f.lowerBound("aaaa6"), 2u);
}

TEST(PageEntriesTest, BlankPaddedRecordsTakeLessThanTheirSize) {
    PageEntries e;
    for (int i = 0; i < 20; ++i)
        e.emplace("key" + std::to_string(i), "name" + std::string(700, ' '), 0);
    e.shrink();
    EXPECT_LT(e.memory(), std::size_t{20} * 700 / 4);
    std::string out;
    ASSERT_TRUE(e.payload(3, &out));
    EXPECT_EQ(out, "name" + std::string(700, ' '));
}

// Keys of a name and a town, each padded with blanks to its width, are kept
// packed: they take a fraction of their size and still order, compare and
// change as the keys they stand for.
TEST(PageEntriesTest, BlankPaddedKeysAreKeptPackedAndOrderAsTheirBytes) {
    std::mt19937 rng(41);
    const auto padded = [&rng](std::size_t width) {
        static const char letters[] = {' ', 'A', 'B', 'Z', '\x00', '\xC8'};
        std::string s;
        for (unsigned n = rng() % 12; n; --n)
            s.push_back(letters[rng() % 6]);
        s.resize(width, ' ');
        return s;
    };
    const auto nameKey = [&] {
        return std::string("\x00\x00\x00\x01\x01", 5) + padded(50) + padded(50);
    };
    PageEntries e;
    std::map<std::string, Held> model;
    for (int i = 0; i < 300; ++i) {
        const std::string key = nameKey();
        e.emplace(key, "\x00\x00\x01\x02", 0);
        model.emplace(key, Held{"\x00\x00\x01\x02", 0});
    }
    e.shrink();
    expectSame(e, model);
    EXPECT_LT(e.memory(), model.size() * 105 / 2) << "packed keys take less than half their size";

    const auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    const auto position = [&](auto it) {
        return static_cast<std::size_t>(std::distance(model.begin(), it));
    };
    for (int round = 0; round < 5000; ++round) {
        // Probes that are keys, keys cut short or run on, and keys changed
        // inside a run of blanks or past it.
        std::string probe =
            rng() % 2 ? std::next(model.begin(), rng() % model.size())->first : nameKey();
        switch (rng() % 4) {
        case 0:
            probe.resize(rng() % (probe.size() + 1));
            break;
        case 1:
            probe.append(rng() % 3, static_cast<char>(rng() % 2 ? ' ' : 0));
            break;
        case 2:
            probe[5 + rng() % 100] =
                static_cast<char>(rng() % 3 == 0 ? 0x1F : (rng() % 2 ? 0x21 : 0xFF));
            break;
        default:
            break;
        }
        EXPECT_EQ(e.lowerBound(probe), position(model.lower_bound(probe)));
        EXPECT_EQ(e.upperBound(probe), position(model.upper_bound(probe)));
        EXPECT_EQ(e.find(probe) != e.size(), model.count(probe) == 1);
        const std::size_t i = rng() % e.size();
        const std::string& own = std::next(model.begin(), static_cast<std::ptrdiff_t>(i))->first;
        ASSERT_EQ(sign(e.compareKey(i, probe)), sign(compareKeys(own, probe))) << round;
        ASSERT_EQ(e.keyIs(i, probe), own == probe);
        ASSERT_EQ(e.keySize(i), own.size());
    }

    // A key is found equal to the same key in other entries without unpacking.
    for (std::size_t i = 0; i < e.size(); i += 17) {
        PageEntries one;
        one.emplace(keyAt(e, i), "", 0);
        one.emplace(keyAt(e, i) + " ", "", 0);
        EXPECT_TRUE(e.keyIs(i, one, 0));
        EXPECT_FALSE(e.keyIs(i, one, 1));
        if (i + 1 < e.size()) {
            EXPECT_EQ(e.keyIs(i + 1, one, 0), keyAt(e, i + 1) == keyAt(e, i));
        }
    }

    // The first key lowered (an index entry following its child), a payload
    // changed, the tail moved away and back: every key stays as it was given.
    std::string lower = model.begin()->first;
    lower[5] = '\x00';
    lower[6] = '\x00';
    if (compareKeys(lower, model.begin()->first) < 0) {
        e.setKey(0, lower);
        model.emplace(lower, model.begin()->second);
        model.erase(std::next(model.begin()));
    }
    e.setPayload(7, std::string(300, ' '));
    std::next(model.begin(), 7)->second.payload = std::string(300, ' ');
    PageEntries tail;
    e.moveTail(100, &tail);
    for (std::size_t i = 0; i < tail.size(); ++i) {
        std::string p;
        ASSERT_TRUE(tail.payload(i, &p));
        e.append(keyAt(tail, i), p, 0);
    }
    expectSame(e, model);
}

TEST(PageEntriesTest, KeysCompareAsUnsignedBytesWithAPrefixFirst) {
    std::mt19937 rng(7);
    const auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    for (int round = 0; round < 20000; ++round) {
        // Long shared prefixes, bytes on both sides of 0x80, any length up to 40.
        std::string a(rng() % 41, '\0'), b;
        for (char& c : a)
            c = static_cast<char>(rng() % 4 == 0 ? rng() : 0x7F + rng() % 3);
        b = a.substr(0, rng() % (a.size() + 1));
        for (unsigned n = rng() % 12; n; --n)
            b.push_back(static_cast<char>(rng() % 2 ? rng() : 0x80));
        ASSERT_EQ(sign(compareKeys(a, b)), sign(a.compare(b))) << round;
        ASSERT_EQ(sign(compareKeys(b, a)), sign(b.compare(a))) << round;
        ASSERT_EQ(compareKeys(a, a), 0);
    }
}

TEST(PageEntriesTest, GrowingByOneRecordAtATimeKeepsLittleRoom) {
    PageEntries e;
    std::mt19937 rng(3);
    std::size_t bytes = 0;
    // Room for the records, an eighth more while growing, and the slots.
    const auto bound = [&](std::size_t records, std::size_t eighths) {
        return bytes + bytes * eighths / 8 + records * 24 * 9 / 8 + 256;
    };
    for (std::size_t i = 0; i < 200; ++i) {
        const std::string key = "key" + std::to_string(1000 + i);
        std::string payload(200, '\0');
        for (char& c : payload)
            c = static_cast<char>(rng()); // no runs: kept as given
        e.emplace(key, payload, 0);
        bytes += key.size() + payload.size();
        ASSERT_LE(e.memory(), bound(i + 1, 1)) << i;
    }
    e.shrink();
    EXPECT_LE(e.memory(), bound(200, 0));
}

} // namespace
} // namespace zv::storage
