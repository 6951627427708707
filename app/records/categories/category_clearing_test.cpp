#include "app/records/categories/category_clearing.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace zv::records {
namespace {

using namespace zv::rec;

// Records what the window would show, and stops or reads the file on request.
class RecordedProgress : public ClearingProgress {
public:
    void begin(long total) override { totals.push_back(total); }
    bool step(long done) override {
        steps.push_back(done);
        if (during) during(done);
        return done != stopAt;
    }
    void end() override { ++ends; }

    std::vector<long> totals, steps;
    int ends = 0;
    long stopAt = -1;
    std::function<void(long)> during;
};

struct Firm {
    int id;
    std::vector<int> flags; // categories set
};

class CategoryClearingTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        ASSERT_EQ(db.file("Adresar").create(), 0);
    }

    // Firm id with every category 1..20 set and a text in each of the first ten.
    void addFullFirm(int id) {
        auto& f = db.file("Adresar");
        ASSERT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        f.clearBuffer();
        auto& a = f.as<AdresarRecord>();
        a.ID.set(id);
        a.FIRMA.set("Firma " + std::to_string(id));
        for (int n = 1; n <= kCategoryCount; ++n) {
            dict::setFieldInteger(*flag(n), f.record(), 1);
            if (n <= kCategoriesWithText)
                dict::setFieldText(*text(n), f.record(), "text " + std::to_string(n));
        }
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
        services::standardRelease(f);
    }

    const dict::FieldSpec* flag(int n) {
        return dict::fieldOf(db.file("Adresar").def(), "ADR:P" + std::to_string(n));
    }
    const dict::FieldSpec* text(int n) {
        return dict::fieldOf(db.file("Adresar").def(), "ADR:P" + std::to_string(n) + "TXT");
    }

    // Every firm's record, in file order.
    std::vector<std::vector<std::uint8_t>> firms() {
        std::vector<std::vector<std::uint8_t>> out;
        auto& f = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            out.emplace_back(f.record(), f.record() + f.recordSize());
        services::standardRelease(f);
        return out;
    }
    std::int64_t flagOf(const std::vector<std::uint8_t>& r, int n) {
        return dict::fieldInteger(*flag(n), r.data());
    }
    std::string textOf(const std::vector<std::uint8_t>& r, int n) {
        return dict::fieldText(*text(n), r.data());
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(CategoryClearingTest, CategoryThreeClearsFlagAndTextInEveryFirmAndLeavesFour) {
    for (int id = 1; id <= 5; ++id)
        addFullFirm(id);
    RecordedProgress progress;
    const ClearingOutcome out = clearCategory(s, 3, progress);
    EXPECT_EQ(out.result, ClearingResult::Cleared);
    EXPECT_EQ(out.firms, 5);
    const auto after = firms();
    ASSERT_EQ(after.size(), 5u);
    for (const auto& r : after) {
        EXPECT_EQ(flagOf(r, 3), 0);
        EXPECT_EQ(textOf(r, 3), "");
        EXPECT_EQ(flagOf(r, 4), 1);
        EXPECT_EQ(textOf(r, 4), "text 4");
        EXPECT_EQ(flagOf(r, 2), 1);
        EXPECT_EQ(textOf(r, 2), "text 2");
    }
    EXPECT_EQ(progress.totals, std::vector<long>{5});
    EXPECT_EQ(progress.steps, (std::vector<long>{1, 2, 3, 4, 5}));
    EXPECT_EQ(progress.ends, 1);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_FALSE(db.file("Adresar").isOpen()); // released again
}

TEST_F(CategoryClearingTest, CategoryFifteenClearsOnlyItsFlagAndTouchesNoText) {
    addFullFirm(1);
    addFullFirm(2);
    const auto before = firms();
    NoClearingProgress quiet;
    EXPECT_EQ(clearCategory(s, 15, quiet).result, ClearingResult::Cleared);
    const auto after = firms();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(flagOf(after[i], 15), 0);
        for (int n = 1; n <= kCategoryCount; ++n) {
            if (n != 15) {
                EXPECT_EQ(flagOf(after[i], n), 1) << n;
            }
        }
        // Nothing else of the record moved: only the flag's byte differs.
        auto expected = before[i];
        expected[flag(15)->offset] = 0;
        EXPECT_EQ(after[i], expected);
    }
}

TEST_F(CategoryClearingTest, AFirmWhoseFlagIsAlreadyClearIsWrittenAndStaysClear) {
    addFullFirm(1);
    NoClearingProgress quiet;
    ASSERT_EQ(clearCategory(s, 7, quiet).result, ClearingResult::Cleared);
    const ClearingOutcome again = clearCategory(s, 7, quiet);
    EXPECT_EQ(again.result, ClearingResult::Cleared);
    EXPECT_EQ(again.firms, 1);
    EXPECT_EQ(flagOf(firms().front(), 7), 0);
}

