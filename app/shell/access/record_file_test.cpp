#include "database.h"
#include "view.h"

#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "testing/memory_driver.h"

#include "storage/quarto_driver.h"

#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

namespace zv::access {
namespace {

using rec::AdresarRecord;

// Every case runs on the in-memory driver and on the native driver with real files.
class RecordAccessTest : public ::testing::TestWithParam<bool> {
protected:
    bool native() const { return GetParam(); }

    void SetUp() override {
        if (native()) {
            dir_ = std::filesystem::temp_directory_path() /
                   ("zv_access_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
            std::filesystem::create_directories(dir_);
            prefix_ = dir_.string() + "/";
            db.registerDriver(quarto);
        } else {
            prefix_ = "data\\";
            db.registerDriver(driver);
        }
        db.setDataPrefix(prefix_);
        adr = &db.file("Adresar");
        ASSERT_EQ(adr->create(), 0);
        ASSERT_EQ(adr->open(), 0);
        byId = adr->keyNumber("ADR:BYID");
        byFirma = adr->keyNumber("adr:byfirma");
        byMesto = adr->keyNumber("BYMESTO");
    }

    int addFirm(int id, std::string_view firma, std::string_view mesto) {
        adr->clearBuffer();
        auto& r = adr->as<AdresarRecord>();
        r.ID.set(id);
        r.FIRMA.set(firma);
        r.MESTO.set(mesto);
        return adr->add();
    }

    std::vector<int> idsInOrder(int key) {
        std::vector<int> ids;
        EXPECT_EQ(adr->setKey(key), 0);
        while (adr->next() == 0)
            ids.push_back(adr->as<AdresarRecord>().ID.get());
        EXPECT_EQ(db.errorCode(), kRecordNotAvailable);
        return ids;
    }

    void TearDown() override {
        if (!native()) return;
        for (const char* label : {"Adresar", "Osoby", "Schuzky"})
            (void)db.file(label).close();
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    std::string prefix_; // the data directory as the program writes it
    testing::MemoryDriver driver;
    storage::QuartoDriver quarto;
    Database db;
    RecordFile* adr = nullptr;
    int byId = -1, byFirma = -1, byMesto = -1;
};

TEST_P(RecordAccessTest, FilesGetTheirPhysicalNamesAndKeysByName) {
    EXPECT_EQ(adr->name(), prefix_ + "ADRESAR");
    EXPECT_EQ(db.file("Vybery").name(), ".\\VYBER");
    EXPECT_EQ(db.file("ExpAdr").name(), "ExpAdr");
    EXPECT_EQ(&db.file("adresar"), adr);
    EXPECT_EQ(db.fileOrNull("Nothing"), nullptr);
    EXPECT_EQ(byId, 0);
    EXPECT_EQ(byFirma, 1);
    EXPECT_EQ(byMesto, 2);
    EXPECT_EQ(adr->keyNumber("OSO:BYID"), -1);
}

TEST(DatabaseTest, AnUnknownLabelEndsTheProgramNamingIt) {
    Database db;
    EXPECT_EQ(db.fileOrNull("Adresa"), nullptr);
    EXPECT_EXIT((void)db.file("Adresa"), ::testing::ExitedWithCode(70),
                "Runtime error.*\"Adresa\"");
}

TEST_P(RecordAccessTest, NextOnAnEmptyFileEndsAtOnce) {
    EXPECT_EQ(adr->setKey(byFirma), 0);
    EXPECT_EQ(adr->next(), kRecordNotAvailable);
    EXPECT_EQ(db.error().text, "Record Not Available");
    EXPECT_EQ(adr->records(), 0);
}

TEST_P(RecordAccessTest, DuplicateFirmAndTownIsRefusedIgnoringCase) {
    ASSERT_EQ(addFirm(1, "Kovo", "Brno"), 0);
    ASSERT_EQ(addFirm(2, "KOVO", "BRNO"), kDuplicateKey);
    EXPECT_EQ(db.error().text, "Creates Duplicate Key");
    EXPECT_TRUE(adr->duplicate(byFirma));
    EXPECT_FALSE(adr->duplicate(byId));
    EXPECT_EQ(db.errorCode(), kDuplicateKey); // asking does not clear the error
    EXPECT_EQ(adr->records(), 1);
    EXPECT_EQ(addFirm(2, "Kovo", "Praha"), 0);
    EXPECT_EQ(adr->records(), 2);
}

TEST_P(RecordAccessTest, BlankOptionalKeysLeaveRecordsOutOfThatOrder) {
    ASSERT_EQ(addFirm(1, "", ""), 0);
    ASSERT_EQ(addFirm(2, "", ""), 0); // any number of nameless firms
    ASSERT_EQ(addFirm(3, "Alfa", "Cheb"), 0);
    EXPECT_EQ(idsInOrder(byFirma), std::vector<int>{3});
    EXPECT_EQ(idsInOrder(byId), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(adr->keyRecords(byFirma), 1);
}

TEST_P(RecordAccessTest, KeyOrdersAndPositioningByValue) {
    ASSERT_EQ(addFirm(3, "Cyril", "Brno"), 0);
    ASSERT_EQ(addFirm(1, "alfa", "Zlín"), 0);
    ASSERT_EQ(addFirm(2, "Beta", "Aš"), 0);
    EXPECT_EQ(idsInOrder(byFirma), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(idsInOrder(byId), (std::vector<int>{1, 2, 3}));

    adr->as<AdresarRecord>().FIRMA.set("B");
    adr->as<AdresarRecord>().MESTO.set("");
    ASSERT_EQ(adr->setKeyValue(byFirma), 0);
    ASSERT_EQ(adr->next(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 2);

    // A value beyond the last key: the first next reports the end.
    adr->as<AdresarRecord>().FIRMA.set("ZZZ");
    ASSERT_EQ(adr->setKeyValue(byFirma), 0);
    EXPECT_EQ(adr->next(), kRecordNotAvailable);

    ASSERT_EQ(adr->setKeyEnd(byFirma), 0);
    ASSERT_EQ(adr->previous(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 3);
}

TEST_P(RecordAccessTest, PositionsReturnToTheSameRecordInAnyOrder) {
    for (int i = 1; i <= 20; ++i)
        ASSERT_EQ(addFirm(i, "Firma " + std::to_string(100 - i), i % 2 ? "Brno" : "Praha"), 0);
    for (int key : {byId, byFirma, byMesto, -1}) {
        if (key < 0)
            ASSERT_EQ(adr->setFile(), 0);
        else
            ASSERT_EQ(adr->setKey(key), 0);
        for (int i = 0; i < 7; ++i)
            ASSERT_EQ(adr->next(), 0);
        const Position pos = adr->position(key);
        const int id = adr->as<AdresarRecord>().ID.get();
        ASSERT_EQ(adr->next(), 0);
        ASSERT_EQ(adr->reset(pos), 0);
        ASSERT_EQ(adr->next(), 0);
        EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), id) << "key " << key;
        adr->clearBuffer();
        ASSERT_EQ(adr->reget(pos), 0);
        EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), id);
    }
}

TEST_P(RecordAccessTest, RegetOfADeletedRecordFailsAndKeepsTheBuffer) {
    ASSERT_EQ(addFirm(1, "A", "X"), 0);
    ASSERT_EQ(addFirm(2, "B", "X"), 0);
    const Position pos = adr->position(byId);
    ASSERT_EQ(adr->remove(), 0);
    adr->as<AdresarRecord>().ID.set(77);
    EXPECT_EQ(adr->reget(pos), kRecordNotFound);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 77);
}

TEST_P(RecordAccessTest, ChangeByAnotherStationIsDetected) {
    if (native()) GTEST_SKIP() << "two processes on native files: see the two-stations tests";
    ASSERT_EQ(addFirm(1, "Kovo", "Brno"), 0);
    ASSERT_EQ(adr->setKey(byId), 0);
    adr->watch();
    ASSERT_EQ(adr->next(), 0);
    ASSERT_TRUE(driver.overwrite("data\\ADRESAR", 1, offsetof(AdresarRecord, ULICE), "Jiná 1"));
    adr->as<AdresarRecord>().ULICE.set("Moje 2");
    EXPECT_EQ(adr->put(), kRecordChanged);
    EXPECT_EQ(db.error().text, "Record Changed By Another Station");
    ASSERT_EQ(adr->setKey(byId), 0);
    ASSERT_EQ(adr->next(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ULICE.trimmed(), "Jiná 1");
}

TEST_P(RecordAccessTest, MemosTravelWithTheirRecords) {
    auto& sch = db.file("Schuzky");
    ASSERT_EQ(sch.create(), 0);
    ASSERT_EQ(sch.open(), 0);
    sch.clearBuffer();
    auto& r = sch.as<rec::SchuzkyRecord>();
    r.ID.set(5);
    const std::string note(4999, 'n');
    r.Pozn.set(note + "overflow");
    ASSERT_EQ(sch.add(), 0);
    sch.clearBuffer();
    ASSERT_EQ(sch.setKey(0), 0);
    ASSERT_EQ(sch.next(), 0);
    EXPECT_EQ(r.Pozn.view(), note);

    const std::string text = cp1250::fromUtf8("Poznámka k firmě");
    adr->clearBuffer();
    adr->as<AdresarRecord>().ID.set(9);
    adr->setMemo(text);
    ASSERT_EQ(adr->add(), 0);
    adr->clearBuffer();
    EXPECT_EQ(adr->memo(), "");
    ASSERT_EQ(adr->setKey(byId), 0);
    ASSERT_EQ(adr->next(), 0);
    EXPECT_EQ(adr->memo(), text);
    adr->setMemo(std::string(1500, 'x'));
    EXPECT_EQ(adr->memo().size(), 1000u);
}

TEST_P(RecordAccessTest, ViewsKeepTheirOwnPlaceAndFilter) {
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(addFirm(i, "F" + std::to_string(i), "M"), 0);
    View view(*adr);
    ASSERT_EQ(view.open(), 0);
    view.setFilter([](const RecordFile& f) {
        return const_cast<RecordFile&>(f).as<AdresarRecord>().ID.get() % 2 == 0;
    });
    ASSERT_EQ(view.setKey(byId), 0);
    ASSERT_EQ(view.next(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 2);
    // Someone else reads the file meanwhile.
    ASSERT_EQ(adr->setKeyEnd(byId), 0);
    ASSERT_EQ(adr->previous(), 0);
    ASSERT_EQ(view.next(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 4);
    ASSERT_EQ(view.previous(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 2);
    EXPECT_EQ(view.previous(), kRecordNotAvailable);
    ASSERT_EQ(view.setKeyEnd(byId), 0);
    ASSERT_EQ(view.previous(), 0);
    EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 10);
    view.close();
    EXPECT_EQ(view.next(), kFileNotOpen);
}

TEST_P(RecordAccessTest, TransactionsCommitRollBackAndTimeOut) {
    auto& oso = db.file("Osoby");
    ASSERT_EQ(oso.create(), 0);
    ASSERT_EQ(oso.open(), 0);
    ASSERT_EQ(addFirm(1, "A", "X"), 0);

    ASSERT_EQ(db.beginTransaction(2, {adr, &oso}), 0);
    EXPECT_TRUE(db.inTransaction());
    ASSERT_EQ(addFirm(2, "B", "X"), 0);
    ASSERT_EQ(db.rollback(), 0);
    EXPECT_EQ(adr->records(), 1);

    ASSERT_EQ(db.beginTransaction(2, {adr, &oso}), 0);
    ASSERT_EQ(addFirm(2, "B", "X"), 0);
    ASSERT_EQ(db.commit(), 0);
    EXPECT_EQ(adr->records(), 2);

    if (native()) return; // another station's lock: see the two-stations tests
    driver.setForeignLock("data\\OSOBY", true);
    EXPECT_EQ(db.beginTransaction(2, {adr, &oso}), kFileLocked);
    EXPECT_FALSE(db.inTransaction());
    driver.setForeignLock("data\\OSOBY", false);

    ASSERT_EQ(oso.close(), 0);
    EXPECT_EQ(db.beginTransaction(2, {adr, &oso}), kFileNotOpen);
}

TEST_P(RecordAccessTest, OpenTwiceAndMissingFiles) {
    EXPECT_EQ(adr->open(), kFileAlreadyOpen);
    EXPECT_EQ(db.error().text, "File Already Open");
    EXPECT_EQ(db.file("Osoby").open(), kFileNotFound);
    EXPECT_EQ(db.error().fileName, prefix_ + "OSOBY");
    EXPECT_EQ(db.file("ImpTxt").open(), kUnsupportedFunction); // no byte-stream driver here
}

INSTANTIATE_TEST_SUITE_P(Drivers, RecordAccessTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Native" : "InMemory"; });

TEST(ErrorCodes, TextsAndSystemErrors) {
    EXPECT_EQ(errorText(47), "Invalid Record Declaration");
    EXPECT_EQ(errorText(78), "Invalid Number Of Parameters ");
    EXPECT_EQ(errorText(332), "Sharing Violation");
    EXPECT_EQ(errorText(333), "Lock Violation");
    EXPECT_EQ(errorText(365), "Network Access Denied");
    EXPECT_EQ(errorText(319), "Write Protect");
    EXPECT_EQ(errorText(12345), "Unknown Error Posted");
    EXPECT_EQ(osErrorCode(ENOSPC), 339);
    EXPECT_EQ(osErrorCode(EROFS), 319);
    EXPECT_EQ(osErrorCode(ENOENT), 302);
}

} // namespace
} // namespace zv::access
