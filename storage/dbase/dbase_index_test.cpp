// The production index of a dBase table against a model kept here: the rows the
// test wrote, sorted by the test's own rules.
#include "storage/dbase/dbase_table.h"

#include "storage/dbase/file_swap.h"
#include "storage/dbase/ndx_format.h"
#include "storage/dbase/test_decl.h"
#include "storage/dbase/xbase_expr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;
using storage::FieldType;
using test::DeclBuilder;
using test::Record;

enum : std::size_t { kName, kPrice, kDay, kNote };
enum : int { kByName, kByPrice, kByDay };

// JMENO C(12), CENA N(9,2), DATUM D, a memo; tags: names upper-cased without the
// deleted rows, prices descending, days.
storage::TableDecl indexedDecl() {
    auto decl = DeclBuilder()
                    .field("TST:JMENO", FieldType::String, 12)
                    .field("TST:CENA", FieldType::Real, 8)
                    .field("TST:DATUM", FieldType::Date, 4)
                    .field("TST:POZN", FieldType::Long, 4)
                    .memo("TST:POZNAMKA", 5000)
                    .build();
    decl.keys = {
        {"C[UPPER(JMENO)],FOR[.NOT.DELETED()]", "TST:BYJMENO", storage::kKeyDuplicates, {}},
        {"", "TST:BYCENA", storage::kKeyDuplicates, {{kPrice, true}}},
        {"D[DATUM]", "TST:BYDATUM", storage::kKeyDuplicates, {{kDay, false}}},
    };
    return decl;
}

struct ModelRow {
    std::string name;
    long cents = 0;
    int year = 0, month = 0, day = 0; // year 0: no date
    bool deleted = false;
    std::string memo;
};

using Model = std::map<std::uint32_t, ModelRow>;

std::string upperName(const std::string& s) {
    std::string out = s;
    for (auto& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out.resize(12, ' ');
    return out;
}

long dayNumber(const ModelRow& r) {
    return r.year == 0 ? 0 : r.year * 10000L + r.month * 100L + r.day;
}

// The order the model gives a tag; withDeleted keeps deleted rows (what the file
// holds for tags without a filter).
std::vector<std::uint32_t> expected(const Model& model, int tag, bool withDeleted) {
    std::vector<std::uint32_t> rows;
    for (const auto& [n, r] : model)
        if (withDeleted ? !(tag == kByName && r.deleted) : !r.deleted) rows.push_back(n);
    std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        const ModelRow& x = model.at(a);
        const ModelRow& y = model.at(b);
        switch (tag) {
        case kByName:
            return upperName(x.name) < upperName(y.name);
        case kByPrice:
            return x.cents > y.cents;
        default:
            return dayNumber(x) < dayNumber(y);
        }
    });
    return rows;
}

class DbaseIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_dbidx_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "ADRESY.DBF").string();
        crashAtStepForTest(0);
    }
    void TearDown() override {
        crashAtStepForTest(0);
        fs::remove_all(dir_);
    }

    void fill(Record& rec, const ModelRow& r) {
        rec.clear();
        rec.setText(kName, r.name);
        rec.set<double>(kPrice, static_cast<double>(r.cents) / 100.0);
        if (r.year != 0) rec.setDate(kDay, r.year, r.month, r.day);
    }

    ModelRow randomRow(std::mt19937& rng) {
        static const char* kNames[] = {"novak",     "Svoboda", "NOVOTNY", "dvorak", "Cerny",
                                       "Prochazka", "kucera",  "Vesely",  "Horak",  "nemec"};
        ModelRow r;
        r.name = std::string(kNames[rng() % 10]) + std::to_string(rng() % 40);
        r.cents = static_cast<long>(rng() % 2000) * 25; // many equal prices
        if (rng() % 10 != 0) {
            r.year = 1990 + static_cast<int>(rng() % 40);
            r.month = 1 + static_cast<int>(rng() % 12);
            r.day = 1 + static_cast<int>(rng() % 28);
        }
        if (rng() % 3 == 0) r.memo = "pozn. " + r.name;
        return r;
    }

    std::vector<std::uint32_t> readOrder(DbaseTable& t, int tag, bool backward = false) {
        std::vector<std::uint32_t> rows;
        Record rec(t.declaration());
        std::vector<std::string> memos;
        EXPECT_EQ(t.setKeyStart(tag, backward), kOk);
        for (;;) {
            const int e = backward ? t.previous(rec.bytes(), memos) : t.next(rec.bytes(), memos);
            if (e != kOk) {
                EXPECT_EQ(e, kRecordNotAvailable);
                break;
            }
            rows.push_back(t.currentRow());
        }
        if (backward) std::reverse(rows.begin(), rows.end());
        return rows;
    }

    // The record numbers of each tag as the file's pages hold them.
    std::vector<std::vector<std::uint32_t>> fileOrder() {
        std::ifstream in(dir_ / "ADRESY.MDX", std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        MdxImage image;
        EXPECT_EQ(decodeMdx(bytes, image), Xbase::None);
        std::vector<std::vector<std::uint32_t>> out;
        for (const MdxTag& tag : image.tags) {
            out.emplace_back();
            for (const MdxEntry& e : tag.entries)
                out.back().push_back(e.recno);
        }
        return out;
    }

    void checkAgainst(DbaseTable& t, const Model& model, bool file) {
        for (int tag : {kByName, kByPrice, kByDay}) {
            ASSERT_EQ(readOrder(t, tag), expected(model, tag, false)) << "tag " << tag;
            std::uint32_t count = 0;
            ASSERT_EQ(t.keyRecords(tag, count), kOk);
            EXPECT_EQ(count, expected(model, tag, false).size());
        }
        if (!file) return;
        const auto held = fileOrder();
        ASSERT_EQ(held.size(), 3u);
        for (int tag : {kByName, kByPrice, kByDay})
            ASSERT_EQ(held[static_cast<std::size_t>(tag)], expected(model, tag, true))
                << "tag " << tag << " in the file";
    }

    fs::path dir_;
    std::string path_;
};

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
