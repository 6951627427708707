// The production index of a dBase table against a model kept by the test: the rows
// the test wrote, sorted by its own rules.
#include "storage/dbase/index_test_support.h"

#include <gtest/gtest.h>

namespace zv::dbase {
namespace {

using namespace test;
TEST_F(DbaseIndexTest, TenThousandRowsFollowAnIndependentSortThroughAddsChangesAndDeletes) {
    std::mt19937 rng(20261208);
    Model model;
    {
        DbaseTable t(indexedDecl());
        ASSERT_EQ(t.create(path_), kOk) << t.message();
        ASSERT_TRUE(fs::exists(dir_ / "ADRESY.MDX"));
        ASSERT_EQ(t.open(path_), kOk) << t.message();
        Record rec(t.declaration());
        t.beginBatch();
        for (int i = 0; i < 10000; ++i) {
            const ModelRow r = randomRow(rng);
            fill(rec, r);
            ASSERT_EQ(t.add(rec.bytes(), {r.memo}), kOk) << t.message();
            model[t.currentRow()] = r;
        }
        ASSERT_EQ(t.endBatch(), kOk);
        checkAgainst(t, model, true);

        std::vector<std::string> memos;
        int adds = 0, changes = 0, deletes = 0;
        for (int round = 0; round < 12; ++round) {
            const bool batch = round % 3 != 2; // every third round writes the index per operation
            if (batch) t.beginBatch();
            for (int op = 0; op < (batch ? 300 : 25); ++op) {
                const unsigned pick = rng() % 10;
                const auto n = static_cast<std::uint32_t>(1 + rng() % model.size());
                if (pick < 3) {
                    const ModelRow r = randomRow(rng);
                    fill(rec, r);
                    ASSERT_EQ(t.add(rec.bytes(), {r.memo}), kOk);
                    model[t.currentRow()] = r;
                    ++adds;
                } else if (pick < 7) {
                    ModelRow r = randomRow(rng);
                    r.deleted = model[n].deleted;
                    fill(rec, r);
                    ASSERT_EQ(t.putAt(n, rec.bytes(), {r.memo}), kOk);
                    model[n] = r;
                    ++changes;
                } else if (!model[n].deleted) {
                    ASSERT_EQ(t.setRecordNumber(n, false), kOk);
                    ASSERT_EQ(t.next(rec.bytes(), memos), kOk);
                    ASSERT_EQ(t.erase(), kOk);
                    model[n].deleted = true;
                    ++deletes;
                }
            }
            if (batch) {
                ASSERT_EQ(t.endBatch(), kOk);
            }
            checkAgainst(t, model, true);
        }
        EXPECT_GT(adds, 500);
        EXPECT_GT(changes, 800);
        EXPECT_GT(deletes, 500);
        ASSERT_EQ(t.close(), kOk);
    }
    // Read back from the file.
    DbaseTable again(indexedDecl());
    ASSERT_EQ(again.open(path_), kOk) << again.message();
    checkAgainst(again, model, false);
    EXPECT_EQ(readOrder(again, kByPrice, true), expected(model, kByPrice, false));
}

TEST_F(DbaseIndexTest, DescendingAndDateKeysSeekAndGetByKey) {
    DbaseTable t(indexedDecl());
    ASSERT_EQ(t.create(path_), kOk);
    ASSERT_EQ(t.open(path_), kOk);
    Record rec(t.declaration());
    const ModelRow rows[] = {{"b", 150, 2026, 12, 8, false, ""},
                             {"a", 300, 1999, 1, 31, false, ""},
                             {"c", 150, 0, 0, 0, false, ""},
                             {"d", 75, 2026, 12, 8, false, ""},
                             {"e", 900, 2000, 2, 29, false, ""}};
    Model model;
    for (const ModelRow& r : rows) {
        fill(rec, r);
        ASSERT_EQ(t.add(rec.bytes(), {}), kOk);
        model[t.currentRow()] = r;
    }
    EXPECT_EQ(readOrder(t, kByPrice), (std::vector<std::uint32_t>{5, 2, 1, 3, 4}));
    EXPECT_EQ(readOrder(t, kByDay), (std::vector<std::uint32_t>{3, 2, 5, 1, 4}));

    // Forward from a value: the first entry of that key.
    std::vector<std::string> memos;
    fill(rec, {"", 150, 2026, 12, 8, false, ""});
    ASSERT_EQ(t.setKeyValue(kByPrice, rec.bytes(), DbaseTable::KeySeek::Forward), kOk);
    ASSERT_EQ(t.next(rec.bytes(), memos), kOk);
    EXPECT_EQ(t.currentRow(), 1u);
    // Backward from a date: its last entry first.
    fill(rec, {"", 0, 2026, 12, 8, false, ""});
    ASSERT_EQ(t.setKeyValue(kByDay, rec.bytes(), DbaseTable::KeySeek::Backward), kOk);
    ASSERT_EQ(t.previous(rec.bytes(), memos), kOk);
    EXPECT_EQ(t.currentRow(), 4u);
    ASSERT_EQ(t.previous(rec.bytes(), memos), kOk);
    EXPECT_EQ(t.currentRow(), 1u);
    // Get by key, case folded by the key expression.
    fill(rec, {"E", 0, 0, 0, 0, false, ""});
    ASSERT_EQ(t.getByKey(kByName, rec.bytes(), memos), kOk);
    EXPECT_EQ(t.currentRow(), 5u);
    EXPECT_EQ(rec.text(kName).substr(0, 1), "e");
    fill(rec, {"x", 0, 0, 0, 0, false, ""});
    EXPECT_EQ(t.getByKey(kByName, rec.bytes(), memos), kRecordNotFound);
    // Back to record order.
    ASSERT_EQ(t.setStart(), kOk);
    ASSERT_EQ(t.next(rec.bytes(), memos), kOk);
    EXPECT_EQ(t.currentRow(), 1u);
    EXPECT_EQ(t.setKeyStart(7, false), kInvalidIndexString);
}

TEST_F(DbaseIndexTest, KeysKeptOutsideHaveAnIndexFileOfTheirOwn) {
    auto decl = indexedDecl();
    decl.keys[2].flags |= storage::kKeyOutside; // days in BYDATUM.NDX
    Model model;
    {
        DbaseTable t(decl);
        ASSERT_EQ(t.create(path_), kOk);
        ASSERT_EQ(t.open(path_), kOk);
        Record rec(t.declaration());
        std::mt19937 rng(5);
        for (int i = 0; i < 2000; ++i) {
            const ModelRow r = randomRow(rng);
            fill(rec, r);
            ASSERT_EQ(t.add(rec.bytes(), {}), kOk);
            model[t.currentRow()] = r;
            if (i == 0) t.beginBatch();
        }
        ASSERT_EQ(t.endBatch(), kOk);
        EXPECT_EQ(readOrder(t, kByDay), expected(model, kByDay, false));
        ASSERT_EQ(t.close(), kOk);
    }
    ASSERT_TRUE(fs::exists(dir_ / "BYDATUM.NDX"));
    EXPECT_EQ(fileOrder().size(), 2u); // the .MDX holds the other two
    std::ifstream in(dir_ / "BYDATUM.NDX", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    MdxTag tag;
    ASSERT_EQ(decodeNdx(bytes, true, tag), Xbase::None);
    std::vector<std::uint32_t> held;
    for (const MdxEntry& e : tag.entries)
        held.push_back(e.recno);
    EXPECT_EQ(held, expected(model, kByDay, true));
    EXPECT_EQ(tag.expression, "DATUM");

    const auto stamp = fs::last_write_time(dir_ / "BYDATUM.NDX");
    DbaseTable again(decl);
    ASSERT_EQ(again.open(path_), kOk);
    EXPECT_EQ(readOrder(again, kByDay), expected(model, kByDay, false));
    ASSERT_EQ(again.close(), kOk);
    EXPECT_EQ(fs::last_write_time(dir_ / "BYDATUM.NDX"), stamp); // used as it was
}

TEST_F(DbaseIndexTest, TagsOfAnotherProgramStayAndAreKeptUpToDate) {
    // An index written elsewhere with one tag more than the declaration names,
    // and one with a tag this driver cannot evaluate.
    auto decl = indexedDecl();
    decl.keys.resize(1);
    Model model;
    {
        DbaseTable t(decl);
        ASSERT_EQ(t.create(path_), kOk);
    }
    MdxImage foreign;
    foreign.dataName = "ADRESY";
    MdxTag names;
    names.name = "BYJMENO";
    names.keyLength = 12;
    names.expression = "UPPER(JMENO)";
    names.filter = ".NOT.DELETED()";
    MdxTag prices = names;
    prices.name = "CENY";
    prices.keyType = 'N';
    prices.expression = "CENA";
    prices.filter.clear();
    foreign.tags = {names, prices};
    auto writeIndex = [&](const MdxImage& image) {
        const auto bytes = encodeMdx(image);
        std::ofstream out(dir_ / "ADRESY.MDX", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    };
    writeIndex(foreign);
    {
        DbaseTable t(decl);
        ASSERT_EQ(t.open(path_), kOk) << t.message();
        Record rec(t.declaration());
        std::mt19937 rng(3);
        for (int i = 0; i < 300; ++i) {
            const ModelRow r = randomRow(rng);
            fill(rec, r);
            ASSERT_EQ(t.add(rec.bytes(), {}), kOk);
            model[t.currentRow()] = r;
        }
        ASSERT_EQ(t.close(), kOk);
    }
    const auto held = fileOrder();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0], expected(model, kByName, true));
    std::vector<std::uint32_t> ascending = expected(model, kByPrice, true);
    std::stable_sort(ascending.begin(), ascending.end(), [&](std::uint32_t a, std::uint32_t b) {
        return model.at(a).cents < model.at(b).cents;
    });
    EXPECT_EQ(held[1], ascending);

    foreign.tags[1].expression = "SOUNDEX(JMENO)";
    writeIndex(foreign);
    DbaseTable t(decl);
    EXPECT_EQ(t.open(path_), kInvalidKeyFile);
    EXPECT_EQ(t.driverText(), "bad user specified key expression");
    ASSERT_EQ(t.open(path_, 0x40), kOk); // reading needs only the declared tags
    EXPECT_EQ(readOrder(t, kByName), expected(model, kByName, false));
}

TEST_F(DbaseIndexTest, UniqueKeysRefuseDuplicates) {
    auto decl = indexedDecl();
    decl.keys[1].flags = 0; // prices unique
    DbaseTable t(decl);
    ASSERT_EQ(t.create(path_), kOk);
    ASSERT_EQ(t.open(path_), kOk);
    Record rec(t.declaration());
    fill(rec, {"a", 100, 0, 0, 0, false, ""});
    ASSERT_EQ(t.add(rec.bytes(), {}), kOk);
    fill(rec, {"b", 100, 0, 0, 0, false, ""});
    EXPECT_EQ(t.add(rec.bytes(), {}), kDuplicateKey);
    fill(rec, {"b", 200, 0, 0, 0, false, ""});
    ASSERT_EQ(t.add(rec.bytes(), {}), kOk);
    fill(rec, {"a2", 100, 0, 0, 0, false, ""});
    EXPECT_EQ(t.putAt(1, rec.bytes(), {}), kOk); // its own key
    EXPECT_EQ(t.putAt(2, rec.bytes(), {}), kDuplicateKey);
    std::uint32_t rows = 0;
    ASSERT_EQ(t.records(rows), kOk);
    EXPECT_EQ(rows, 2u);
}

TEST_F(DbaseIndexTest, DamagedIndexIsReportedAndRecoverRebuildsIt) {
    Model model;
    {
        DbaseTable t(indexedDecl());
        ASSERT_EQ(t.create(path_), kOk);
        ASSERT_EQ(t.open(path_), kOk);
        Record rec(t.declaration());
        std::mt19937 rng(7);
        for (int i = 0; i < 300; ++i) {
            const ModelRow r = randomRow(rng);
            fill(rec, r);
            ASSERT_EQ(t.add(rec.bytes(), {r.memo}), kOk);
            model[t.currentRow()] = r;
        }
        ASSERT_EQ(t.close(), kOk);
    }
    // A file that agrees with the table is used as it is.
    const auto mdx = dir_ / "ADRESY.MDX";
    const auto stamp = fs::last_write_time(mdx);
    {
        DbaseTable t(indexedDecl());
        ASSERT_EQ(t.open(path_), kOk);
        checkAgainst(t, model, true);
        ASSERT_EQ(t.close(), kOk);
        EXPECT_EQ(fs::last_write_time(mdx), stamp);
    }
    {
        std::fstream f(mdx, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(26); // the tag table's entry length
        f.put(static_cast<char>(3));
    }
    DbaseTable t(indexedDecl());
    t.command("EXTERRORS=ON");
    EXPECT_EQ(t.open(path_), kInvalidKeyFile);
    EXPECT_EQ(t.error().xbase, static_cast<int>(Xbase::TagEntryLength));
    EXPECT_EQ(t.message(), "File ADRESY.DBF, xBase Error (53): bad tag table element length");
    t.bindName(path_);
    EXPECT_EQ(t.command("RECOVER"), "");
    ASSERT_EQ(t.open(path_), kOk) << t.message();
    checkAgainst(t, model, true);

    // An index from before the last writes (a crash in a batch) is made again at open.
    ASSERT_EQ(t.close(), kOk);
    const auto old = fs::file_size(mdx);
    {
        DbaseTable w(indexedDecl());
        ASSERT_EQ(w.open(path_), kOk);
        Record rec(w.declaration());
        fill(rec, {"zz", 1, 0, 0, 0, false, ""});
        ASSERT_EQ(w.putAt(1, rec.bytes(), {}), kOk);
        model[1] = {"zz", 1, 0, 0, 0, false, ""};
        ASSERT_EQ(w.close(), kOk);
    }
    fs::resize_file(mdx, old); // keeps its size, but not its content: write a stale copy
    {
        DbaseTable stale(indexedDecl());
        ASSERT_EQ(stale.open(path_), kOk);
        checkAgainst(stale, model, true);
    }
}

} // namespace
} // namespace zv::dbase
