#include "storage/dbase/dbase_table.h"

#include "platform/codepage.h"
#include "storage/dbase/test_decl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;
using storage::FieldType;
using test::DeclBuilder;
using test::Record;

enum : std::size_t { kName, kPrice, kCount, kDay, kBorn, kFlag, kNote };

storage::TableDecl sampleDecl() {
    return DeclBuilder()
        .field("TST:NAZEV", FieldType::String, 30)
        .field("TST:CENA", FieldType::Real, 8)
        .field("TST:POCET=N(6)", FieldType::Short, 2)
        .field("TST:DEN", FieldType::Date, 4)
        .field("TST:NAROZEN=D", FieldType::Long, 4)
        .field("TST:AKTIVNI", FieldType::Byte, 1)
        .field("TST:POZN", FieldType::Long, 4)
        .memo("TST:POZNAMKA", 5000)
        .build();
}

std::vector<std::uint8_t> readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

class DbaseTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_dbase_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "TABULKA.DBF").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Creates the sample table with n rows: row i has name "Řádek i", price i * 1.25.
    void makeRows(DbaseTable& t, int n, const std::string& memo = {}) {
        ASSERT_EQ(t.create(path_), 0) << t.message();
        ASSERT_EQ(t.open(path_), 0) << t.message();
        Record r(t.declaration());
        std::vector<std::string> memos{memo};
        for (int i = 1; i <= n; ++i) {
            r.clear();
            r.setText(kName, cp1250::fromUtf8("Řádek " + std::to_string(i)));
            r.set<double>(kPrice, i * 1.25);
            r.set<std::int16_t>(kCount, static_cast<std::int16_t>(-i));
            ASSERT_EQ(t.add(r.bytes(), memos), 0) << t.message();
        }
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(DbaseTableTest, WrittenRowsReadBackWithTheirMemos) {
    DbaseTable t(sampleDecl());
    ASSERT_EQ(t.create(path_), 0) << t.message();
    ASSERT_EQ(t.open(path_), 0) << t.message();
    Record r(t.declaration());
    r.setText(kName, cp1250::fromUtf8("Žluťoučký kůň"));
    r.set<double>(kPrice, -1234.56);
    r.set<std::int16_t>(kCount, -32000);
    r.setDate(kDay, 1998, 5, 19);
    r.set<std::int32_t>(kBorn, 72095);
    r.set<std::uint8_t>(kFlag, 1);
    std::string memo;
    while (memo.size() < 3000)
        memo += cp1250::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy.\r\n");
    memo.resize(3000);
    ASSERT_EQ(t.add(r.bytes(), {memo}), 0) << t.message();
    EXPECT_NE(r.get<std::int32_t>(kNote), 0); // the memo's block went into the LONG
    r.clear();
    ASSERT_EQ(t.add(r.bytes(), {""}), 0);
    ASSERT_EQ(t.close(), 0);

    DbaseTable u(sampleDecl());
    ASSERT_EQ(u.open(path_, 0x40), 0) << u.message();
    std::uint32_t count = 0;
    ASSERT_EQ(u.records(count), 0);
    EXPECT_EQ(count, 2u);
    Record back(u.declaration());
    std::vector<std::string> memos;
    ASSERT_EQ(u.setStart(), 0);
    ASSERT_EQ(u.next(back.bytes(), memos), 0) << u.message();
    EXPECT_EQ(cp1250::toUtf8(back.text(kName)), "Žluťoučký kůň" + std::string(17, ' '));
    EXPECT_EQ(back.get<double>(kPrice), -1234.56);
    EXPECT_EQ(back.get<std::int16_t>(kCount), -32000);
    EXPECT_EQ(back.get<std::int32_t>(kBorn), 72095);
    EXPECT_EQ(back.get<std::uint8_t>(kFlag), 1);
    ASSERT_EQ(memos.size(), 1u);
    EXPECT_EQ(memos[0], memo);
    const Position first = u.position();
    EXPECT_FALSE(u.eof());
    ASSERT_EQ(u.next(back.bytes(), memos), 0);
    EXPECT_EQ(back.get<std::int32_t>(kBorn), 0); // empty date stays empty
    EXPECT_EQ(memos[0], "");
    EXPECT_TRUE(u.eof());
    EXPECT_EQ(u.next(back.bytes(), memos), kRecordNotAvailable);
    EXPECT_EQ(u.next(back.bytes(), memos), kRecordNotAvailable);
    ASSERT_EQ(u.previous(back.bytes(), memos), 0);
    EXPECT_EQ(u.position()[3], 2);
    ASSERT_EQ(u.reset(first), 0);
    ASSERT_EQ(u.next(back.bytes(), memos), 0);
    EXPECT_EQ(memos[0], memo);
    // Opened for reading only: no writing.
    EXPECT_EQ(u.add(back.bytes(), memos), kAccessDenied);
    EXPECT_EQ(u.reset(Position{0, 0, 0, 9}), kRecordNotFound);
}

TEST_F(DbaseTableTest, EmptyTableReadsEndAtOnce) {
    DbaseTable t(sampleDecl());
    makeRows(t, 0);
    Record r(t.declaration());
    std::vector<std::string> memos;
    ASSERT_EQ(t.setStart(), 0);
    EXPECT_EQ(t.next(r.bytes(), memos), kRecordNotAvailable);
    EXPECT_TRUE(t.eof());
}

TEST_F(DbaseTableTest, ChangeRewritesTheRowAndReusesMemoBlocks) {
    DbaseTable t(sampleDecl());
    makeRows(t, 2, std::string(1500, 'a'));
    const auto memoSize = fs::file_size(dir_ / "TABULKA.DBT");
    Record r(t.declaration());
    std::vector<std::string> memos;
    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    r.set<double>(kPrice, 99.5);
    memos[0] = "kratší";
    ASSERT_EQ(t.put(r.bytes(), memos), 0) << t.message();
    EXPECT_EQ(fs::file_size(dir_ / "TABULKA.DBT"), memoSize); // fits its old blocks
    memos[0] = std::string(4000, 'b');
    ASSERT_EQ(t.put(r.bytes(), memos), 0);
    EXPECT_GT(fs::file_size(dir_ / "TABULKA.DBT"), memoSize);
    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(r.get<double>(kPrice), 99.5);
    EXPECT_EQ(memos[0], std::string(4000, 'b'));
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(memos[0], std::string(1500, 'a')); // the other row's memo is untouched
    t.clearCurrent();
    EXPECT_EQ(t.put(r.bytes(), memos), kRecordNotAvailable);
}

TEST_F(DbaseTableTest, DeletionMarkHidesRowsUnlessStatusIsIgnored) {
    DbaseTable t(sampleDecl());
    makeRows(t, 3);
    Record r(t.declaration());
    std::vector<std::string> memos;
    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(t.command("DELETED"), ""); // only while the status is ignored
    ASSERT_EQ(t.erase(), 0);
    std::uint32_t count = 0;
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 2u);
    const auto bytes = readBytes(path_);
    EXPECT_EQ(bytes[getU16(bytes.data() + 8) + getU16(bytes.data() + 10)], '*'); // second row

    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(cp1250::toUtf8(r.text(kName)).substr(0, 9), "Řádek 3");

    EXPECT_EQ(t.command("IGNORESTATUS=ON"), "");
    EXPECT_EQ(t.command("IgnoreStatus"), "ON");
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(t.command("DELETED"), "OFF");
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(t.command("DELETED"), "ON");
    EXPECT_EQ(t.command("IGNORESTATUS=no"), "");
    EXPECT_EQ(t.command("IGNORESTATUS"), "OFF");
}

