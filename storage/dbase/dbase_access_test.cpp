// The dBase driver behind the record access services: the export table of firms
// as the data dictionary declares it, written and read through RecordFile.
#include "storage/dbase/dbase_driver.h"

#include "app/shell/access/database.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "storage/dbase/dbf_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;
using rec::ExpDbfRecord;

class DbaseAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zv_dbase_access_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        db_.registerDriver(driver_);
        file_ = &db_.file("ExpDbf");
        file_->setPhysicalName((dir_ / "expzvl.dbf").string());
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    DbaseDriver driver_;
    access::Database db_;
    access::RecordFile* file_ = nullptr;
};

TEST_F(DbaseAccessTest, ExportTableOfFirmsIsWrittenAndReadInRecordOrder) {
    ASSERT_EQ(file_->create(), 0) << db_.error().text << db_.error().driverText;
    ASSERT_EQ(file_->open(access::kOpenDenyWrite), 0) << db_.error().driverText;
    ASSERT_EQ(file_->stream(), 0);
    for (int id = 1; id <= 3; ++id) {
        file_->clearBuffer();
        auto& r = file_->as<ExpDbfRecord>();
        r.ID.set(id);
        r.FIRMA.set(cp1250::fromUtf8("Firma č. " + std::to_string(id)));
        r.MESTO.set(cp1250::fromUtf8("Ústí nad Labem"));
        r.P1.set(id == 2 ? 1 : 0);
        r.DT_VLOZENI.set(1998, 5, 19);
        r.EMAIL.set("info@firma.cz");
        ASSERT_EQ(file_->add(), 0) << db_.error().driverText;
    }
    ASSERT_EQ(file_->flush(), 0);
    EXPECT_EQ(file_->records(), 3);
    ASSERT_EQ(file_->close(), 0);

    std::ifstream in(dir_ / "expzvl.dbf", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 32u);
    EXPECT_EQ(getU32(bytes.data() + 4), 3u);
    EXPECT_EQ(getU16(bytes.data() + 8), 32 + 49 * 32 + 1);
    EXPECT_EQ(getU16(bytes.data() + 10), 869);
    EXPECT_EQ(bytes.size(), 32 + 49 * 32 + 1 + 3 * 869 + 1u);

    ASSERT_EQ(file_->open(), 0);
    ASSERT_EQ(file_->setFile(), 0);
    std::vector<int> ids;
    access::Position second;
    while (file_->next() == 0) {
        const auto& r = file_->as<ExpDbfRecord>();
        ids.push_back(static_cast<int>(r.ID.get()));
        EXPECT_EQ(r.DT_VLOZENI.year(), 1998);
        EXPECT_EQ(r.DT_UPRAVY.year(), 0);
        EXPECT_EQ(cp1250::toUtf8(std::string(r.MESTO.bytes, r.MESTO.bytes + 14)), "Ústí nad Labem");
        if (r.ID.get() == 2) {
            EXPECT_EQ(r.P1.get(), 1);
            second = file_->position(-1);
        }
    }
    EXPECT_EQ(db_.errorCode(), access::kRecordNotAvailable);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(file_->reget(second), 0);
    EXPECT_EQ(file_->as<ExpDbfRecord>().ID.get(), 2.0);
    ASSERT_EQ(file_->remove(), 0);
    EXPECT_EQ(file_->records(), 2);
    std::string answer;
    ASSERT_EQ(file_->send("REGISTER", &answer), 0);
    EXPECT_EQ(answer, "dBase4");
    ASSERT_EQ(file_->close(), 0);
}

TEST_F(DbaseAccessTest, FailuresReachTheErrorStateAndExtendedErrorsTheUser) {
    std::vector<std::string> shown;
    driver_.setNotifier([&](const std::string& m) { shown.push_back(m); });
    EXPECT_EQ(file_->open(), access::kFileNotFound);
    EXPECT_TRUE(shown.empty());
    std::string answer;
    ASSERT_EQ(file_->send("EXTERRORS=ON", &answer), 0);
    EXPECT_EQ(file_->open(), access::kFileNotFound);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "File expzvl.dbf, xBase Error (5): file not found");

    std::ofstream(dir_ / "expzvl.dbf") << "not a table";
    EXPECT_EQ(file_->open(), 36);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "File expzvl.dbf, xBase Error (19): file header length error");

    // A firm number too wide for its column: error 90 with the xBase text.
    ASSERT_EQ(file_->create(), 0);
    ASSERT_EQ(file_->open(), 0);
    ASSERT_EQ(file_->send("EXTERRORS=OFF", &answer), 0);
    file_->clearBuffer();
    file_->as<ExpDbfRecord>().ID.set(1e9);
    EXPECT_EQ(file_->add(), access::kFileSystemError);
    EXPECT_EQ(db_.error().driverText, "bad data");
    EXPECT_EQ(file_->records(), 0);
}

} // namespace
} // namespace zv::dbase
