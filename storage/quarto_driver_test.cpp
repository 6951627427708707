#include "storage/quarto_driver.h"

#include "platform/byte_lock.h"
#include "platform/codepage.h"
#include "storage/coding.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/quarto_internal.h"
#include "storage/table_records.h"
#include "storage/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zv::storage {
namespace {

// ID LONG @0, NAME STRING(20) @4, CITY STRING(10) @24; keys BYID (unique),
// BYNAME (duplicates, case-insensitive); one text memo of 600 bytes.
TableDecl firmDecl() {
    TableDecl d;
    d.recordLength = 34;
    d.fields = {plainField("FIR:ID", FieldType::Long, 0, 4),
                plainField("FIR:NAME", FieldType::String, 4, 20),
                plainField("FIR:CITY", FieldType::String, 24, 10)};
    d.memos = {MemoDecl{"NOTE", "FIR:NOTE", 600, false}};
    d.keys = {KeyDecl{"BYID", "FIR:BYID", 0, {{0, false}}},
              KeyDecl{"BYNAME", "FIR:BYNAME", kKeyDuplicates | kKeyNoCase, {{1, false}}}};
    return d;
}

class Handle {
public:
    Handle(QuartoDriver& drv, const TableDecl& decl, const std::string& name) : drv_(drv) {
        cb.decl = &decl;
        cb.physicalName = name;
        cb.record = &record;
        cb.memos = &memos;
        record.assign(decl.recordLength, ' ');
        memos.assign(decl.memos.size(), {});
    }
    int op(DriverOp o) { return drv_.dispatch(o, cb); }
    int op(DriverOp o, int key) {
        cb.keyNumber = key;
        return drv_.dispatch(o, cb);
    }
    void set(std::int32_t id, const std::string& name, const std::string& city = "") {
        record.assign(record.size(), ' ');
        std::memcpy(record.data(), &id, 4);
        std::memcpy(record.data() + 4, name.data(), std::min<std::size_t>(name.size(), 20));
        std::memcpy(record.data() + 24, city.data(), std::min<std::size_t>(city.size(), 10));
    }
    std::int32_t id() const {
        std::int32_t v;
        std::memcpy(&v, record.data(), 4);
        return v;
    }
    std::string name() const {
        std::string s(record.begin() + 4, record.begin() + 24);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    // Ids in the order of key `key` (-1: record-number order).
    std::vector<int> ids(int key) {
        if (key < 0)
            op(DriverOp::SetRecordStart);
        else
            op(DriverOp::SetKeyStart, key);
        std::vector<int> out;
        while (op(DriverOp::Next) == 0)
            out.push_back(id());
        return out;
    }
    std::int64_t records() {
        EXPECT_EQ(op(DriverOp::Records), 0);
        return cb.answer;
    }

    ControlBlock cb;
    std::vector<std::uint8_t> record;
    std::vector<std::vector<std::uint8_t>> memos;

private:
    QuartoDriver& drv_;
};

class QuartoDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvquartoXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        EXPECT_EQ(openPhysicalFiles(), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    std::unique_ptr<Handle> created(const std::string& name, const TableDecl& d) {
        auto h = std::make_unique<Handle>(drv, d, dir + "/" + name);
        EXPECT_EQ(h->op(DriverOp::Create), 0);
        EXPECT_EQ(h->op(DriverOp::Open), 0);
        return h;
    }
    std::string fileBytes(const std::string& name, std::size_t at, std::size_t n) {
        std::string s(n, '\0');
        int fd = ::open((dir + "/" + name).c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(pread(fd, s.data(), n, static_cast<off_t>(at)), static_cast<ssize_t>(n));
        close(fd);
        return s;
    }

    QuartoDriver drv;
    TableDecl decl = firmDecl();
    std::string dir;
};

TEST_F(QuartoDriverTest, RecordsComeBackInEveryOrder) {
    auto h = created("firms", decl);
    const char* names[] = {"delta", "Alpha", "charlie", "BRAVO", "alpha"};
    for (int i = 0; i < 5; ++i) {
        h->set(50 - i, names[i]);
        ASSERT_EQ(h->op(DriverOp::Add), 0) << i;
    }
    EXPECT_EQ(h->records(), 5);
    EXPECT_EQ(h->ids(-1), (std::vector<int>{50, 49, 48, 47, 46}));
    EXPECT_EQ(h->ids(0), (std::vector<int>{46, 47, 48, 49, 50}));
    EXPECT_EQ(h->ids(1), (std::vector<int>{49, 46, 47, 48, 50})); // alpha twice, by adding order
    // Backward from the end, and 33 past the first.
    ASSERT_EQ(h->op(DriverOp::SetKeyEnd, 0), 0);
    ASSERT_EQ(h->op(DriverOp::Previous), 0);
    EXPECT_EQ(h->id(), 50);
    // A key value beyond the last gives 33 at the first read.
    h->set(99, "zzz");
    ASSERT_EQ(h->op(DriverOp::SetKeyValue, 0), 0);
    EXPECT_EQ(h->op(DriverOp::Next), 33);
    h->set(48, "");
    ASSERT_EQ(h->op(DriverOp::SetKeyValue, 0), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->name(), "charlie");
    // A saved position returns to the same record in the same order.
    ASSERT_EQ(h->op(DriverOp::SetKeyStart, 1), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    std::vector<std::uint8_t> saved = h->cb.position;
    int savedId = h->id();
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    h->cb.position = saved;
    ASSERT_EQ(h->op(DriverOp::ResetPosition), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), savedId);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->name(), "BRAVO");
    // Skip and the tests for a next or previous record.
    ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
    h->cb.count = 2;
    ASSERT_EQ(h->op(DriverOp::SkipRecords), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), 48);
    ASSERT_EQ(h->op(DriverOp::TestPrevious), 0);
    EXPECT_EQ(h->cb.answer, 1);
    ASSERT_EQ(h->op(DriverOp::SetRecordNumberBack), 0); // no number: the end
    ASSERT_EQ(h->op(DriverOp::TestNext), 0);
    EXPECT_EQ(h->cb.answer, 0);
    // Get by key.
    h->set(0, "ALPHA");
    ASSERT_EQ(h->op(DriverOp::GetByKey, 1), 0);
    EXPECT_EQ(h->id(), 49);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    EXPECT_EQ(fileBytes("firms.QTF", 14, 4), "qUaR");
}

TEST_F(QuartoDriverTest, EmptyTableGives33AtOnce) {
    auto h = created("empty", decl);
    EXPECT_EQ(h->ids(-1).size(), 0u);
    ASSERT_EQ(h->op(DriverOp::SetKeyStart, 1), 0);
    EXPECT_EQ(h->op(DriverOp::Next), 33);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, DuplicateAddLeavesTheTableUnchanged) {
    auto h = created("dup", decl);
    h->set(1, "one");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    h->set(1, "another");
    h->memos[0].assign(10, 'm');
    EXPECT_EQ(h->op(DriverOp::Add), 40);
    EXPECT_EQ(h->records(), 1);
    EXPECT_EQ(h->ids(1), (std::vector<int>{1}));
    h->cb.keyNumber = 1;
    ASSERT_EQ(h->op(DriverOp::KeyRecords), 0);
    EXPECT_EQ(h->cb.answer, 1);
    h->set(1, "x"); // the current record's own value is no duplicate
    ASSERT_EQ(h->op(DriverOp::TestDuplicate, 0), 0);
    EXPECT_EQ(h->cb.answer, 0);
    h->set(2, "two");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    h->set(1, "x");
    ASSERT_EQ(h->op(DriverOp::TestDuplicate, 0), 0);
    EXPECT_EQ(h->cb.answer, 1);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, ChangeDeleteAndMemos) {
    auto h = created("chg", decl);
    h->set(1, "one");
    h->memos[0].assign(600, ' ');
    std::memcpy(h->memos[0].data(), "a note", 6);
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    h->set(2, "two");
    std::string longNote(600, 'n');
    h->memos[0].assign(longNote.begin(), longNote.end());
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(std::string(h->memos[0].begin(), h->memos[0].begin() + 7), "a note ");
    h->set(1, "uno");
    ASSERT_EQ(h->op(DriverOp::Change), 0);
    EXPECT_EQ(h->ids(1), (std::vector<int>{2, 1})); // "two" before "uno"
    h->set(0, "UNO");
    ASSERT_EQ(h->op(DriverOp::GetByKey, 1), 0);
    EXPECT_EQ(h->op(DriverOp::Next), 33);
    ASSERT_EQ(h->op(DriverOp::GetByKey, 1), 0);
    ASSERT_EQ(h->op(DriverOp::Previous), 0);
    EXPECT_EQ(h->id(), 2);
    EXPECT_EQ(std::string(h->memos[0].begin(), h->memos[0].end()), longNote);
    ASSERT_EQ(h->op(DriverOp::Delete), 0);
    EXPECT_EQ(h->op(DriverOp::Delete), 33); // no current record
    EXPECT_EQ(h->ids(0), (std::vector<int>{1}));
    EXPECT_EQ(h->records(), 1);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, ATextMemoIsStoredWithoutItsTrailingBlanks) {
    auto h = created("blanks", decl);
    // Texts ending at every place within and across eight-byte steps, with
    // blanks inside them too.
    std::vector<std::string> texts;
    for (std::size_t n = 0; n <= 40; ++n) {
        std::string text(n, ' ');
        for (std::size_t i = 0; i < n; i += 3)
            text[i] = static_cast<char>('a' + i % 26);
        if (n) text[n - 1] = 'z';
        texts.push_back(text);
        h->set(static_cast<std::int32_t>(n + 1), "firm");
        h->memos[0].assign(600, ' ');
        std::memcpy(h->memos[0].data(), text.data(), text.size());
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    EXPECT_EQ(h->op(DriverOp::Close), 0);

    std::unique_ptr<NativeFile> f;
    NativeFile::Options ro;
    ro.readOnly = true;
    ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), dir + "/blanks.QTF", false, ro, &f), 0);
    std::uint32_t table = 0;
    bool found = false;
    ASSERT_EQ(findTable(*f, "UNNAMED", &table, &found), 0);
    ASSERT_TRUE(found);
    // The records in number order hold the texts in the order added.
    PageRecord r;
    std::string at = dataKey(table, 0);
    for (std::size_t n = 0; n < texts.size(); ++n) {
        ASSERT_EQ(f->successor(at, &r, &found), 0);
        ASSERT_TRUE(found && r.key.compare(0, 5, at, 0, 5) == 0);
        at = r.key;
        std::string stored = "x";
        ASSERT_EQ(readMemoText(*f, table, decl, fromBe32(r.key, 5), 0, &stored, nullptr), 0);
        EXPECT_EQ(stored, texts[n]) << n;
    }
}

