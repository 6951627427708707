#include "storage/dbase/dbase_driver.h"

#include "storage/dbase/test_decl.h"
#include "storage/dbase/xbase_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;
using storage::ControlBlock;
using storage::DriverOp;
using storage::FieldType;

class DbaseDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_dbase_driver_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        decl_ = test::DeclBuilder()
                    .field("T:JMENO", FieldType::String, 10)
                    .field("T:POZN", FieldType::Long, 4)
                    .memo("T:POZNAMKA", 100)
                    .build();
        record_.assign(decl_.recordLength, 0);
        memos_.assign(1, {});
        cb_.decl = &decl_;
        cb_.physicalName = (dir_ / "TAB").string();
        cb_.record = &record_;
        cb_.memos = &memos_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(DriverOp op) { return driver_.dispatch(op, cb_); }
    void setName(const std::string& s) {
        std::fill(record_.begin(), record_.begin() + 10, ' ');
        std::copy(s.begin(), s.end(), record_.begin());
    }
    std::string name() const { return std::string(record_.begin(), record_.begin() + 10); }

    fs::path dir_;
    storage::TableDecl decl_;
    std::vector<std::uint8_t> record_;
    std::vector<std::vector<std::uint8_t>> memos_;
    ControlBlock cb_;
    DbaseDriver driver_;
};

TEST_F(DbaseDriverTest, RegistrationAndOfferedOperations) {
    EXPECT_EQ(driver_.name(), "dBase4");
    EXPECT_EQ(driver_.description(), "dBase IV File Driver 1.0");
    EXPECT_TRUE(driver_.supports(DriverOp::Add));
    EXPECT_TRUE(driver_.supports(DriverOp::Command));
    // Key operations through the index files; no transactions, no locks.
    EXPECT_TRUE(driver_.supports(DriverOp::SetKeyStart));
    EXPECT_TRUE(driver_.supports(DriverOp::GetByKey));
    EXPECT_FALSE(driver_.supports(DriverOp::BeginTransaction));
    EXPECT_FALSE(driver_.supports(DriverOp::LockTable));
}

TEST_F(DbaseDriverTest, RowsByNumberChangeAndEmpty) {
    ASSERT_EQ(run(DriverOp::Create), 0) << cb_.errorText;
    EXPECT_FALSE(cb_.driverState); // created tables are left closed
    EXPECT_TRUE(fs::exists(dir_ / "TAB.DBF"));
    ASSERT_EQ(run(DriverOp::Open), 0) << cb_.errorText;
    cb_.runFlags = storage::kRunBatch;
    for (const char* n : {"jedna", "dva", "tri"}) {
        setName(n);
        memos_[0].assign(n, n + std::strlen(n));
        ASSERT_EQ(run(DriverOp::Add), 0) << cb_.errorText;
    }
    EXPECT_EQ(cb_.currentRecord, 3u);
    cb_.runFlags = 0;
    ASSERT_EQ(run(DriverOp::Flush), 0);

    cb_.recordNumber = 2;
    setName("DVA");
    memos_[0].clear();
    ASSERT_EQ(run(DriverOp::ChangeByNumber), 0);
    cb_.recordNumber = 2;
    ASSERT_EQ(run(DriverOp::SetRecordNumber), 0);
    ASSERT_EQ(run(DriverOp::Next), 0);
    EXPECT_EQ(cb_.currentRecord, 2u);
    EXPECT_EQ(name(), "DVA       ");
    EXPECT_TRUE(memos_[0].empty());
    ASSERT_EQ(run(DriverOp::TestNext), 0);
    EXPECT_EQ(cb_.answer, 1);
    ASSERT_EQ(run(DriverOp::Next), 0);
    EXPECT_EQ(std::string(memos_[0].begin(), memos_[0].end()), "tri");
    ASSERT_EQ(run(DriverOp::TestNext), 0);
    EXPECT_EQ(cb_.answer, 0);
    cb_.recordNumber = 0;
    ASSERT_EQ(run(DriverOp::SetRecordNumberBack), 0);
    ASSERT_EQ(run(DriverOp::Previous), 0);
    EXPECT_EQ(cb_.currentRecord, 3u);
    cb_.recordNumber = 9;
    EXPECT_EQ(run(DriverOp::ChangeByNumber), kRecordNotAvailable);

    ASSERT_EQ(run(DriverOp::Empty), 0);
    ASSERT_EQ(run(DriverOp::Records), 0);
    EXPECT_EQ(cb_.answer, 0);
    ASSERT_EQ(run(DriverOp::SetRecordStart), 0);
    EXPECT_EQ(run(DriverOp::Next), kRecordNotAvailable);
    ASSERT_EQ(run(DriverOp::Close), 0);
    EXPECT_FALSE(cb_.driverState);
    EXPECT_EQ(run(DriverOp::Next), kFileNotOpen);
}

