#include "storage/keys.h"

#include "platform/codepage.h"
#include "storage/coding.h"
#include "storage/decimal.h"
#include "storage/record_text.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace zv::storage {
namespace {

std::string hex(const std::string& s) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out += ' ';
        out += d[c >> 4];
        out += d[c & 15];
    }
    return out;
}

FieldDecl field(FieldType t, std::uint16_t size, std::uint16_t offset = 0) {
    FieldDecl f;
    f.type = t;
    f.size = size;
    f.offset = offset;
    return f;
}

template <typename T> std::string encodeNumber(FieldType t, T v, bool desc = false) {
    std::uint8_t rec[sizeof(T)];
    std::memcpy(rec, &v, sizeof v);
    return encodeComponent(field(t, sizeof(T)), rec, false, desc);
}

TEST(KeyEncodingTest, ShortMinusOneZeroOne) {
    EXPECT_EQ(hex(encodeNumber<std::int16_t>(FieldType::Short, -1)), "7F FF");
    EXPECT_EQ(hex(encodeNumber<std::int16_t>(FieldType::Short, 0)), "80 00");
    EXPECT_EQ(hex(encodeNumber<std::int16_t>(FieldType::Short, 1)), "80 01");
}

TEST(KeyEncodingTest, RealOrderWithNegativesAndDescending) {
    std::vector<double> v = {-2.0, -1.0, 0.0, 1.0};
    for (std::size_t i = 1; i < v.size(); ++i) {
        EXPECT_LT(encodeNumber(FieldType::Real, v[i - 1]), encodeNumber(FieldType::Real, v[i]));
        EXPECT_GT(encodeNumber(FieldType::Real, v[i - 1], true),
                  encodeNumber(FieldType::Real, v[i], true));
    }
}

// For random values of each type the bytewise order of the encodings is the
// values' own order, ascending and descending.
template <typename T, typename Gen>
void expectOrderKept(FieldType type, Gen gen, const char* name) {
    std::mt19937_64 rng(1234);
    for (int i = 0; i < 3000; ++i) {
        T a = gen(rng), b = gen(rng);
        std::string ea = encodeNumber(type, a), eb = encodeNumber(type, b);
        ASSERT_EQ(a < b, ea < eb) << name << " " << a << " " << b;
        ASSERT_EQ(a == b, ea == eb) << name << " " << a << " " << b;
        std::string da = encodeNumber(type, a, true), db = encodeNumber(type, b, true);
        ASSERT_EQ(a<b, da> db) << name << " descending " << a << " " << b;
    }
}

TEST(KeyEncodingTest, BytewiseOrderEqualsValueOrderForEveryNumericType) {
    expectOrderKept<std::int16_t>(
        FieldType::Short, [](auto& r) { return static_cast<std::int16_t>(r()); }, "SHORT");
    expectOrderKept<std::uint16_t>(
        FieldType::UShort, [](auto& r) { return static_cast<std::uint16_t>(r()); }, "USHORT");
    expectOrderKept<std::int32_t>(
        FieldType::Long, [](auto& r) { return static_cast<std::int32_t>(r()); }, "LONG");
    expectOrderKept<std::uint32_t>(
        FieldType::ULong, [](auto& r) { return static_cast<std::uint32_t>(r()); }, "ULONG");
    expectOrderKept<float>(
        FieldType::SReal,
        [](auto& r) {
            return static_cast<float>(static_cast<std::int32_t>(r() % 2000001) - 1000000) / 7.0f;
        },
        "SREAL");
    expectOrderKept<double>(
        FieldType::Real,
        [](auto& r) {
            double x =
                static_cast<double>(static_cast<std::int64_t>(r() % 20000001) - 10000000) / 13.0;
            return r() % 10 == 0 ? x * 1e200 : x;
        },
        "REAL");
}

TEST(KeyEncodingTest, DecimalOrderIncludingNegativesAndDescending) {
    std::mt19937 rng(5);
    const int bytes = decimalBytes(9);
    for (int i = 0; i < 3000; ++i) {
        double a = static_cast<int>(rng() % 2000001) - 1000000,
               b = static_cast<int>(rng() % 2000001) - 1000000;
        a /= 100;
        b /= 100;
        std::uint8_t ra[16] = {}, rb[16] = {};
        ASSERT_TRUE(encodeDecimal(a, ra, bytes, 2));
        ASSERT_TRUE(encodeDecimal(b, rb, bytes, 2));
        FieldDecl f = field(FieldType::Decimal, static_cast<std::uint16_t>(bytes));
        std::string ea = encodeComponent(f, ra, false, false),
                    eb = encodeComponent(f, rb, false, false);
        if (a != b) {
            ASSERT_EQ(a < b, ea < eb) << a << " " << b;
            ASSERT_EQ(
                a<b, encodeComponent(f, ra, false, true)> encodeComponent(f, rb, false, true));
        }
    }
}