TEST_F(QuartoDriverTest, TwoTablesOfOneFileShareTheFileObject) {
    auto a = created("x.ems\\!ADRESY", decl);
    auto b = created("x.ems\\!osoby", decl);
    EXPECT_EQ(openPhysicalFiles(), 1);
    a->set(1, "firm");
    ASSERT_EQ(a->op(DriverOp::Add), 0);
    b->set(7, "person");
    ASSERT_EQ(b->op(DriverOp::Add), 0);
    EXPECT_EQ(a->ids(0), (std::vector<int>{1}));
    EXPECT_EQ(b->ids(0), (std::vector<int>{7}));
    // Listing the tables.
    a->cb.text = "PNM=";
    ASSERT_EQ(a->op(DriverOp::Command), 0);
    EXPECT_EQ(a->cb.answerText, "ADRESY");
    a->cb.text = "PNM=ADRESY";
    ASSERT_EQ(a->op(DriverOp::Command), 0);
    EXPECT_EQ(a->cb.answerText, "OSOBY");
    // Replacing ADRESY leaves OSOBY alone.
    EXPECT_EQ(a->op(DriverOp::Close), 0);
    Handle again(drv, decl, dir + "/x.ems\\!ADRESY");
    ASSERT_EQ(again.op(DriverOp::Create), 0);
    ASSERT_EQ(again.op(DriverOp::Open), 0);
    EXPECT_EQ(again.records(), 0);
    EXPECT_EQ(b->ids(0), (std::vector<int>{7}));
    EXPECT_EQ(again.op(DriverOp::Close), 0);
    EXPECT_EQ(b->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, NameWithoutTableOpensUnnamedOfTheQtfFile) {
    auto h = created("plain", decl);
    EXPECT_EQ(reportedName(h->cb), dir + "/plain.QTF");
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    struct stat st {};
    EXPECT_EQ(stat((dir + "/plain.QTF").c_str(), &st), 0);
    Handle u(drv, decl, dir + "/plain.QTF\\!unnamed");
    EXPECT_EQ(u.op(DriverOp::Open), 0);
    EXPECT_EQ(u.op(DriverOp::Close), 0);
    Handle missing(drv, decl, dir + "/plain\\!OTHER");
    EXPECT_EQ(missing.op(DriverOp::Open), 2);
    Handle empty(drv, decl, "");
    EXPECT_EQ(empty.op(DriverOp::Open), 45);
}

TEST_F(QuartoDriverTest, DeclarationDifferingInNamesOpensInSizesIsRefused) {
    auto h = created("decl", decl);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    TableDecl renamed = decl;
    renamed.fields[1].name = "FIR:JMENO";
    renamed.keys[1].flags |= kKeyPrimary;
    Handle a(drv, renamed, dir + "/decl");
    EXPECT_EQ(a.op(DriverOp::Open), 0);
    EXPECT_EQ(a.op(DriverOp::Close), 0);
    TableDecl resized = decl;
    resized.fields[2].size = 9;
    Handle b(drv, resized, dir + "/decl");
    EXPECT_EQ(b.op(DriverOp::Open), 47);
    TableDecl noCreate = decl;
    noCreate.createAllowed = false;
    Handle c(drv, noCreate, dir + "/never");
    EXPECT_EQ(c.op(DriverOp::Create), 54);
}

TEST_F(QuartoDriverTest, BatchAddsAreCommittedOnceWhenTheBatchEnds) {
    auto h = created("batch", decl);
    std::string before = fileBytes("batch.QTF", 24, 4);
    h->cb.runFlags |= kRunBatch;
    for (int i = 0; i < 20; ++i) {
        h->set(i, "n" + std::to_string(i));
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    EXPECT_EQ(fileBytes("batch.QTF", 24, 4), before);
    h->cb.runFlags &= ~static_cast<std::uint32_t>(kRunBatch);
    ASSERT_EQ(h->op(DriverOp::Flush), 0);
    EXPECT_EQ(h->records(), 20);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    // Closed, the file names no log: its header counts the commits.
    std::string after = fileBytes("batch.QTF", 24, 4);
    EXPECT_EQ(getLe32(bytes(after)), getLe32(bytes(before)) + 1);
}

TEST_F(QuartoDriverTest, AddWithoutKeysThenBuild) {
    auto h = created("build", decl);
    for (int i = 3; i >= 1; --i) {
        h->set(i, "b");
        ASSERT_EQ(h->op(DriverOp::AddWithoutKeys), 0);
    }
    EXPECT_TRUE(h->ids(0).empty());
    ASSERT_EQ(h->op(DriverOp::BuildAll), 0);
    EXPECT_EQ(h->ids(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(h->ids(1).size(), 3u);
    // A duplicate met while building is reported.
    h->set(2, "dup");
    ASSERT_EQ(h->op(DriverOp::AddWithoutKeys), 0);
    EXPECT_EQ(h->op(DriverOp::BuildKey, 0), 40);
    h->cb.text = "FULLBUILD=ON";
    ASSERT_EQ(h->op(DriverOp::Command), 0);
    EXPECT_EQ(h->cb.answerText, "ON");
    EXPECT_EQ(h->op(DriverOp::BuildAll), 40);
    h->cb.text = "FULLBUILD";
    ASSERT_EQ(h->op(DriverOp::Command), 0);
    EXPECT_EQ(h->cb.answerText, "OFF");
    EXPECT_EQ(h->ids(1).size(), 4u);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

// Text keys in Czech order: the file keeps the order it was made or last
// rebuilt with, whatever order a later declaration asks for; a full rebuild
// takes the declared order and the file stays sound.
TEST_F(QuartoDriverTest, CzechOrderIsTheFilesOwnUntilAFullRebuild) {
    TableDecl czech = decl;
    czech.keys[1].flags |= kKeyCzech;
    const std::vector<std::string> names = {"Zeman", "Čapek", "Cyril",   "Chalupa", "Hruška",
                                            "Ivan",  "Dub",   "Ďáblice", "čermák"};
    auto h = created("cz", czech);
    for (std::size_t i = 0; i < names.size(); ++i) {
        h->set(static_cast<int>(i + 1), cp1250::fromUtf8(names[i]));
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    const std::vector<int> inCzech = {3, 2, 9, 8, 7, 5, 4, 6, 1};
    const std::vector<int> inBytes = {4, 3, 7, 5, 6, 1, 2, 9, 8}; // upper case, Č and Ď after Z
    EXPECT_EQ(h->ids(1), inCzech);
    h->cb.text = "ORDER";
    ASSERT_EQ(h->op(DriverOp::Command), 0);
    EXPECT_EQ(h->cb.answerText, "CZ");
    // A located prefix finds its first name: "Č" lands at Čapek, "ch" at Chalupa.
    for (auto [typed, id] : {std::pair{"Č", 2}, std::pair{"ch", 4}, std::pair{"d", 8}}) {
        h->set(0, cp1250::fromUtf8(typed));
        ASSERT_EQ(h->op(DriverOp::SetKeyValue, 1), 0) << typed;
        ASSERT_EQ(h->op(DriverOp::Next), 0) << typed;
        EXPECT_EQ(h->id(), id) << typed;
    }
    EXPECT_EQ(h->op(DriverOp::Close), 0);

    // Opened by a byte-order declaration: still in Czech order, and changes keep it.
    Handle bytes(drv, decl, dir + "/cz");
    ASSERT_EQ(bytes.op(DriverOp::Open), 0);
    EXPECT_EQ(bytes.ids(1), inCzech);
    bytes.set(10, cp1250::fromUtf8("Bárta"));
    ASSERT_EQ(bytes.op(DriverOp::Add), 0);
    EXPECT_EQ(bytes.ids(1).front(), 10);
    bytes.set(10, "");
    ASSERT_EQ(bytes.op(DriverOp::GetByKey, 0), 0);
    ASSERT_EQ(bytes.op(DriverOp::Delete), 0);
    EXPECT_EQ(bytes.ids(1), inCzech);
    // A key built alone keeps the stored order; the full rebuild takes bytes.
    ASSERT_EQ(bytes.op(DriverOp::BuildKey, 1), 0);
    EXPECT_EQ(bytes.ids(1), inCzech);
    bytes.cb.text = "FULLBUILD=ON";
    ASSERT_EQ(bytes.op(DriverOp::Command), 0);
    ASSERT_EQ(bytes.op(DriverOp::BuildAll), 0);
    EXPECT_EQ(bytes.ids(1), inBytes);
    bytes.cb.text = "ORDER";
    ASSERT_EQ(bytes.op(DriverOp::Command), 0);
    EXPECT_EQ(bytes.cb.answerText, "BYTES");
    EXPECT_EQ(bytes.op(DriverOp::Close), 0);

    // And back to Czech by a full rebuild under the Czech declaration.
    Handle again(drv, czech, dir + "/cz");
    ASSERT_EQ(again.op(DriverOp::Open), 0);
    EXPECT_EQ(again.ids(1), inBytes);
    again.cb.text = "FULLBUILD=ON";
    ASSERT_EQ(again.op(DriverOp::Command), 0);
    ASSERT_EQ(again.op(DriverOp::BuildAll), 0);
    EXPECT_EQ(again.ids(1), inCzech);
    EXPECT_EQ(again.op(DriverOp::Close), 0);

    std::unique_ptr<NativeFile> f;
    ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), dir + "/cz.QTF", false, {}, &f), 0);
    std::vector<TableEntry> tables;
    ASSERT_EQ(listTables(*f, &tables), 0);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(checkTable(*f, tables[0]), "");
}

TEST_F(QuartoDriverTest, EmptyRemovesEveryRecord) {
    auto h = created("emp", decl);
    for (int i = 0; i < 30; ++i) {
        h->set(i, "e");
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    ASSERT_EQ(h->op(DriverOp::Empty), 0);
    EXPECT_EQ(h->records(), 0);
    EXPECT_TRUE(h->ids(1).empty());
    h->set(1, "again");
    EXPECT_EQ(h->op(DriverOp::Add), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, ChangeCheckRefusesARecordChangedMeanwhile) {
    auto a = created("watch", decl);
    a->set(1, "first");
    ASSERT_EQ(a->op(DriverOp::Add), 0);
    Handle b(drv, decl, dir + "/watch");
    ASSERT_EQ(b.op(DriverOp::Open), 0);
    ASSERT_EQ(a->op(DriverOp::Watch), 0);
    ASSERT_EQ(a->op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(a->op(DriverOp::Next), 0);
    ASSERT_EQ(b.op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(b.op(DriverOp::Next), 0);
    b.set(1, "by b");
    ASSERT_EQ(b.op(DriverOp::Change), 0);
    a->set(1, "by a");
    EXPECT_EQ(a->op(DriverOp::Change), 89);
    ASSERT_EQ(a->op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(a->op(DriverOp::Next), 0);
    EXPECT_EQ(a->name(), "by b");
    EXPECT_EQ(b.op(DriverOp::Close), 0);
    EXPECT_EQ(a->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, TransactionCommitsOrRollsBackAllFiles) {
    auto a = created("ta", decl);
    auto b = created("tb", decl);
    for (bool commit : {false, true}) {
        ASSERT_EQ(a->op(DriverOp::BeginTransaction), 0);
        ASSERT_EQ(b->op(DriverOp::BeginTransaction), 0);
        a->set(1, "a");
        ASSERT_EQ(a->op(DriverOp::Add), 0);
        b->set(2, "b");
        ASSERT_EQ(b->op(DriverOp::Add), 0);
        ASSERT_EQ(a->op(commit ? DriverOp::CommitTransaction : DriverOp::RollbackTransaction), 0);
        EXPECT_EQ(a->records(), commit ? 1 : 0);
        EXPECT_EQ(b->records(), commit ? 1 : 0);
    }
    // The control file lies beside the data files and holds no transaction.
    struct stat st {};
    EXPECT_EQ(stat((dir + "/quarto.tcf").c_str(), &st), 0);
    EXPECT_EQ(a->op(DriverOp::Close), 0);
    EXPECT_EQ(b->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, CopyAndRenameTables) {
    auto src = created("src.ems\\!FIRMY", decl);
    for (int i = 1; i <= 5; ++i) {
        src->set(i, "n" + std::to_string(i));
        src->memos[0].assign(4, static_cast<std::uint8_t>('a' + i));
        ASSERT_EQ(src->op(DriverOp::Add), 0);
    }
    // A target file whose counter is already ahead.
    auto other = created("dst.ems\\!OTHER", decl);
    for (int i = 1; i <= 7; ++i) {
        other->set(i, "o");
        ASSERT_EQ(other->op(DriverOp::Add), 0);
    }
    src->cb.text = dir + "/dst.ems\\!KOPIE";
    ASSERT_EQ(src->op(DriverOp::Copy), 0);
    Handle copy(drv, decl, dir + "/dst.ems\\!KOPIE");
    ASSERT_EQ(copy.op(DriverOp::Open), 0);
    EXPECT_EQ(copy.records(), 5);
    EXPECT_EQ(copy.ids(0), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(copy.ids(1).size(), 5u);
    EXPECT_GT(copy.cb.currentRecord, 7u); // numbers moved above the target's counter
    EXPECT_EQ(copy.memos[0][0], 'a' + 5);
    copy.set(6, "new");
    ASSERT_EQ(copy.op(DriverOp::Add), 0);
    // Rename inside one file; an existing target is refused.
    src->cb.text = dir + "/src.ems\\!RENAMED";
    ASSERT_EQ(src->op(DriverOp::Rename), 0);
    Handle renamed(drv, decl, dir + "/src.ems\\!RENAMED");
    ASSERT_EQ(renamed.op(DriverOp::Open), 0);
    EXPECT_EQ(renamed.ids(0), (std::vector<int>{1, 2, 3, 4, 5}));
    renamed.cb.text = dir + "/dst.ems\\!OTHER";
    EXPECT_EQ(renamed.op(DriverOp::Rename), 5);
    EXPECT_EQ(src->op(DriverOp::Close), 0);
    Handle gone(drv, decl, dir + "/src.ems\\!FIRMY");
    EXPECT_EQ(gone.op(DriverOp::Open), 2);
    for (Handle* h : {&copy, &renamed})
        EXPECT_EQ(h->op(DriverOp::Close), 0);
    EXPECT_EQ(other->op(DriverOp::Close), 0);
    std::unique_ptr<NativeFile> f;
    ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), dir + "/dst.ems", false, {}, &f), 0);
    EXPECT_EQ(f->check(), "");
    std::vector<TableEntry> tables;
    ASSERT_EQ(listTables(*f, &tables), 0);
    ASSERT_EQ(tables.size(), 2u);
    for (const auto& t : tables)
        EXPECT_EQ(checkTable(*f, t), "") << t.name;
    // A damaged key is found: drop one entry behind the driver's back.
    PageRecord e;
    bool found = false;
    ASSERT_EQ(firstEntry(*f, tables[0].number, 0, &e, &found), 0);
    ASSERT_TRUE(found);
    ASSERT_EQ(f->remove(e.key, &found), 0);
    ASSERT_EQ(f->commit(), 0);
    EXPECT_NE(checkTable(*f, tables[0]), "");
}

TEST_F(QuartoDriverTest, WholeFileCopyWithoutTableNames) {
    auto h = created("whole", decl);
    h->set(1, "w");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    h->cb.text = dir + "/whole2";
    ASSERT_EQ(h->op(DriverOp::Copy), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    Handle c(drv, decl, dir + "/whole2");
    ASSERT_EQ(c.op(DriverOp::Open), 0);
    EXPECT_EQ(c.ids(0), (std::vector<int>{1}));
    EXPECT_EQ(c.op(DriverOp::Close), 0);
}

// ---------------------------------------------------------------------------
// Several processes

// Runs `body` in a child process and returns its exit code.
template <typename F> int inChild(F body) {
    pid_t pid = fork();
    if (pid == 0) {
        forgetOpenFilesAfterFork();
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// A child that holds (or locks) and waits for the parent over a pipe.
class Partner {
public:
    template <typename F> explicit Partner(F body) {
        EXPECT_EQ(pipe(toChild_), 0);
        EXPECT_EQ(pipe(toParent_), 0);
        pid_ = fork();
        if (pid_ == 0) {
            forgetOpenFilesAfterFork();
            int rc = body();
            char c = static_cast<char>(rc);
            (void)!write(toParent_[1], &c, 1);
            (void)!read(toChild_[0], &c, 1); // wait until told to end
            _exit(0);
        }
        char c = 0;
        EXPECT_EQ(read(toParent_[0], &c, 1), 1);
        ready = c;
    }
    ~Partner() {
        char c = 0;
        (void)!write(toChild_[1], &c, 1);
        int status = 0;
        waitpid(pid_, &status, 0);
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]})
            close(fd);
    }
    int ready = -1; // what the child's body returned

private:
    int toChild_[2]{}, toParent_[2]{};
    pid_t pid_ = -1;
};

// A partner's body: holds the file's first record; 0 when it did.
int holdFirstRecord(const TableDecl& decl, const std::string& path) {
    QuartoDriver d;
    Handle x(d, decl, path);
    if (x.op(DriverOp::Open)) return 1;
    x.cb.seconds = 0;
    if (x.op(DriverOp::HoldNext)) return 2;
    x.op(DriverOp::SetRecordStart);
    return x.op(DriverOp::Next);
}

TEST_F(QuartoDriverTest, HoldsOfAnotherProcess) {
    auto h = created("hold", decl);
    h->set(1, "held");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    {
        Partner other([&] { return holdFirstRecord(decl, dir + "/hold"); });
        ASSERT_EQ(other.ready, 0);
        h->cb.seconds = 0;
        ASSERT_EQ(h->op(DriverOp::HoldNext), 0);
        ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
        EXPECT_EQ(h->op(DriverOp::Next), 43);
        ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
        ASSERT_EQ(h->op(DriverOp::Next), 0); // reading without a hold works
        h->set(1, "changed");
        EXPECT_EQ(h->op(DriverOp::Change), 5);
        EXPECT_EQ(h->op(DriverOp::Delete), 33);
        // Inside a transaction, which keeps every other process out of the
        // file, the hold stands all the same.
        ASSERT_EQ(h->op(DriverOp::BeginTransaction), 0);
        ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
        ASSERT_EQ(h->op(DriverOp::Next), 0);
        h->set(1, "changed");
        EXPECT_EQ(h->op(DriverOp::Change), 5);
        EXPECT_EQ(h->op(DriverOp::Delete), 33);
        ASSERT_EQ(h->op(DriverOp::RollbackTransaction), 0);
    }
    EXPECT_EQ(h->op(DriverOp::Delete), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

// A transaction that found no hold elsewhere tests no record; the next one
// looks again, and a hold begun between the two stands.
TEST_F(QuartoDriverTest, AHoldBegunBetweenTwoTransactionsStands) {
    auto h = created("between", decl);
    h->set(1, "first");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    h->set(2, "second");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    ASSERT_EQ(h->op(DriverOp::BeginTransaction), 0);
    ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    h->set(1, "changed once");
    ASSERT_EQ(h->op(DriverOp::Change), 0);
    ASSERT_EQ(h->op(DriverOp::CommitTransaction), 0);
    {
        Partner other([&] { return holdFirstRecord(decl, dir + "/between"); });
        ASSERT_EQ(other.ready, 0);
        ASSERT_EQ(h->op(DriverOp::BeginTransaction), 0);
        ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
        ASSERT_EQ(h->op(DriverOp::Next), 0);
        h->set(1, "changed twice");
        EXPECT_EQ(h->op(DriverOp::Change), 5);
        // The record nobody holds changes.
        ASSERT_EQ(h->op(DriverOp::Next), 0);
        h->set(2, "changed");
        EXPECT_EQ(h->op(DriverOp::Change), 0);
        ASSERT_EQ(h->op(DriverOp::CommitTransaction), 0);
    }
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, TableLockTimesOutWith32) {
    auto h = created("lock", decl);
    {
        Partner other([&] {
            QuartoDriver d;
            Handle x(d, decl, dir + "/lock");
            if (x.op(DriverOp::Open)) return 1;
            return x.op(DriverOp::LockTable);
        });
        ASSERT_EQ(other.ready, 0);
        h->cb.seconds = 0;
        EXPECT_EQ(h->op(DriverOp::LockTableTimed), 32);
    }
    h->cb.seconds = 1;
    EXPECT_EQ(h->op(DriverOp::LockTableTimed), 0);
    EXPECT_EQ(h->op(DriverOp::UnlockTable), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, ReaderSeesAnotherProcessCommit) {
    auto h = created("share", decl);
    EXPECT_EQ(h->records(), 0);
    for (int round = 1; round <= 3; ++round) {
        int rc = inChild([&] {
            QuartoDriver d;
            Handle x(d, decl, dir + "/share");
            if (x.op(DriverOp::Open)) return 1;
            for (int i = 0; i < 10; ++i) {
                x.set(round * 100 + i, "child");
                if (x.op(DriverOp::Add)) return 2;
            }
            return x.op(DriverOp::Close) ? 3 : 0;
        });
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(h->records(), round * 10);
        EXPECT_EQ(h->ids(0).size(), static_cast<std::size_t>(round * 10));
    }
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

TEST_F(QuartoDriverTest, ParallelWritersAreSerialised) {
    auto h = created("par", decl);
    std::vector<pid_t> kids;
    for (int k = 0; k < 3; ++k) {
        pid_t pid = fork();
        if (pid == 0) {
            forgetOpenFilesAfterFork();
            QuartoDriver d;
            Handle x(d, decl, dir + "/par");
            if (x.op(DriverOp::Open)) _exit(1);
            for (int i = 0; i < 40; ++i) {
                x.set(k * 1000 + i, "w");
                if (x.op(DriverOp::Add)) _exit(2);
                x.op(DriverOp::SetRecordStart);
                if (x.op(DriverOp::Next) != 0) _exit(3);
            }
            _exit(x.op(DriverOp::Close) ? 4 : 0);
        }
        kids.push_back(pid);
    }
    // Another station keeps opening the file meanwhile: an open happens
    // outside the call lock and must not disturb a commit in progress.
    pid_t opener = fork();
    if (opener == 0) {
        forgetOpenFilesAfterFork();
        for (int i = 0; i < 40; ++i) {
            QuartoDriver d;
            Handle x(d, decl, dir + "/par");
            if (x.op(DriverOp::Open)) _exit(1);
            if (x.op(DriverOp::Records) || x.cb.answer < 0 || x.cb.answer > 120) _exit(2);
            if (x.op(DriverOp::Close)) _exit(3);
        }
        _exit(0);
    }
    kids.push_back(opener);
    for (pid_t pid : kids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(h->records(), 120);
    EXPECT_EQ(h->ids(0).size(), 120u);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    std::unique_ptr<NativeFile> f;
    ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), dir + "/par.QTF", false, {}, &f), 0);
    EXPECT_EQ(f->check(), "");
}

TEST_F(QuartoDriverTest, SharingModesOfAnotherProcess) {
    auto h = created("share2", decl);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    Handle denyWrite(drv, decl, dir + "/share2");
    denyWrite.cb.accessMode = kAccessReadWrite | kShareDenyWrite;
    ASSERT_EQ(denyWrite.op(DriverOp::Open), 0);
    auto tryOpen = [&](std::uint16_t mode) {
        return inChild([&] {
            QuartoDriver d;
            Handle x(d, decl, dir + "/share2");
            x.cb.accessMode = mode;
            int rc = x.op(DriverOp::Open);
            if (rc == 0) (void)x.op(DriverOp::Close);
            return rc;
        });
    };
    EXPECT_EQ(tryOpen(kAccessReadWrite | kShareDenyNone), 5); // writing is denied
    EXPECT_EQ(tryOpen(kAccessRead | kShareDenyNone), 0);
    EXPECT_EQ(tryOpen(kAccessRead | kShareDenyWrite), 5); // would deny a writer
    EXPECT_EQ(denyWrite.op(DriverOp::Close), 0);
    EXPECT_EQ(tryOpen(kAccessReadWrite | kShareDenyNone), 0);
}

TEST_F(QuartoDriverTest, TransactionStartWaitsAtMostItsTimeout) {
    auto h = created("tto", decl);
    {
        // Another process in batch writing keeps the file's exclusive lock.
        Partner other([&] {
            QuartoDriver d;
            Handle x(d, decl, dir + "/tto");
            if (x.op(DriverOp::Open)) return 1;
            x.cb.runFlags |= kRunBatch;
            x.set(1, "batch");
            return x.op(DriverOp::Add);
        });
        ASSERT_EQ(other.ready, 0);
        h->cb.seconds = 0;
        EXPECT_EQ(h->op(DriverOp::BeginTransaction), 32);
    }
    h->cb.seconds = 2;
    ASSERT_EQ(h->op(DriverOp::BeginTransaction), 0);
    ASSERT_EQ(h->op(DriverOp::CommitTransaction), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

// A process that dies inside the commit of a transaction over two files.
TEST_F(QuartoDriverTest, TransactionKilledBeforeOrAfterTheCommitPoint) {
    for (int stage : {1, 2}) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        std::string a = "ka" + std::to_string(stage), b = "kb" + std::to_string(stage);
        {
            auto ha = created(a, decl);
            auto hb = created(b, decl);
            ha->set(1, "old");
            ASSERT_EQ(ha->op(DriverOp::Add), 0);
            hb->set(1, "old");
            ASSERT_EQ(hb->op(DriverOp::Add), 0);
            ASSERT_EQ(ha->op(DriverOp::Close), 0);
            ASSERT_EQ(hb->op(DriverOp::Close), 0);
        }
        int rc = inChild([&] {
            QuartoDriver d;
            Handle x(d, decl, dir + "/" + a), y(d, decl, dir + "/" + b);
            if (x.op(DriverOp::Open) || y.op(DriverOp::Open)) return 1;
            x.op(DriverOp::BeginTransaction);
            y.op(DriverOp::BeginTransaction);
            for (int i = 2; i < 60; ++i) {
                x.set(i, "new");
                y.set(i, "new");
                if (x.op(DriverOp::Add) || y.op(DriverOp::Add)) return 2;
            }
            static int killAt;
            killAt = stage;
            testHookTransactionStage = [](int s) {
                if (s == killAt) _exit(0);
            };
            x.op(DriverOp::CommitTransaction);
            return 3; // not reached
        });
        ASSERT_EQ(rc, 0);
        Handle x(drv, decl, dir + "/" + a), y(drv, decl, dir + "/" + b);
        ASSERT_EQ(x.op(DriverOp::Open), 0);
        ASSERT_EQ(y.op(DriverOp::Open), 0);
        std::int64_t want = stage == 1 ? 1 : 59;
        EXPECT_EQ(x.records(), want);
        EXPECT_EQ(y.records(), want);
        EXPECT_EQ(x.ids(0).size(), static_cast<std::size_t>(want));
        EXPECT_EQ(y.ids(1).size(), static_cast<std::size_t>(want));
        EXPECT_EQ(x.op(DriverOp::Close), 0);
        EXPECT_EQ(y.op(DriverOp::Close), 0);
    }
}

// A station that meets another's interrupted commit rolls it forward only when
// no other station is inside a call: a reader holding its shared lock would
// otherwise read pages and the header while they are being rewritten.
TEST_F(QuartoDriverTest, AnInterruptedCommitIsRolledForwardWithEveryReaderKeptOut) {
    {
        auto h = created("roll", decl);
        h->set(1, "old");
        ASSERT_EQ(h->op(DriverOp::Add), 0);
        ASSERT_EQ(h->op(DriverOp::Close), 0);
    }
    Handle other(drv, decl, dir + "/other");
    ASSERT_EQ(other.op(DriverOp::Create), 0);
    int rc = inChild([&] {
        QuartoDriver d;
        Handle x(d, decl, dir + "/roll"), y(d, decl, dir + "/other");
        if (x.op(DriverOp::Open) || y.op(DriverOp::Open)) return 1;
        x.op(DriverOp::BeginTransaction);
        y.op(DriverOp::BeginTransaction);
        x.set(2, "new");
        y.set(2, "new");
        if (x.op(DriverOp::Add) || y.op(DriverOp::Add)) return 2;
        testHookTransactionStage = [](int s) {
            if (s == 2) _exit(0); // after the commit point, nothing applied
        };
        x.op(DriverOp::CommitTransaction);
        return 3;
    });
    ASSERT_EQ(rc, 0);
    auto logInForce = [&] {
        std::string h = fileBytes("roll.QTF", 6, 8);
        return h.substr(0, 4) != h.substr(4, 4);
    };
    ASSERT_TRUE(logInForce());

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t reader = fork();
    if (reader == 0) {
        // A reader inside a call: its shared lock on its own slot.
        int fd = ::open((dir + "/roll.QTF").c_str(), O_RDWR);
        if (fd < 0 || platform::lockRange(fd, quarto::kLockBase + 7, 1, platform::LockKind::Shared))
            _exit(1);
        (void)!write(ready[1], "x", 1);
        usleep(300000);
        bool untouched = logInForce();
        (void)platform::unlockRange(fd, quarto::kLockBase + 7, 1);
        _exit(untouched ? 0 : 2);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    Handle x(drv, decl, dir + "/roll");
    ASSERT_EQ(x.op(DriverOp::Open), 0);
    EXPECT_EQ(x.records(), 2);
    EXPECT_FALSE(logInForce());
    int status = 0;
    waitpid(reader, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "rolled forward under a reader";
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(x.op(DriverOp::Close), 0);
}

// Text of an OEM table is stored in the DOS code page: numbers stay as they
// are, keys order and find by the stored form, every read converts back.
TEST_F(QuartoDriverTest, OemTableStoresTextInTheDosCodePage) {
    TableDecl oem = decl;
    oem.oem = true;
    auto h = created("oem", oem);
    const std::string czech = cp1250::fromUtf8("ěščřžýáíéúůďťň");
    const std::string czechUp = cp1250::fromUtf8("ĚŠČŘŽÝÁÍÉÚŮĎŤŇ");
    // 154 is the Windows-1250 byte of š: the LONG must not be converted.
    const std::pair<int, const char*> rows[] = {
        {154, "šimon"}, {2, "žofie"}, {3, "čapek"}, {4, "Adam"}, {5, "ŠIMON"}};
    for (auto [id, name] : rows) {
        h->set(id, cp1250::fromUtf8(name), id == 2 ? czech.substr(0, 10) : czechUp.substr(4, 10));
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    // Upper case by the DOS table groups šimon with ŠIMON; Ž < Č < Š there.
    EXPECT_EQ(h->ids(1), (std::vector<int>{4, 2, 3, 154, 5}));
    ASSERT_EQ(h->op(DriverOp::SetRecordStart), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), 154);
    EXPECT_EQ(h->name(), cp1250::fromUtf8("šimon"));
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(std::string(h->record.begin() + 24, h->record.end()), czech.substr(0, 10));
    h->set(0, cp1250::fromUtf8("šImOn"));
    ASSERT_EQ(h->op(DriverOp::GetByKey, 1), 0);
    EXPECT_EQ(h->id(), 154);
    h->set(0, cp1250::fromUtf8("Čapek"));
    ASSERT_EQ(h->op(DriverOp::SetKeyValue, 1), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), 3);
    // A read with hold and the change check both see the converted record; an
    // unchanged record passes the check.
    ASSERT_EQ(h->op(DriverOp::Watch), 0);
    ASSERT_EQ(h->op(DriverOp::HoldNext), 0);
    ASSERT_EQ(h->op(DriverOp::SetKeyStart, 0), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), 2);
    EXPECT_EQ(h->name(), cp1250::fromUtf8("žofie"));
    h->set(2, czechUp, czechUp.substr(0, 10));
    ASSERT_EQ(h->op(DriverOp::Change), 0);
    h->set(0, cp1250::fromUtf8("ěščřžýáíéúůďťň"));
    ASSERT_EQ(h->op(DriverOp::GetByKey, 1), 0);
    EXPECT_EQ(h->id(), 2);
    EXPECT_EQ(h->name(), czechUp);
    EXPECT_EQ(std::string(h->record.begin() + 24, h->record.end()), czechUp.substr(0, 10));
    EXPECT_EQ(h->op(DriverOp::Close), 0);

    // On disk: the DOS bytes, the number untouched.
    std::unique_ptr<NativeFile> f;
    NativeFile::Options ro;
    ro.readOnly = true;
    ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), dir + "/oem.QTF", false, ro, &f), 0);
    std::uint32_t table = 0;
    bool found = false;
    ASSERT_EQ(findTable(*f, "UNNAMED", &table, &found), 0);
    ASSERT_TRUE(found);
    PageRecord r;
    ASSERT_EQ(f->ceiling(dataKey(table, 0), &r, &found), 0);
    ASSERT_TRUE(found);
    ASSERT_EQ(r.payload.size(), 34u);
    EXPECT_EQ(getLe32(bytes(r.payload)), 154u);
    EXPECT_EQ(r.payload.substr(4, 5), "\xE7imon");
    EXPECT_EQ(r.payload.substr(24, 10), cp852::fromCp1250(czechUp.substr(4, 10)));
    EXPECT_EQ(checkTable(*f, TableEntry{"UNNAMED", table}), "");
}

// The limits a declaration must keep, at create and at open alike.
TEST_F(QuartoDriverTest, DeclarationLimits) {
    auto tryBoth = [&](const TableDecl& d, const std::string& name) {
        Handle h(drv, d, dir + "/" + name);
        int created = h.op(DriverOp::Create);
        int opened = h.op(DriverOp::Open);
        if (opened == 0) {
            EXPECT_EQ(h.op(DriverOp::Close), 0);
        }
        EXPECT_EQ(created, opened) << name;
        return created;
    };
    auto group = [](std::uint16_t offset, std::uint16_t size) {
        FieldDecl f;
        f.name = "G";
        f.type = FieldType::Group;
        f.offset = offset;
        f.size = size;
        return f;
    };
    // Groups within groups, 100 deep, each holding the next; then 101.
    TableDecl nested = decl;
    nested.fields.clear();
    for (int i = 0; i < 100; ++i)
        nested.fields.push_back(group(0, 34));
    for (const FieldDecl& f : decl.fields)
        nested.fields.push_back(f);
    for (KeyDecl& k : nested.keys)
        for (KeyComponent& c : k.components)
            c.field = static_cast<std::uint16_t>(c.field + 100);
    EXPECT_EQ(tryBoth(nested, "deep100"), 0);
    nested.fields.insert(nested.fields.begin(), group(0, 34));
    for (KeyDecl& k : nested.keys)
        for (KeyComponent& c : k.components)
            ++c.field;
    EXPECT_EQ(tryBoth(nested, "deep101"), 75);
    // Many groups side by side nest one deep.
    TableDecl flat = decl;
    for (std::uint16_t i = 0; i < 150; ++i)
        flat.fields.push_back(group(static_cast<std::uint16_t>(4 + i % 30), 1));
    EXPECT_EQ(tryBoth(flat, "flat"), 0);
    // Record length, keys, memos.
    TableDecl longRecord = decl;
    longRecord.recordLength = 15000;
    EXPECT_EQ(tryBoth(longRecord, "len15000"), 0);
    longRecord.recordLength = 15001;
    EXPECT_EQ(tryBoth(longRecord, "len15001"), 47);
    TableDecl keys = decl;
    keys.keys.resize(240, KeyDecl{"K", "FIR:K", kKeyDuplicates, {{2, false}}});
    EXPECT_EQ(tryBoth(keys, "keys240"), 0);
    keys.keys.push_back(keys.keys.back());
    EXPECT_EQ(tryBoth(keys, "keys241"), 47);
    TableDecl memos = decl;
    memos.memos.resize(255, MemoDecl{"M", "FIR:M", 10, false});
    EXPECT_EQ(tryBoth(memos, "memos255"), 0);
    memos.memos.push_back(memos.memos.back());
    EXPECT_EQ(tryBoth(memos, "memos256"), 47);
    // A type the file cannot store: refused unless it only overlays other storage.
    TableDecl dated = decl;
    FieldDecl date;
    date.name = "FIR:DATE";
    date.type = FieldType::Date;
    date.offset = 24;
    date.size = 4;
    dated.fields.push_back(date);
    EXPECT_EQ(tryBoth(dated, "date"), 79);
    dated.fields.back().overlay = true;
    EXPECT_EQ(tryBoth(dated, "dateover"), 0);
}

// A key kept outside the file: no entry reaches the file, yet reading by it
// follows every add, change and delete, of this process and of others.
TEST_F(QuartoDriverTest, KeyKeptOutsideTheFile) {
    TableDecl d = decl;
    d.keys.push_back(KeyDecl{"BYCITY",
                             "FIR:BYCITY",
                             kKeyOutside | kKeyDuplicates | kKeyNoCase,
                             {{2, false}, {0, true}}});
    auto h = created("outside", d);
    const std::pair<int, const char*> rows[] = {
        {1, "Praha"}, {2, "brno"}, {3, "Ostrava"}, {4, "BRNO"}};
    for (auto [id, city] : rows) {
        h->set(id, "f", city);
        ASSERT_EQ(h->op(DriverOp::Add), 0);
    }
    // Built on first use; equal cities by id descending.
    EXPECT_EQ(h->ids(2), (std::vector<int>{4, 2, 3, 1}));
    ASSERT_EQ(h->op(DriverOp::KeyRecords, 2), 0);
    EXPECT_EQ(h->cb.answer, 4);
    h->set(3, "f", "ostrava");
    ASSERT_EQ(h->op(DriverOp::GetByKey, 2), 0);
    EXPECT_EQ(h->id(), 3);
    h->set(3, "f", "Aš");
    ASSERT_EQ(h->op(DriverOp::Change), 0);
    ASSERT_EQ(h->op(DriverOp::SetKeyEnd, 2), 0);
    ASSERT_EQ(h->op(DriverOp::Previous), 0);
    EXPECT_EQ(h->id(), 1);
    ASSERT_EQ(h->op(DriverOp::Delete), 0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 4, 2}));
    // Positioning by value, forward and backward.
    h->set(0x7FFFFFFF, "f", "Brno"); // the highest id comes first (descending)
    ASSERT_EQ(h->op(DriverOp::SetKeyValue, 2), 0);
    ASSERT_EQ(h->op(DriverOp::Next), 0);
    EXPECT_EQ(h->id(), 4);
    h->set(0, "f", "C");
    ASSERT_EQ(h->op(DriverOp::SetKeyValueBack, 2), 0);
    ASSERT_EQ(h->op(DriverOp::Previous), 0);
    EXPECT_EQ(h->id(), 2);
    // A second table object of this process, and another process.
    Handle other(drv, d, dir + "/outside");
    ASSERT_EQ(other.op(DriverOp::Open), 0);
    other.set(5, "f", "Cheb");
    ASSERT_EQ(other.op(DriverOp::Add), 0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 4, 2, 5}));
    ASSERT_EQ(inChild([&] {
                  QuartoDriver dc;
                  Handle x(dc, d, dir + "/outside");
                  if (x.op(DriverOp::Open)) return 1;
                  x.set(6, "f", "Zlín");
                  if (x.op(DriverOp::Add)) return 2;
                  return x.op(DriverOp::Close) ? 3 : 0;
              }),
              0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 4, 2, 5, 6}));
    // A rolled back add leaves the key as it was.
    ASSERT_EQ(h->op(DriverOp::BeginTransaction), 0);
    h->set(7, "f", "Beroun");
    ASSERT_EQ(h->op(DriverOp::Add), 0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 7, 4, 2, 5, 6}));
    ASSERT_EQ(h->op(DriverOp::RollbackTransaction), 0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 4, 2, 5, 6}));
    // Building makes the store afresh; the file never holds an entry.
    ASSERT_EQ(h->op(DriverOp::BuildKey, 2), 0);
    ASSERT_EQ(h->op(DriverOp::BuildAll), 0);
    EXPECT_EQ(h->ids(2), (std::vector<int>{3, 4, 2, 5, 6}));
    EXPECT_EQ(other.op(DriverOp::Close), 0);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
    {
        std::unique_ptr<NativeFile> f;
        ASSERT_EQ(
            NativeFile::open(platform::posixFileSystem(), dir + "/outside.QTF", false, {}, &f), 0);
        std::uint32_t table = 0;
        bool found = false;
        ASSERT_EQ(findTable(*f, "UNNAMED", &table, &found), 0);
        PageRecord e;
        ASSERT_EQ(firstEntry(*f, table, 2, &e, &found), 0);
        EXPECT_FALSE(found);
        ASSERT_EQ(firstEntry(*f, table, 1, &e, &found), 0);
        EXPECT_TRUE(found);
        EXPECT_EQ(checkTable(*f, TableEntry{"UNNAMED", table}), "");
    }
    // Without duplicates a repeated value is reported by the build.
    TableDecl unique = d;
    unique.keys[2].flags = kKeyOutside | kKeyNoCase;
    unique.keys[2].components.resize(1);
    auto u = created("outside2", unique);
    for (auto [id, city] : rows) {
        u->set(id, "f", city);
        ASSERT_EQ(u->op(DriverOp::Add), 0);
    }
    EXPECT_EQ(u->op(DriverOp::BuildKey, 2), 40);
    EXPECT_EQ(u->ids(2), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(u->op(DriverOp::Close), 0);
}