TEST_F(DbaseTableTest, DriverCommands) {
    DbaseTable t(sampleDecl());
    EXPECT_EQ(t.command("REGISTER"), "dBase4");
    EXPECT_EQ(t.command("BUFFERS"), "8");
    EXPECT_EQ(t.command("Buffers=20"), "");
    EXPECT_EQ(t.command("BUFFERS"), "20");
    EXPECT_EQ(t.command("BUFFERS=abc"), "");
    EXPECT_EQ(t.command("BUFFERS"), "20");
    EXPECT_EQ(t.command("EXTERRORS"), "OFF");
    EXPECT_EQ(t.command("EXTERRORS = on"), "");
    EXPECT_EQ(t.command("EXTERRORS"), "ON");
    EXPECT_EQ(t.command("EXTERRORS=1"), "");
    EXPECT_EQ(t.command("EXTERRORS"), "OFF");
    EXPECT_EQ(t.command("BUFF"), "");
    EXPECT_EQ(t.command("nonsense"), "");
    EXPECT_EQ(t.command(""), "");
}

TEST_F(DbaseTableTest, ExtendedErrorsNameTheFileAndTheXbaseError) {
    DbaseTable t(sampleDecl());
    std::vector<std::string> shown;
    t.setNotifier([&](const std::string& m) { shown.push_back(m); });
    EXPECT_EQ(t.open((dir_ / "CHYBI").string()), kFileNotFound);
    EXPECT_EQ(t.message(), "File Not Found");
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(t.command("EXTERRORS=ON"), "");
    EXPECT_EQ(t.open((dir_ / "CHYBI").string()), kFileNotFound);
    EXPECT_EQ(t.message(), "File CHYBI.DBF, xBase Error (5): file not found");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], t.message());
}

