#include "standard_open.h"

#include "app/shell/access/testing/memory_driver.h"

#include <gtest/gtest.h>

namespace zv::services {
namespace {

class StandardOpenTest : public ::testing::Test {
protected:
    void SetUp() override { db.registerDriver(driver); }

    access::testing::MemoryDriver driver;
    access::Database db;
    ScriptedMessages messages;
    ProcedureServices s{db, messages, {}};
};

TEST_F(StandardOpenTest, AnAbsentFileIsCreatedEmptyOnFirstUse) {
    auto& adr = db.file("Adresar");
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::Opened);
    EXPECT_TRUE(adr.isOpen());
    EXPECT_EQ(adr.records(), 0);
    EXPECT_EQ(adr.users(), 1);
    EXPECT_TRUE(messages.shown().empty());

    // A second procedure only counts; the last to leave closes.
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::Opened);
    EXPECT_EQ(adr.users(), 2);
    standardRelease(adr);
    EXPECT_TRUE(adr.isOpen());
    standardRelease(adr);
    EXPECT_FALSE(adr.isOpen());
}

TEST_F(StandardOpenTest, SilentOrWithoutCreateWhenAbsent) {
    auto& oso = db.file("Osoby");
    EXPECT_EQ(standardOpen(s, oso, {.createIfAbsent = false, .silentIfAbsent = true}),
              OpenOutcome::Failed);
    EXPECT_EQ(db.errorCode(), 2);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(standardOpen(s, oso, {.createIfAbsent = false}), OpenOutcome::Failed);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "File Creation Error");
    EXPECT_EQ(messages.shown()[0].text,
              "Error: (File Not Found (2)) creating Osoby.  Press OK to end this application.");
}

TEST_F(StandardOpenTest, ALockedFileIsRecoveredAndOpenedOnceMore) {
    auto& adr = db.file("Adresar");
    ASSERT_EQ(adr.create(), 0);
    driver.failNextOpens({32});
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::Opened);
    ASSERT_EQ(driver.commands().size(), 1u);
    EXPECT_EQ(driver.commands()[0], "Recover=10");
}

TEST_F(StandardOpenTest, KeysToRebuildAreRebuiltOnYes) {
    auto& adr = db.file("Adresar");
    ASSERT_EQ(adr.create(), 0);
    driver.failNextOpens({46});
    messages.answer(Button::Yes);
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::Opened);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Invalid Key");
    EXPECT_EQ(messages.shown()[0].text,
              "Adresar key file is invalid.  Do you\nwant to rebuild the key?");
}

TEST_F(StandardOpenTest, UnmendableErrorsEndWithDiskErrorOnlyWhenConfirmed) {
    auto& adr = db.file("Adresar");
    ASSERT_EQ(adr.create(), 0);
    driver.failNextOpens({46});
    messages.answer(Button::No);
    messages.answer(Button::Cancel);
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::Failed);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].title, "File Access Error");

    driver.failNextOpens({47});
    messages.clear();
    messages.answer(Button::Ok);
    messages.answer(Button::Ok);
    EXPECT_EQ(standardOpen(s, adr), OpenOutcome::EndProgram);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text, "Invalid File!");
    EXPECT_EQ(messages.shown()[1].text,
              "File (Adresar) could not be opened.  Error: Invalid Record Declaration (47).  Press "
              "OK to end this application.");
}

TEST(StandardMessages, ErrorPieceShowsTheDriversOwnErrorFor90) {
    SavedError e{90, "File System Error", 112, "Disk full"};
    EXPECT_EQ(errorForMessage(e), "Disk full (112)");
    e = {40, "Creates Duplicate Key", 0, ""};
    EXPECT_EQ(standardMessage(14, {}, {}, e).text,
              "An error was experienced during the update of record.  Error: Creates Duplicate Key "
              "(40).");
    EXPECT_EQ(standardMessage(24, "ADR:BYFIRMA", {}, e).text,
              "Adding this record creates a duplicate entry for the key:ADR:BYFIRMA");
    const auto m32 = standardMessage(32, {}, {}, e);
    EXPECT_EQ(m32.buttons, (Buttons{Button::Ok, Button::Cancel}));
    EXPECT_EQ(standardMessage(34, "Adresar", "Delete", {32, "File Is Already Locked", 0, ""}).text,
              "Error: (File Is Already Locked (32)) attempting to frame the Delete transaction on "
              "Adresar.  Delete transaction cancelled.");
}

} // namespace
} // namespace zv::services
