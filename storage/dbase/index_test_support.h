// Test helper for the index tests: a keyed table declaration, a model of its rows
// kept by the test, the model's own sort of them, and a fixture that reads a
// table in a tag's order and the tags of its .MDX file.
#pragma once

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

namespace zv::dbase::test {

namespace fs = std::filesystem;
using storage::FieldType;

enum : std::size_t { kName, kPrice, kDay, kNote };
enum : int { kByName, kByPrice, kByDay };

// JMENO C(12), CENA N(9,2), DATUM D, a memo; tags: names upper-cased without the
// deleted rows, prices descending, days.
inline storage::TableDecl indexedDecl() {
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

inline std::string upperName(const std::string& s) {
    std::string out = s;
    for (auto& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out.resize(12, ' ');
    return out;
}

inline long dayNumber(const ModelRow& r) {
    return r.year == 0 ? 0 : r.year * 10000L + r.month * 100L + r.day;
}

// The order the model gives a tag; withDeleted keeps deleted rows (what the file
// holds for tags without a filter).
inline std::vector<std::uint32_t> expected(const Model& model, int tag, bool withDeleted) {
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

} // namespace zv::dbase::test