TEST_F(DbaseDriverTest, SwitchesSetBeforeOpenStay) {
    ASSERT_EQ(run(DriverOp::Create), 0);
    cb_.text = "IGNORESTATUS=ON";
    ASSERT_EQ(run(DriverOp::Command), 0);
    cb_.text = "REGISTER";
    ASSERT_EQ(run(DriverOp::Command), 0);
    EXPECT_EQ(cb_.answerText, "dBase4");
    ASSERT_EQ(run(DriverOp::Open), 0);
    cb_.text = "IGNORESTATUS";
    ASSERT_EQ(run(DriverOp::Command), 0);
    EXPECT_EQ(cb_.answerText, "ON");
}

TEST_F(DbaseDriverTest, RefusedDeclarationsAndNames) {
    cb_.physicalName.clear();
    EXPECT_EQ(run(DriverOp::Open), kInvalidFilename);
    cb_.physicalName = (dir_ / "TAB").string();
    decl_.createAllowed = false;
    EXPECT_EQ(run(DriverOp::Create), 54);
    decl_.createAllowed = true;
    // A key's external name holds its type, expression and filter, nothing else.
    decl_.keys.push_back({"T:BYJMENO", "T:BYJMENO", 0, {{0, false}}});
    EXPECT_EQ(run(DriverOp::Create), kInvalidIndexString);
}

TEST_F(DbaseDriverTest, TablesWithKeysReadInKeyOrderAndRecoverRebuildsTheIndex) {
    decl_.keys.push_back({"[UPPER(JMENO)]", "T:BYJMENO", storage::kKeyDuplicates, {}});
    ASSERT_EQ(run(DriverOp::Create), 0) << cb_.errorText;
    EXPECT_TRUE(fs::exists(dir_ / "TAB.MDX"));
    ASSERT_EQ(run(DriverOp::Open), 0) << cb_.errorText;
    for (const char* n : {"dora", "Cyril", "adam", "Bob", "Adam"}) {
        setName(n);
        memos_[0].assign(n, n + std::strlen(n));
        ASSERT_EQ(run(DriverOp::Add), 0) << cb_.errorText;
    }
    auto readAll = [&](DriverOp step) {
        std::string order;
        while (run(step) == 0)
            order += std::to_string(cb_.currentRecord);
        EXPECT_EQ(cb_.error, kRecordNotAvailable);
        return order;
    };
    cb_.keyNumber = 0;
    ASSERT_EQ(run(DriverOp::SetKeyStart), 0);
    EXPECT_EQ(readAll(DriverOp::Next), "35421");
    ASSERT_EQ(run(DriverOp::SetKeyEnd), 0);
    EXPECT_EQ(readAll(DriverOp::Previous), "12453");
    setName("BOB");
    ASSERT_EQ(run(DriverOp::SetKeyValue), 0);
    EXPECT_EQ(readAll(DriverOp::Next), "421");
    setName("cyril");
    ASSERT_EQ(run(DriverOp::GetByKey), 0);
    EXPECT_EQ(cb_.currentRecord, 2u);
    EXPECT_EQ(name(), "Cyril     ");
    EXPECT_EQ(std::string(memos_[0].begin(), memos_[0].end()), "Cyril");
    setName("Eva");
    EXPECT_EQ(run(DriverOp::GetByKey), kRecordNotFound);
    ASSERT_EQ(run(DriverOp::KeyRecords), 0);
    EXPECT_EQ(cb_.answer, 5);
    ASSERT_EQ(run(DriverOp::BuildAll), 0);

    // The index is lost; RECOVER makes it again from the table.
    ASSERT_EQ(run(DriverOp::Close), 0);
    fs::remove(dir_ / "TAB.MDX");
    fs::copy_file(dir_ / "TAB.DBF", dir_ / "TAB.MDX");
    EXPECT_EQ(run(DriverOp::Open), kInvalidKeyFile);
    cb_.text = "RECOVER";
    ASSERT_EQ(run(DriverOp::Command), 0);
    ASSERT_EQ(run(DriverOp::Open), 0) << cb_.errorText;
    ASSERT_EQ(run(DriverOp::SetKeyStart), 0);
    EXPECT_EQ(readAll(DriverOp::Next), "35421");
    ASSERT_EQ(run(DriverOp::SetRecordStart), 0);
    EXPECT_EQ(readAll(DriverOp::Next), "12345");
}

} // namespace
} // namespace zv::dbase