TEST_F(DbaseTableTest, BatchWritingUpdatesTheCountWhenItEnds) {
    DbaseTable t(sampleDecl());
    makeRows(t, 1);
    t.beginBatch();
    Record r(t.declaration());
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(t.add(r.bytes(), {""}), 0);
    EXPECT_EQ(getU32(readBytes(path_).data() + 4), 1u);
    ASSERT_EQ(t.endBatch(), 0);
    EXPECT_EQ(getU32(readBytes(path_).data() + 4), 4u);
    t.beginBatch();
    ASSERT_EQ(t.add(r.bytes(), {""}), 0);
    ASSERT_EQ(t.close(), 0); // closing ends the batch
    const auto bytes = readBytes(path_);
    EXPECT_EQ(getU32(bytes.data() + 4), 5u);
    EXPECT_EQ(bytes.back(), kFileEnd);
}

TEST_F(DbaseTableTest, CountDisagreeingWithTheLengthIsRefusedAndRecovered) {
    {
        DbaseTable t(sampleDecl());
        makeRows(t, 3);
        ASSERT_EQ(t.close(), 0);
    }
    auto bytes = readBytes(path_);
    putU32(bytes.data() + 4, 10); // claims more rows than the file holds
    writeBytes(path_, bytes);
    DbaseTable t(sampleDecl());
    EXPECT_EQ(t.open(path_), kInvalidDataFile);
    EXPECT_EQ(t.error().xbase, static_cast<int>(Xbase::FileCorrupted));
    EXPECT_EQ(t.command("Recover=10"), "");
    ASSERT_EQ(t.open(path_), 0) << t.message();
    std::uint32_t count = 0;
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(t.close(), 0);

    // A row cut in half by a crash: the whole rows stay, the half row goes.
    bytes = readBytes(path_);
    bytes.resize(bytes.size() - 1 - 30);
    writeBytes(path_, bytes);
    EXPECT_EQ(t.open(path_), kInvalidDataFile);
    EXPECT_EQ(t.command("RECOVER"), "");
    ASSERT_EQ(t.open(path_), 0);
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 2u);
    // Recovering an open, sound table changes nothing.
    EXPECT_EQ(t.command("RECOVER"), "");
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 2u);
}

TEST_F(DbaseTableTest, BadFilesGiveErrorCodes) {
    DbaseTable t(sampleDecl());
    writeBytes(path_, {});
    EXPECT_EQ(t.open(path_), kInvalidDataFile);
    writeBytes(path_, std::vector<std::uint8_t>(1000, 0xA5));
    EXPECT_EQ(t.open(path_), kInvalidDataFile);
    {
        DbaseTable good(sampleDecl());
        makeRows(good, 2, "poznámka");
        ASSERT_EQ(good.close(), 0);
    }
    const auto bytes = readBytes(path_);
    for (std::size_t n : {10u, 40u, 200u}) {
        writeBytes(path_, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + n));
        EXPECT_EQ(t.open(path_), kInvalidDataFile) << n;
    }
    writeBytes(path_, bytes);
    // Another declaration does not fit the file.
    DbaseTable other(DeclBuilder().field("TST:NAZEV", FieldType::String, 31).build());
    EXPECT_EQ(other.open(path_), kInvalidRecordDeclaration);
    // A damaged memo block reads as an error, not as text.
    auto memo = readBytes(dir_ / "TABULKA.DBT");
    memo[512] = 0;
    writeBytes(dir_ / "TABULKA.DBT", memo);
    ASSERT_EQ(t.open(path_), 0);
    Record r(t.declaration());
    std::vector<std::string> memos;
    EXPECT_EQ(t.next(r.bytes(), memos), kInvalidMemoFile);
    ASSERT_EQ(t.close(), 0);
    fs::remove(dir_ / "TABULKA.DBT");
    EXPECT_EQ(t.open(path_), kMemoFileMissing);
    EXPECT_EQ(t.close(), kFileNotOpen);
}