// A file with an owner password is enciphered: nothing of it is readable on
// disk, and it opens only with its password.
TEST_F(QuartoDriverTest, OwnerPasswordEnciphersTheFile) {
    auto opened = [&](const std::string& password) {
        auto h = std::make_unique<Handle>(drv, decl, dir + "/secret.ems\\!FIRMY");
        h->cb.ownerPassword = password;
        return h;
    };
    {
        auto h = opened("Heslo 1");
        ASSERT_EQ(h->op(DriverOp::Create), 0);
        ASSERT_EQ(h->op(DriverOp::Open), 0);
        for (int i = 1; i <= 40; ++i) {
            h->set(i, "Tajemstvi " + std::to_string(i), "Kolin");
            h->memos[0].assign(300, 'm');
            std::memcpy(h->memos[0].data(), "ultrasecret", 11);
            ASSERT_EQ(h->op(DriverOp::Add), 0);
        }
        // Another table of the same open file must give the same password.
        auto other = opened("heslo 1");
        EXPECT_EQ(other->op(DriverOp::Open), 36);
        ASSERT_EQ(h->op(DriverOp::Close), 0);
    }
    std::ifstream in(dir + "/secret.ems", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(raw.size(), 512u);
    EXPECT_EQ(raw.size() % 64, 0u);
    for (const char* plain : {"Tajemstvi", "Kolin", "ultrasecret", "FIRMY", "qUaR", "FIR:NAME"})
        EXPECT_EQ(raw.find(plain), std::string::npos) << plain;
    EXPECT_EQ(opened("")->op(DriverOp::Open), 36);
    EXPECT_EQ(opened("Heslo 2")->op(DriverOp::Open), 36);
    auto h = opened("Heslo 1");
    ASSERT_EQ(h->op(DriverOp::Open), 0);
    EXPECT_EQ(h->records(), 40);
    h->set(7, "");
    ASSERT_EQ(h->op(DriverOp::GetByKey, 0), 0);
    EXPECT_EQ(h->name(), "Tajemstvi 7");
    EXPECT_EQ(std::string(h->memos[0].begin(), h->memos[0].begin() + 11), "ultrasecret");
    ASSERT_EQ(h->op(DriverOp::Delete), 0);
    EXPECT_EQ(h->ids(1).size(), 39u);
    ASSERT_EQ(h->op(DriverOp::Close), 0);
    ASSERT_EQ(h->op(DriverOp::Open), 0);
    EXPECT_EQ(h->records(), 39);
    EXPECT_EQ(h->op(DriverOp::Close), 0);
}

// A rename into another file is one commit of both files: a process that dies
// before the commit point leaves the table where it was, after it where it goes.
TEST_F(QuartoDriverTest, RenameIntoAnotherFileIsAtomic) {
    for (int stage : {0, 1, 2}) {
        SCOPED_TRACE("stage " + std::to_string(stage));
        std::string from = dir + "/from" + std::to_string(stage) + ".ems";
        std::string to = dir + "/to" + std::to_string(stage) + ".ems";
        {
            Handle src(drv, decl, from + "\\!FIRMY");
            ASSERT_EQ(src.op(DriverOp::Create), 0);
            ASSERT_EQ(src.op(DriverOp::Open), 0);
            for (int i = 1; i <= 30; ++i) {
                src.set(i, "r" + std::to_string(i));
                ASSERT_EQ(src.op(DriverOp::Add), 0);
            }
            Handle keep(drv, decl, to + "\\!KEEP");
            ASSERT_EQ(keep.op(DriverOp::Create), 0);
            ASSERT_EQ(src.op(DriverOp::Close), 0);
        }
        int rc = inChild([&] {
            QuartoDriver d;
            Handle x(d, decl, from + "\\!FIRMY");
            if (x.op(DriverOp::Open)) return 1;
            static int killAt;
            killAt = stage;
            testHookTransactionStage = [](int s) {
                if (s == killAt) _exit(0);
            };
            x.cb.text = to + "\\!MOVED";
            if (x.op(DriverOp::Rename)) return 2;
            return x.op(DriverOp::Close) ? 3 : 0;
        });
        ASSERT_EQ(rc, 0);
        bool moved = stage != 1;
        Handle old(drv, decl, from + "\\!FIRMY"), now(drv, decl, to + "\\!MOVED");
        EXPECT_EQ(old.op(DriverOp::Open), moved ? 2 : 0);
        EXPECT_EQ(now.op(DriverOp::Open), moved ? 0 : 2);
        Handle& there = moved ? now : old;
        EXPECT_EQ(there.records(), 30);
        EXPECT_EQ(there.ids(0).size(), 30u);
        EXPECT_EQ(there.op(DriverOp::Close), 0);
        for (const std::string& file : {from, to}) {
            std::unique_ptr<NativeFile> f;
            ASSERT_EQ(NativeFile::open(platform::posixFileSystem(), file, false, {}, &f), 0);
            EXPECT_EQ(f->check(), "") << file;
            std::vector<TableEntry> tables;
            ASSERT_EQ(listTables(*f, &tables), 0);
            EXPECT_EQ(tables.size(), file == to ? (moved ? 2u : 1u) : (moved ? 0u : 1u));
            for (const auto& table : tables)
                EXPECT_EQ(checkTable(*f, table), "") << table.name;
        }
    }
}

} // namespace
} // namespace zv::storage
