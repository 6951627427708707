#include "joke_of_the_day.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::startup {
namespace {

TEST(JokeOfTheDay, TheFirstJokeAtOrAfterTheDrawnNumberOrTheFallback) {
    access::testing::MemoryDriver driver;
    access::Database db;
    db.registerDriver(driver);
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    const std::string fallback = cp1250::fromUtf8("Pro dnešek si žádný nezasloužíš");

    auto drawing = [](std::vector<int> values) {
        return [values, i = std::size_t{0}](int low, int high) mutable {
            const int v = values[i++ % values.size()];
            EXPECT_GE(v, low);
            EXPECT_LE(v, high);
            return v;
        };
    };
    // No jokes file at all: it is created empty and the fallback shows.
    EXPECT_EQ(jokeOfTheDay(s, drawing({1, 1})), fallback);

    auto& vtipy = db.file("Vtipy");
    ASSERT_EQ(vtipy.open(), 0);
    for (int n : {1, 2, 5}) {
        vtipy.clearBuffer();
        vtipy.as<rec::VtipyRecord>().NOF.set(n);
        vtipy.setMemo("vtip " + std::to_string(n));
        ASSERT_EQ(vtipy.add(), 0);
    }
    ASSERT_EQ(vtipy.close(), 0);
    EXPECT_EQ(jokeOfTheDay(s, drawing({2, 1, 3})), "vtip 5"); // two rounds, the last drew 3
    EXPECT_EQ(jokeOfTheDay(s, drawing({1, 2})), "vtip 2");
    EXPECT_FALSE(vtipy.isOpen()); // released again

    // A drawn number above every joke's number gives the fallback (numbers 0 and -2
    // count among the jokes but lie below any number drawn).
    ASSERT_EQ(vtipy.create(), 0);
    ASSERT_EQ(vtipy.open(), 0);
    for (int n : {-2, 0, 1}) {
        vtipy.clearBuffer();
        vtipy.as<rec::VtipyRecord>().NOF.set(n);
        vtipy.setMemo("vtip " + std::to_string(n));
        ASSERT_EQ(vtipy.add(), 0);
    }
    ASSERT_EQ(vtipy.close(), 0);
    EXPECT_EQ(jokeOfTheDay(s, drawing({1, 3})), fallback);
}

} // namespace
} // namespace zv::startup
