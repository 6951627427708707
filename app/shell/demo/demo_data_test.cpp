#include "demo_data.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"

#include <gtest/gtest.h>
#include <set>

namespace zv::demo {
namespace {

using namespace zv::rec;

TEST(DemoData, FillsEveryFileConsistently) {
    access::testing::MemoryDriver driver;
    access::Database db;
    db.registerDriver(driver);
    std::string failed;
    const int today = 82000;
    ASSERT_EQ(
        createDemoData(db, {.firms = 150, .seed = 7, .today = today, .now = 43200001}, &failed), 0)
        << failed;

    auto& adr = db.file("Adresar");
    ASSERT_EQ(adr.open(), 0);
    EXPECT_EQ(adr.records(), 150);
    std::set<std::string> towns;
    ASSERT_EQ(adr.setKey(adr.keyNumber("ADR:BYMESTO")), 0);
    while (adr.next() == 0)
        towns.insert(std::string(adr.as<AdresarRecord>().MESTO.trimmed()));
    EXPECT_GT(towns.size(), 5u);
    EXPECT_LT(towns.size(), 30u); // many firms share a town

    // Every person, contact and task belongs to an existing firm.
    for (const char* label : {"Osoby", "Schuzky", "UKOLY", "Klice"}) {
        auto& f = db.file(label);
        ASSERT_EQ(f.open(), 0) << label;
        EXPECT_GT(f.records(), 0) << label;
        const auto ref = dict::fieldByName(std::string(f.def().prefix) + ":ID");
        ASSERT_TRUE(ref);
        ASSERT_EQ(f.setFile(), 0);
        while (f.next() == 0) {
            std::int32_t id;
            std::memcpy(&id, f.record() + ref.layoutField().offset, 4);
            EXPECT_GE(id, 1);
            EXPECT_LE(id, 150);
        }
    }

    // Tasks are spread around today: overdue, today, tomorrow and done ones.
    auto& uko = db.file("UKOLY");
    int overdue = 0, dueToday = 0, tomorrow = 0, done = 0;
    ASSERT_EQ(uko.setFile(), 0);
    while (uko.next() == 0) {
        const auto& u = uko.as<UkolyRecord>();
        if (u.SPLNENO.get())
            ++done;
        else if (u.DT_SCHED.get() < today)
            ++overdue;
        else if (u.DT_SCHED.get() == today)
            ++dueToday;
        else if (u.DT_SCHED.get() == today + 1)
            ++tomorrow;
    }
    EXPECT_GT(overdue, 0);
    EXPECT_GT(dueToday, 0);
    EXPECT_GT(tomorrow, 0);
    EXPECT_GT(done, 0);

    auto& lab = db.file("Label");
    ASSERT_EQ(lab.open(), 0);
    EXPECT_EQ(lab.records(), 3);
    ASSERT_EQ(lab.setKey(0), 0);
    ASSERT_EQ(lab.next(), 0);
    EXPECT_DOUBLE_EQ(lab.as<LabelRecord>().PAGEWIDTH.get(), 8.268);
}

TEST(DemoData, TheSameSeedGivesTheSameFirms) {
    auto firstFirm = [](std::uint32_t seed) {
        access::testing::MemoryDriver driver;
        access::Database db;
        db.registerDriver(driver);
        EXPECT_EQ(createDemoData(db, {.firms = 20, .seed = seed, .today = 80000}, nullptr), 0);
        auto& adr = db.file("Adresar");
        EXPECT_EQ(adr.open(), 0);
        EXPECT_EQ(adr.setKey(0), 0);
        EXPECT_EQ(adr.next(), 0);
        return std::string(adr.as<AdresarRecord>().FIRMA.trimmed());
    };
    EXPECT_EQ(firstFirm(3), firstFirm(3));
    EXPECT_NE(firstFirm(3), firstFirm(4));
}

} // namespace
} // namespace zv::demo
