#include "file_bindings.h"

#include "app/selections/evaluator/evaluator.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::selections {
namespace {

TEST(FileBindings, ConditionsReadTheFilesBufferByPrefixedNames) {
    access::testing::MemoryDriver driver;
    access::Database db;
    db.registerDriver(driver);
    evaluator::BindingScope scope;
    ASSERT_TRUE(bindStandardFiles(db));

    auto& adr = db.file("Adresar");
    adr.clearBuffer();
    adr.as<rec::AdresarRecord>().MESTO.set(cp1250::fromUtf8("Plzeň"));
    adr.as<rec::AdresarRecord>().ID.set(42);
    adr.setMemo(cp1250::fromUtf8("platí včas"));
    EXPECT_EQ(evaluator::evaluate(cp1250::fromUtf8("UPPER(ADR:MESTO) = 'PLZEŇ'")).value, "1");
    EXPECT_EQ(evaluator::evaluate("ADR:ID + 1").value, "43");
    EXPECT_EQ(evaluator::evaluate(cp1250::fromUtf8("INSTRING('včas', ADR:POZNAMKA, 1, 1)")).value,
              "7");
    auto& sch = db.file("Schuzky");
    sch.as<rec::SchuzkyRecord>().Jmeno.set("Jan");
    EXPECT_EQ(evaluator::evaluate("SCH:Jmeno = 'Jan'").value, "1");
    EXPECT_EQ(evaluator::evaluate("KLA:POPIS").error, evaluator::kInvalidExpression);
}

TEST(FileBindings, ViewsFilterByText) {
    access::testing::MemoryDriver driver;
    access::Database db;
    db.registerDriver(driver);
    evaluator::BindingScope scope;
    ASSERT_TRUE(bindStandardFiles(db));
    auto& adr = db.file("Adresar");
    ASSERT_EQ(adr.create(), 0);
    ASSERT_EQ(adr.open(), 0);
    for (int i = 1; i <= 6; ++i) {
        adr.clearBuffer();
        adr.as<rec::AdresarRecord>().ID.set(i);
        adr.as<rec::AdresarRecord>().MESTO.set(i % 2 ? "Brno" : "Praha");
        adr.as<rec::AdresarRecord>().FIRMA.set("Firma " + std::to_string(i));
        ASSERT_EQ(adr.add(), 0);
    }
    access::View view(adr);
    ASSERT_EQ(view.open(), 0);
    int error = -1;
    view.setFilter(textFilter("ADR:MESTO = 'Praha' AND ADR:ID > 2", &error));
    EXPECT_EQ(error, 0);
    ASSERT_EQ(view.setKey(0), 0);
    std::vector<int> ids;
    while (view.next() == 0)
        ids.push_back(adr.as<rec::AdresarRecord>().ID.get());
    EXPECT_EQ(ids, (std::vector<int>{4, 6}));
    EXPECT_FALSE(textFilter("ADR:NIC = 1", &error));
    EXPECT_EQ(error, evaluator::kNoBind);
}

} // namespace
} // namespace zv::selections
