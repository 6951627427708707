#include "byte_stream_driver.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace zv::storage {
namespace {

class ByteStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("zv_stream_" + std::to_string(::getpid()) + ".txt");
        decl_.recordLength = 1;
        decl_.fields.push_back({"IMT:ZNAK", FieldType::String, 0, 1, 1, 0, 0, "@s1", false});
        cb_.decl = &decl_;
        cb_.record = &record_;
        cb_.physicalName = path_.string();
        cb_.accessMode = kAccessRead | kShareDenyNone;
    }
    void TearDown() override { std::filesystem::remove(path_); }

    std::filesystem::path path_;
    TableDecl decl_;
    std::vector<std::uint8_t> record_ = std::vector<std::uint8_t>(1);
    ControlBlock cb_;
    ByteStreamDriver driver_;
};

TEST_F(ByteStreamTest, ReadsATextFileOneBytePerRecord) {
    std::string text(200000, 'a');
    text[0] = 'F';
    text.back() = 'Z';
    std::ofstream(path_, std::ios::binary) << text;
    ASSERT_EQ(driver_.dispatch(DriverOp::Open, cb_), 0);
    ASSERT_EQ(driver_.dispatch(DriverOp::Records, cb_), 0);
    EXPECT_EQ(cb_.answer, 200000);
    ASSERT_EQ(driver_.dispatch(DriverOp::SetRecordStart, cb_), 0);
    std::string back;
    while (driver_.dispatch(DriverOp::Next, cb_) == 0)
        back += static_cast<char>(record_[0]);
    EXPECT_EQ(cb_.error, 33);
    EXPECT_EQ(back, text);
    EXPECT_EQ(driver_.dispatch(DriverOp::Add, cb_), 5); // opened read-only
    EXPECT_EQ(driver_.dispatch(DriverOp::Close, cb_), 0);
}

TEST_F(ByteStreamTest, WritesAndRewritesRecordsAndReportsMissingFiles) {
    ASSERT_EQ(driver_.dispatch(DriverOp::Create, cb_), 0);
    for (char c : std::string("abc")) {
        record_[0] = static_cast<std::uint8_t>(c);
        ASSERT_EQ(driver_.dispatch(DriverOp::Add, cb_), 0);
    }
    cb_.recordNumber = 2;
    ASSERT_EQ(driver_.dispatch(DriverOp::SetRecordNumber, cb_), 0);
    ASSERT_EQ(driver_.dispatch(DriverOp::Next, cb_), 0);
    EXPECT_EQ(record_[0], 'b');
    record_[0] = 'X';
    ASSERT_EQ(driver_.dispatch(DriverOp::Change, cb_), 0);
    ASSERT_EQ(driver_.dispatch(DriverOp::Previous, cb_), 0);
    EXPECT_EQ(record_[0], 'a');
    ASSERT_EQ(driver_.dispatch(DriverOp::Close, cb_), 0);
    std::ifstream in(path_, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "aXc");

    cb_.physicalName = (path_.string() + ".absent");
    EXPECT_EQ(driver_.dispatch(DriverOp::Open, cb_), 2);
    cb_.physicalName.clear();
    EXPECT_EQ(driver_.dispatch(DriverOp::Open, cb_), 45);
    EXPECT_EQ(driver_.dispatch(DriverOp::Next, cb_), 37);
}

} // namespace
} // namespace zv::storage