TEST(KeyEncodingTest, TextTypesCaseAndPadding) {
    std::uint8_t rec[10];
    std::memcpy(rec, "abc\0zzzzz\0", 10);
    FieldDecl c = field(FieldType::CString, 10);
    EXPECT_EQ(encodeComponent(c, rec, false, false), std::string("abc\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(encodeComponent(c, rec, true, false), std::string("ABC\0\0\0\0\0\0\0", 10));
    std::uint8_t prec[6] = {3, 'x', 'y', 'z', 'q', 'q'};
    FieldDecl p = field(FieldType::PString, 6);
    EXPECT_EQ(encodeComponent(p, prec, false, false), std::string("xyz\0\0\0", 6));
    // Czech letters upper-case by the Windows-1250 table.
    std::string czech = cp1250::fromUtf8("žluťoučký kůň");
    FieldDecl s = field(FieldType::String, static_cast<std::uint16_t>(czech.size()));
    EXPECT_EQ(cp1250::toUtf8(encodeComponent(s, bytes(czech), true, false)), "ŽLUŤOUČKÝ KŮŇ");
}

TEST(KeyEncodingTest, OemTablesUpperCaseByTheDosTable) {
    // š ž in the DOS code page are E7 A7; the Windows-1250 table would take E7
    // (ç) to C7 and leave A7 (§) alone.
    std::string oem = cp852::fromCp1250(cp1250::fromUtf8("šž"));
    FieldDecl s = field(FieldType::String, 2);
    EXPECT_EQ(hex(encodeComponent(s, bytes(oem), true, false, true)), "E6 A6");
    EXPECT_EQ(hex(encodeComponent(s, bytes(oem), true, false, false)), "C7 A7");
}

// Each byte of text is converted once; numbers, PSTRING length bytes and
// bytes outside text fields stay as they are.
TEST(KeyEncodingTest, OemImageConvertsTextBytesOnly) {
    TableDecl d;
    d.oem = true;
    d.recordLength = 16;
    FieldDecl group = field(FieldType::Group, 8, 0);
    FieldDecl inner = field(FieldType::String, 4, 0); // inside the group
    FieldDecl over = field(FieldType::String, 6, 2);  // overlaps inner and the PSTRING
    over.overlay = true;
    FieldDecl pstr = field(FieldType::PString, 4, 4);
    FieldDecl number = field(FieldType::Long, 4, 8);
    FieldDecl view = field(FieldType::String, 4, 8); // a text view of the number
    view.overlay = true;
    d.fields = {group, inner, over, pstr, number, view};
    const std::string s = cp1250::fromUtf8("š");
    std::string image(16, s[0]); // every byte 0x9A, also the PSTRING length
    std::string stored = image;
    imageToOem(d, reinterpret_cast<std::uint8_t*>(stored.data()), stored.size());
    std::string want = image;
    for (int i : {0, 1, 2, 3, 5, 6, 7})
        want[static_cast<std::size_t>(i)] = '\xE7';
    EXPECT_EQ(hex(stored), hex(want));
    imageFromOem(d, reinterpret_cast<std::uint8_t*>(stored.data()), stored.size());
    EXPECT_EQ(stored, image);
    d.oem = false;
    imageToOem(d, reinterpret_cast<std::uint8_t*>(stored.data()), stored.size());
    EXPECT_EQ(stored, image);
}

TEST(KeyEncodingTest, BlankComponents) {
    std::uint8_t spaces[4] = {' ', ' ', ' ', ' '};
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    std::uint8_t cz[4] = {0, 'a', 'b', 0};
    EXPECT_TRUE(isBlankComponent(field(FieldType::String, 4), spaces));
    EXPECT_FALSE(isBlankComponent(field(FieldType::String, 4), zeros));
    EXPECT_TRUE(isBlankComponent(field(FieldType::CString, 4), cz));
    EXPECT_TRUE(isBlankComponent(field(FieldType::Long, 4), zeros));
    EXPECT_FALSE(isBlankComponent(field(FieldType::Long, 4), spaces));
}

// A table of two fields: NAME STRING(8) at 0, NUM LONG at 8.
class KeyMaintenanceTest : public ::testing::Test {
protected:
    platform::MemFileSystem fs;
    std::unique_ptr<NativeFile> file = test::openFile(fs, "k.qtf");
    TableDecl decl;
    const std::uint32_t table = 7;

    void SetUp() override {
        decl.recordLength = 12;
        decl.fields = {field(FieldType::String, 8, 0), field(FieldType::Long, 4, 8)};
        decl.fields[0].name = "NAME";
        decl.fields[1].name = "NUM";
    }
    void addKey(std::uint8_t flags, std::vector<KeyComponent> comps) {
        KeyDecl k;
        k.flags = flags;
        k.components = std::move(comps);
        decl.keys.push_back(k);
        ASSERT_EQ(
            writeStatistics(*file, table, static_cast<std::uint8_t>(decl.keys.size() - 1), {}), 0);
    }
    std::vector<std::uint8_t> rec(const std::string& name, std::int32_t num) {
        std::vector<std::uint8_t> r(12, ' ');
        std::memcpy(r.data(), name.data(), std::min<std::size_t>(name.size(), 8));
        std::memcpy(r.data() + 8, &num, 4);
        return r;
    }
    // Record numbers of key k's entries in key order.
    std::vector<std::uint32_t> walk(int k) {
        std::vector<std::uint32_t> out;
        PageRecord e;
        bool found = false;
        EXPECT_EQ(firstEntry(*file, table, k, &e, &found), 0);
        std::string prefix = keyPrefix(table, k);
        while (found && e.key.compare(0, prefix.size(), prefix) == 0) {
            out.push_back(fromBe32(e.payload));
            std::string key = e.key;
            EXPECT_EQ(file->successor(key, &e, &found), 0);
        }
        return out;
    }
    std::uint32_t count(int k) {
        Statistics st;
        EXPECT_EQ(readStatistics(*file, table, static_cast<std::uint8_t>(k), &st), 0);
        return st.count;
    }
};

TEST_F(KeyMaintenanceTest, DuplicatesComeInRecordNumberOrder) {
    addKey(kKeyDuplicates, {{0, false}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("same", 1).data(), 5, false), 0);
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("same", 2).data(), 3, false), 0);
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("aaa", 2).data(), 9, false), 0);
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{9, 3, 5}));
    ASSERT_EQ(maintainKeys(*file, decl, table, rec("same", 2).data(), nullptr, 3, false), 0);
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{9, 5}));
    EXPECT_EQ(count(0), 2u);
}