TEST_F(CategoryClearingTest, AnEmptyAddressBookFinishesAtOnceWithAnEmptyBar) {
    RecordedProgress progress;
    const ClearingOutcome out = clearCategory(s, 1, progress);
    EXPECT_EQ(out.result, ClearingResult::Cleared);
    EXPECT_EQ(out.firms, 0);
    EXPECT_EQ(progress.totals, std::vector<long>{0});
    EXPECT_TRUE(progress.steps.empty());
    EXPECT_EQ(progress.ends, 1);
}

TEST_F(CategoryClearingTest, AKeyPressedHalfWayLeavesEveryFirmAsItWas) {
    for (int id = 1; id <= 6; ++id)
        addFullFirm(id);
    const auto before = firms();
    RecordedProgress progress;
    progress.stopAt = 3;
    const ClearingOutcome out = clearCategory(s, 2, progress);
    EXPECT_EQ(out.result, ClearingResult::Stopped);
    EXPECT_EQ(out.firms, 3);
    EXPECT_EQ(firms(), before);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(CategoryClearingTest, ALockedAddressBookIsReportedAndNothingChanges) {
    addFullFirm(1);
    const auto before = firms();
    driver.setForeignLock(db.file("Adresar").physicalName(), true);
    NoClearingProgress quiet;
    EXPECT_EQ(clearCategory(s, 1, quiet).result, ClearingResult::Failed);
    driver.setForeignLock(db.file("Adresar").physicalName(), false);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].title, "Transaction Framing Error");
    EXPECT_EQ(firms(), before);
    EXPECT_FALSE(db.file("Adresar").isOpen());
}

TEST_F(CategoryClearingTest, AnotherWindowReadingMeanwhileDoesNotLoseItsPlace) {
    for (int id = 1; id <= 8; ++id)
        addFullFirm(id);
    RecordedProgress progress;
    auto& adresar = db.file("Adresar");
    progress.during = [&](long done) {
        if (done != 3) return;
        // A list refreshing while the bar is drawn reads the first firm by number.
        adresar.clearBuffer();
        adresar.as<AdresarRecord>().ID.set(1);
        (void)adresar.getByKey(adresar.keyNumber("ADR:BYID"));
    };
    const ClearingOutcome out = clearCategory(s, 5, progress);
    EXPECT_EQ(out.result, ClearingResult::Cleared);
    EXPECT_EQ(out.firms, 8);
    for (const auto& r : firms())
        EXPECT_EQ(flagOf(r, 5), 0);
}

TEST_F(CategoryClearingTest, TheBufferOfAnotherWindowIsGivenBack) {
    addFullFirm(1);
    addFullFirm(2);
    auto& adresar = db.file("Adresar");
    ASSERT_EQ(services::standardOpen(s, adresar), services::OpenOutcome::Opened);
    adresar.clearBuffer();
    adresar.as<AdresarRecord>().ID.set(2);
    ASSERT_EQ(adresar.getByKey(adresar.keyNumber("ADR:BYID")), 0);
    NoClearingProgress quiet;
    EXPECT_EQ(clearCategory(s, 9, quiet).result, ClearingResult::Cleared);
    EXPECT_EQ(adresar.as<AdresarRecord>().ID.get(), 2);
    EXPECT_EQ(dict::fieldInteger(*flag(9), adresar.record()), 1); // as it was read
    EXPECT_TRUE(adresar.isOpen());                                // still this window's
    services::standardRelease(adresar);
}

TEST_F(CategoryClearingTest, ACategoryOutsideOneToTwentyClearsNothing) {
    addFullFirm(1);
    const auto before = firms();
    RecordedProgress progress;
    for (int n : {0, 21, -3}) {
        EXPECT_EQ(clearCategory(s, n, progress).result, ClearingResult::NoSuchCategory);
    }
    EXPECT_TRUE(progress.totals.empty());
    EXPECT_EQ(firms(), before);
}

TEST_F(CategoryClearingTest, TheQuestionNamesTheCategoryAndWhatIsLost) {
    const std::string q3 = cp1250::toUtf8(clearingQuestion(3, cp1250::fromUtf8("Odběratel")));
    EXPECT_NE(q3.find("Kategorie 3 (Odběratel)"), std::string::npos);
    EXPECT_NE(q3.find("i její text"), std::string::npos);
    const std::string q15 = cp1250::toUtf8(clearingQuestion(15, ""));
    EXPECT_NE(q15.find("Kategorie 15 bude"), std::string::npos);
    EXPECT_EQ(q15.find("text"), std::string::npos);
}

} // namespace
} // namespace zv::records
