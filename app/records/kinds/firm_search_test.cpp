// "Hledat:" of the firm list: accents and letter case do not matter, the text
// may stand anywhere in any of the five fields but never across two of them,
// and the firms come by name.
#include "app/records/kinds/firm_search.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using namespace zv::rec;
using Ids = std::vector<std::int32_t>;

std::string cp(const char* utf8) {
    return cp1250::fromUtf8(utf8);
}

TEST(FoldForSearchTest, CzechAndSlovakLettersLoseTheirAccentsAndCase) {
    EXPECT_EQ(foldForSearch(cp("Černý ŘEZNÍK Ďáblice Ůžasné Ťažký Ľudo ÖÄ")),
              "cerny reznik dablice uzasne tazky ludo oa");
    EXPECT_EQ(foldForSearch(cp("Příliš žluťoučký kůň úpěl ďábelské ódy")),
              "prilis zlutoucky kun upel dabelske ody");
    EXPECT_EQ(foldForSearch("ABC xyz 0-9 @.,"), "abc xyz 0-9 @.,");
}

class FirmSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        ASSERT_EQ(db.file("Adresar").create(), 0);
        ASSERT_EQ(services::standardOpen(s, db.file("Adresar")), services::OpenOutcome::Opened);
    }
    void addFirm(int id, const char* name, const char* town, const char* contact = "",
                 const char* phone = "", const char* ico = "") {
        auto& f = db.file("Adresar");
        f.clearBuffer();
        auto& r = f.as<AdresarRecord>();
        r.ID.set(id);
        r.FIRMA.set(cp(name));
        r.MESTO.set(cp(town));
        r.JMENO1.set(cp(contact));
        r.TF1.set(phone);
        r.ICO.set(ico);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0);
    }
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(FirmSearchTest, PlainLettersFindTheFirmsWhateverTheirAccentsInAnyField) {
    addFirm(1, "Zeman a syn", "Brno", "Černý Pavel", "+420 541 111 222", "12345678");
    addFirm(2, "NOVÁK s.r.o.", "Plzeň");
    addFirm(3, "Černý Petr", "Praha");
    addFirm(4, "", "Černošice"); // no name: found all the same
    addFirm(5, "Alfa", "Praha", "", "", "87654321");
    FirmSearch search;
    ASSERT_EQ(search.load(db.file("Adresar")), 0);
    EXPECT_EQ(search.size(), 5u);
    EXPECT_EQ(search.find("cerny", 10), (Ids{3, 1})); // by name
    EXPECT_EQ(search.find("novak", 10), (Ids{2}));
    EXPECT_EQ(search.find(cp("NOVÁK"), 10), (Ids{2}));
    EXPECT_EQ(search.find("cern", 10), (Ids{4, 3, 1})); // the blank name first
    EXPECT_EQ(search.find("541 111", 10), (Ids{1}));
    EXPECT_EQ(search.find("4321", 10), (Ids{5}));
    EXPECT_EQ(search.find("  praha ", 10), (Ids{5, 3}));
    EXPECT_EQ(search.find("brnocerny", 10), Ids{});
    EXPECT_EQ(search.find("praha alfa", 10), Ids{}); // never across two fields
    EXPECT_EQ(search.find("", 10), Ids{});
    EXPECT_EQ(search.find("   ", 10), Ids{});
    bool more = false;
    EXPECT_EQ(search.find("a", 2, &more), (Ids{5, 3})); // Alfa, then Černý Petr of Praha
    EXPECT_TRUE(more);
    search.find("a", 20, &more);
    EXPECT_FALSE(more);
}

// Found firms come in the order of the firm list: Č after every C in Czech order.
TEST_F(FirmSearchTest, FoundFirmsFollowTheOrderOfTheirFile) {
    addFirm(1, "Černý", "Praha");
    addFirm(2, "Cyril", "Praha");
    addFirm(3, "Cermak", "Praha");
    FirmSearch search;
    ASSERT_EQ(search.load(db.file("Adresar")), 0);
    EXPECT_EQ(search.find("c", 10), (Ids{3, 1, 2})); // accents aside
    (void)db.file("Adresar").close();
    db.setCzechOrder(true);
    ASSERT_EQ(db.file("Adresar").create(), 0);
    ASSERT_EQ(db.file("Adresar").open(), 0);
    addFirm(1, "Černý", "Praha");
    addFirm(2, "Cyril", "Praha");
    addFirm(3, "Cermak", "Praha");
    ASSERT_EQ(search.load(db.file("Adresar")), 0);
    EXPECT_EQ(search.find("c", 10), (Ids{3, 2, 1}));
}

TEST_F(FirmSearchTest, LoadingAgainSeesNewFirmsAndLeavesTheBufferAlone) {
    addFirm(1, "Alfa", "Praha");
    FirmSearch search;
    ASSERT_EQ(search.load(db.file("Adresar")), 0);
    addFirm(2, "Beta", "Praha");
    auto& f = db.file("Adresar");
    const std::vector<std::uint8_t> before(f.record(), f.record() + f.recordSize());
    ASSERT_EQ(search.load(f), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(f.record(), f.record() + f.recordSize()), before);
    EXPECT_EQ(search.find("praha", 10), (Ids{1, 2}));
}

} // namespace
} // namespace zv::records