TEST_F(KeyMaintenanceTest, DuplicateInAUniqueKeyTakesBackTheEarlierKeys) {
    addKey(kKeyDuplicates, {{1, false}});
    addKey(0, {{0, false}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("abc", 1).data(), 1, false), 0);
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("abc", 2).data(), 2, false),
              kErrDuplicate);
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(walk(1), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(count(0), 1u);
    EXPECT_EQ(count(1), 1u);
}

TEST_F(KeyMaintenanceTest, CaseInsensitiveKeyTreatsAbcAndABCAsDuplicates) {
    addKey(kKeyNoCase, {{0, false}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("abc", 1).data(), 1, false), 0);
    EXPECT_EQ(maintainKeys(*file, decl, table, nullptr, rec("ABC", 1).data(), 2, false),
              kErrDuplicate);
}

TEST_F(KeyMaintenanceTest, UnchangedKeyFieldsLeaveEntriesInPlace) {
    addKey(0, {{0, false}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("abc", 1).data(), 1, false), 0);
    ASSERT_EQ(file->commit(), 0);
    ASSERT_EQ(
        maintainKeys(*file, decl, table, rec("abc", 1).data(), rec("abc", 99).data(), 1, false), 0);
    EXPECT_FALSE(file->hasChanges());
    ASSERT_EQ(
        maintainKeys(*file, decl, table, rec("abc", 1).data(), rec("abd", 1).data(), 1, false), 0);
    EXPECT_TRUE(file->hasChanges());
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(count(0), 1u);
}

TEST_F(KeyMaintenanceTest, BlankRecordHasNoEntryInAnOptionalKeyOnly) {
    addKey(kKeyOptional | kKeyDuplicates, {{0, false}});
    addKey(kKeyDuplicates, {{0, false}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("", 0).data(), 1, false), 0);
    EXPECT_TRUE(walk(0).empty());
    EXPECT_EQ(walk(1), (std::vector<std::uint32_t>{1}));
}

TEST_F(KeyMaintenanceTest, AddWithoutKeysSetsTheLowestPendingMark) {
    addKey(0, {{0, false}});
    addKey(kKeyIndex | kKeyDuplicates, {{1, true}});
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("a", 1).data(), 4, true), 0);
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("b", 1).data(), 6, true), 0);
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("c", 1).data(), 2, true), 0);
    Statistics st;
    ASSERT_EQ(readStatistics(*file, table, 0, &st), 0);
    EXPECT_EQ(st.pending, 2u);
    EXPECT_TRUE(walk(0).empty());
    // An index is never maintained: its mark follows ordinary adds too.
    ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("d", 1).data(), 1, false), 0);
    ASSERT_EQ(readStatistics(*file, table, 1, &st), 0);
    EXPECT_EQ(st.pending, 1u);
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{1}));
}

TEST_F(KeyMaintenanceTest, DescendingComponentAndLastEntry) {
    addKey(kKeyDuplicates, {{1, true}});
    for (std::int32_t v : {5, -3, 12, 0})
        ASSERT_EQ(maintainKeys(*file, decl, table, nullptr, rec("x", v).data(),
                               static_cast<std::uint32_t>(v + 100), false),
                  0);
    EXPECT_EQ(walk(0), (std::vector<std::uint32_t>{112, 105, 100, 97}));
    PageRecord e;
    bool found = false;
    ASSERT_EQ(lastEntry(*file, table, 0, &e, &found), 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(fromBe32(e.payload), 97u);
    ASSERT_EQ(lastEntry(*file, table, 1, &e, &found), 0);
    EXPECT_FALSE(found);
}

} // namespace
} // namespace zv::storage