TEST_F(DbaseTableTest, NumberTooWideForItsColumnIsRefused) {
    DbaseTable t(sampleDecl());
    makeRows(t, 0);
    Record r(t.declaration());
    r.set<double>(kPrice, 12345678.0); // N(9,2) holds at most 999999.99
    EXPECT_EQ(t.add(r.bytes(), {"x"}), kFileSystemError);
    EXPECT_EQ(t.error().xbase, static_cast<int>(Xbase::BadData));
    std::uint32_t count = 9;
    ASSERT_EQ(t.records(count), 0);
    EXPECT_EQ(count, 0u);
}

TEST_F(DbaseTableTest, DeclarationErrorsStopCreate) {
    DbaseTable t(DeclBuilder().field("T:POZN", FieldType::Long, 4).build());
    EXPECT_EQ(t.create(path_), kInvalidRecordDeclaration);
    EXPECT_EQ(t.message(), "You have a field of type LONG with no matching memo");
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(DbaseTableTest, TextDatesAndNumbersUnderPicturesBecomeDatesAndNumbers) {
    const auto decl = DeclBuilder()
                          .field("T:DATUM", FieldType::String, 10, "@d6.")
                          .field("T:DEN", FieldType::String, 11, "@D8")
                          .field("T:CASTKA", FieldType::String, 9, "@n9.2")
                          .field("T:KOD=D", FieldType::String, 8)
                          .build();
    DbaseTable t(decl);
    ASSERT_EQ(t.create(path_), 0) << t.message();
    ASSERT_EQ(t.open(path_), 0) << t.message();
    Record r(decl);
    r.setText(0, "19.05.1998");
    r.setText(1, "19 MAY 1998");
    r.setText(2, "-1234.5");
    r.setText(3, "20000229");
    ASSERT_EQ(t.add(r.bytes(), {}), 0) << t.message();
    r.clear();
    ASSERT_EQ(t.add(r.bytes(), {}), 0) << t.message(); // blanks: no date, zero
    const auto bytes = readBytes(path_);
    const std::size_t row = getU16(bytes.data() + 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + row + 1, 33),
              "1998051919980519 -1234.5020000229");
    std::vector<std::string> memos;
    ASSERT_EQ(t.setStart(), 0);
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(r.text(0), "19.05.1998");
    EXPECT_EQ(r.text(1), "19 May 1998");
    EXPECT_EQ(r.text(2), " -1234.50");
    EXPECT_EQ(r.text(3), "20000229");
    ASSERT_EQ(t.next(r.bytes(), memos), 0);
    EXPECT_EQ(r.text(0), std::string(10, ' '));
    EXPECT_EQ(r.text(2), "     0.00");
}

TEST_F(DbaseTableTest, DbaseThreeMemosAreReadUpToTheirEndMark) {
    // A dBase III table (version 0x83) with one memo column, made byte by byte.
    std::vector<std::uint8_t> dbf(32 + 32 + 1, 0);
    dbf[0] = 0x83;
    putU32(dbf.data() + 4, 1);
    putU16(dbf.data() + 8, 65);
    putU16(dbf.data() + 10, 11);
    std::memcpy(dbf.data() + 32, "POZN", 4);
    dbf[32 + 11] = 'M';
    dbf[32 + 16] = 10;
    dbf[64] = 0x0D;
    const std::string row = "          1";
    dbf.insert(dbf.end(), row.begin(), row.end());
    dbf.push_back(0x1A);
    writeBytes(path_, dbf);
    std::vector<std::uint8_t> dbt(512, 0);
    putU32(dbt.data(), 2);
    const std::string text = "ahoj\r\nsvete\x1A\x1A";
    dbt.insert(dbt.end(), text.begin(), text.end());
    writeBytes(dir_ / "TABULKA.DBT", dbt);

    DbfFile file;
    ASSERT_EQ(file.open(path_, true), Xbase::None);
    std::string memo;
    ASSERT_EQ(file.readMemo(1, memo), Xbase::None);
    EXPECT_EQ(memo, "ahoj\r\nsvete");
    EXPECT_EQ(file.readMemo(7, memo), Xbase::BadData);
    std::uint32_t block = 0;
    EXPECT_EQ(file.writeMemo("x", 0, block), Xbase::ReadOnly);
}

TEST_F(DbaseTableTest, NameWithoutExtensionGetsDbf) {
    DbaseTable t(sampleDecl());
    ASSERT_EQ(t.create((dir_ / "export").string()), 0);
    EXPECT_TRUE(fs::exists(dir_ / "export.DBF"));
    EXPECT_TRUE(fs::exists(dir_ / "export.DBT"));
    ASSERT_EQ(t.create((dir_ / "expzvl.dbf").string()), 0);
    EXPECT_TRUE(fs::exists(dir_ / "expzvl.dbt"));
}

} // namespace
} // namespace zv::dbase
