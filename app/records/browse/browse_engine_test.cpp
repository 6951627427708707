#include "app/records/browse/browse_engine.h"

#include "app/records/browse/list_format.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

using rec::AdresarRecord;

// A firm list like ADRESAR_S: name (with town), town and number orders.
BrowseDecl firmDecl() {
    BrowseDecl d;
    d.file = "Adresar";
    d.orders = {{"ADR:BYFIRMA", LocatorKind::Text, 50, {"ADR:MESTO"}, "&Firma", ""},
                {"ADR:BYMESTO", LocatorKind::Text, 50, {}, "&Město", ""},
                {"ADR:BYID", LocatorKind::Number, 5, {}, "  ID", ""},
                {"ADR:BYID", LocatorKind::None, 0, {}, "", ""}};
    d.columns = {{"ID", "ADR:ID", {}, 6, true, 0}, {"Firma", "ADR:FIRMA", {}, 30, false, 0}};
    return d;
}

class BrowseEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        adr = &db.file("Adresar");
        ASSERT_EQ(adr->create(), 0);
        ASSERT_EQ(services::standardOpen(s, *adr), services::OpenOutcome::Opened);
    }

    void addFirm(int id, const std::string& name, const std::string& town = "Praha") {
        adr->clearBuffer();
        auto& r = adr->as<AdresarRecord>();
        r.ID.set(id);
        r.FIRMA.set(name);
        r.MESTO.set(town);
        ASSERT_EQ(adr->add(), 0);
    }

    // Firms 1..n named "Firma 001".. in number order.
    void addFirms(int n) {
        for (int i = 1; i <= n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Firma %03d", i);
            addFirm(i, name);
        }
    }

    std::unique_ptr<BrowseEngine> openBrowse(int order, int pageSize = 5) {
        auto b = std::make_unique<BrowseEngine>(s, firmDecl(), pageSize);
        EXPECT_EQ(b->open(), 0);
        b->setOrder(order);
        return b;
    }

    int currentId(BrowseEngine& b) {
        EXPECT_GE(b.current(), 1);
        return adr->as<AdresarRecord>().ID.get();
    }

    std::vector<int> pageIds(BrowseEngine& b) {
        std::vector<int> ids;
        for (const auto& row : b.rows())
            ids.push_back(std::stoi(row.cells[0]));
        return ids;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    access::RecordFile* adr = nullptr;
};

TEST_F(BrowseEngineTest, EmptyFileGivesAnEmptyPageWithNoHighlight) {
    auto b = openBrowse(1);
    EXPECT_TRUE(b->empty());
    EXPECT_EQ(b->current(), 0);
    b->scrollDown();
    b->pageDown();
    b->bottom();
    EXPECT_TRUE(b->empty());
    EXPECT_EQ(b->current(), 0);
    EXPECT_FALSE(b->failed());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(BrowseEngineTest, HoldsOnePageAndHighlightsTheFirstRow) {
    addFirms(12);
    auto b = openBrowse(3);
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b->current(), 1);
    EXPECT_EQ(currentId(*b), 1);
}

TEST_F(BrowseEngineTest, ScrollingByRowMovesInsideThePageThenScrollsIt) {
    addFirms(12);
    auto b = openBrowse(3);
    for (int i = 0; i < 4; ++i)
        b->scrollDown();
    EXPECT_EQ(b->current(), 5);
    b->scrollDown();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(b->current(), 5);
    EXPECT_EQ(currentId(*b), 6);
    for (int i = 0; i < 5; ++i)
        b->scrollUp();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b->current(), 1);
    b->scrollUp(); // at the start: nothing changes
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(currentId(*b), 1);
}

TEST_F(BrowseEngineTest, ScrollingDownFromTheLastRowAtTheEndChangesNothing) {
    addFirms(12);
    auto b = openBrowse(3);
    b->bottom();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{8, 9, 10, 11, 12}));
    EXPECT_EQ(b->current(), 5);
    b->scrollDown();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{8, 9, 10, 11, 12}));
    EXPECT_EQ(b->current(), 5);
    EXPECT_EQ(currentId(*b), 12);
}

TEST_F(BrowseEngineTest, PagingDownNearTheEndMovesTheHighlightToTheLastRow) {
    addFirms(12);
    auto b = openBrowse(3);
    b->pageDown(); // 6..10, highlight stays on row 1
    EXPECT_EQ(pageIds(*b), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_EQ(b->current(), 1);
    b->pageDown(); // only two more: the page moves by 2, the highlight by the rest
    EXPECT_EQ(pageIds(*b), (std::vector<int>{8, 9, 10, 11, 12}));
    EXPECT_EQ(b->current(), 4);
    b->pageDown();
    EXPECT_EQ(b->current(), 5);
    EXPECT_EQ(currentId(*b), 12);
    b->pageUp();
    b->pageUp();
    b->pageUp();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b->current(), 1);
}

TEST_F(BrowseEngineTest, TopAndBottomOfASmallFile) {
    addFirms(3);
    auto b = openBrowse(3);
    b->bottom();
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(b->current(), 3);
    b->pageDown();
    EXPECT_EQ(b->current(), 3);
    b->top();
    EXPECT_EQ(b->current(), 1);
}

TEST_F(BrowseEngineTest, TypedLettersLocateIgnoringCaseAndBackspaceDropsTheLast) {
    addFirm(1, "Alfa", "Brno");
    addFirm(2, "Beta", "Brno");
    addFirm(3, "Betonárka", "Ostrava");
    addFirm(4, "Bez", "Praha");
    addFirm(5, "Cyklo", "Praha");
    auto b = openBrowse(1, 3);
    EXPECT_TRUE(b->typeCharacter('b'));
    EXPECT_TRUE(b->typeCharacter('e'));
    EXPECT_TRUE(b->typeCharacter('t'));
    EXPECT_EQ(b->locator(), "bet");
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Beta");
    EXPECT_TRUE(b->typeCharacter('o'));
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Betonárka");
    b->backspace();
    b->backspace();
    EXPECT_EQ(b->locator(), "be");
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Beta");
    // Past the last name: the last row is highlighted.
    for (char c : std::string("zz"))
        b->typeCharacter(c);
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Cyklo");
    // Any move empties the locator.
    b->scrollUp();
    EXPECT_EQ(b->locator(), "");
}

TEST_F(BrowseEngineTest, PlainLettersLocateNamesWithAccents) {
    addFirm(1, "Cermak");
    addFirm(2, cp1250::fromUtf8("Černý"));
    addFirm(3, cp1250::fromUtf8("Dvořák"));
    addFirm(4, cp1250::fromUtf8("NOVÁK"));
    addFirm(5, "Zeman");
    auto b = openBrowse(1, 3);
    for (char c : std::string("cern"))
        EXPECT_TRUE(b->typeCharacter(c));
    EXPECT_EQ(currentId(*b), 2);
    EXPECT_EQ(b->locator(), "cern");
    b->locateText("novak");
    EXPECT_EQ(currentId(*b), 4);
    b->locateText("dvo");
    EXPECT_EQ(currentId(*b), 3);
    b->locateText("cerm");
    EXPECT_EQ(currentId(*b), 1);
}

TEST_F(BrowseEngineTest, TheLocatorHoldsAtMostThirtyCharacters) {
    addFirms(3);
    auto b = openBrowse(1);
    for (int i = 0; i < 30; ++i)
        EXPECT_TRUE(b->typeCharacter('F'));
    EXPECT_FALSE(b->typeCharacter('F'));
    EXPECT_EQ(b->locator().size(), 30u);
    b->locateText(std::string(45, 'x'));
    EXPECT_EQ(b->locator().size(), 30u);
}

TEST_F(BrowseEngineTest, NumberLocatorTakesDigitsOnlyAndTheFallbackHasNone) {
    addFirms(12);
    auto b = openBrowse(3);
    EXPECT_FALSE(b->typeCharacter('a'));
    EXPECT_TRUE(b->typeCharacter('1'));
    EXPECT_TRUE(b->typeCharacter('0'));
    EXPECT_EQ(currentId(*b), 10);
    b->setOrder(0); // no tab chosen: the fallback order
    EXPECT_EQ(b->order(), 4);
    EXPECT_FALSE(b->hasLocator());
    EXPECT_FALSE(b->typeCharacter('1'));
}

TEST_F(BrowseEngineTest, ChangingTheOrderEmptiesItsLocatorAndStartsFromTheTop) {
    addFirm(1, "Zeta", "Adamov");
    addFirm(2, "Alfa", "Zlín");
    auto b = openBrowse(1);
    EXPECT_EQ(currentId(*b), 2);
    b->typeCharacter('z');
    b->setOrder(2);
    EXPECT_EQ(b->locator(), "");
    EXPECT_EQ(currentId(*b), 1); // Adamov first
    b->setOrder(1);
    EXPECT_EQ(b->locator(), "");
    EXPECT_EQ(currentId(*b), 2);
}

TEST_F(BrowseEngineTest, FirmsWithoutANameStayOutOfTheNameOrder) {
    addFirm(1, "", "");
    addFirm(2, "Beta");
    auto b = openBrowse(1);
    EXPECT_EQ(pageIds(*b), (std::vector<int>{2}));
    b->setOrder(3);
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 2}));
}

TEST_F(BrowseEngineTest, RefreshKeepsTheHighlightedRecord) {
    addFirms(12);
    auto b = openBrowse(3);
    b->pageDown();
    b->scrollDown();
    EXPECT_EQ(currentId(*b), 7);
    adr->clearBuffer(); // another window used the buffer
    b->refresh(RefreshMode::KeepHighlight);
    EXPECT_EQ(pageIds(*b), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_EQ(currentId(*b), 7);
}

TEST_F(BrowseEngineTest, ThumbFollowsTheTwoLetterTableAndDraggingLocates) {
    addFirm(1, "Alfa");
    addFirm(2, "Beta");
    addFirm(3, "Kovo");
    addFirm(4, "Zinek");
    auto b = openBrowse(1, 2);
    EXPECT_EQ(b->thumbPosition(), 2); // "AL": the last entry not greater is "AF"
    b->thumbTo(38);                   // "K "
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Kovo");
    EXPECT_GE(b->thumbPosition(), 38);
    b->thumbTo(100);
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Zinek");
}

TEST_F(BrowseEngineTest, ThumbIsProportionalInTheNumberOrder) {
    for (int id : {10, 20, 110})
        addFirm(id, "F" + std::to_string(id));
    auto b = openBrowse(3, 2);
    EXPECT_EQ(b->thumbPosition(), 1);
    b->bottom();
    EXPECT_EQ(b->thumbPosition(), 100);
    b->top();
    b->scrollDown();
    EXPECT_EQ(b->thumbPosition(), 1 + 10 * 99 / 100);
    b->thumbTo(50); // about 59: the first firm at or after it is 110
    EXPECT_EQ(currentId(*b), 110);
}

TEST_F(BrowseEngineTest, SelectingModeOpensOnTheRecordInTheBuffer) {
    addFirms(12);
    adr->clearBuffer();
    adr->as<AdresarRecord>().ID.set(9);
    auto b = std::make_unique<BrowseEngine>(s, firmDecl(), 5);
    ASSERT_EQ(b->open(), 0);
    b->setSelecting(true);
    b->setOrder(3);
    EXPECT_EQ(currentId(*b), 9);
}

TEST_F(BrowseEngineTest, FilterSkipsRecords) {
    addFirms(10);
    auto b = std::make_unique<BrowseEngine>(s, firmDecl(), 5);
    ASSERT_EQ(b->open(), 0);
    b->setFilter([](const access::RecordFile& f) {
        return reinterpret_cast<const AdresarRecord*>(f.record())->ID.get() % 2 == 0;
    });
    b->setOrder(3);
    EXPECT_EQ(pageIds(*b), (std::vector<int>{2, 4, 6, 8, 10}));
    b->scrollDown();
    b->bottom();
    EXPECT_EQ(currentId(*b), 10);
}

TEST_F(BrowseEngineTest, ARenamedFirmStaysHighlightedAfterItsForm) {
    addFirms(12);
    auto b = openBrowse(1);
    b->scrollDown(); // Firma 002
    const auto outcome = b->runRequest(kRequestChange, [&](int request) {
        EXPECT_EQ(request, kRequestChange);
        adr->as<AdresarRecord>().FIRMA.set("Zzz firma");
        EXPECT_EQ(adr->put(), 0);
        return FormOutcome{kResponseCompleted, 0};
    });
    EXPECT_EQ(outcome.response, kResponseCompleted);
    EXPECT_EQ(currentId(*b), 2);
    EXPECT_EQ(adr->as<AdresarRecord>().FIRMA.trimmed(), "Zzz firma");
    EXPECT_EQ(b->rows()[std::size_t(b->current() - 1)].cells[1], "Zzz firma");
    EXPECT_EQ(b->rows().back().cells[1], "Zzz firma"); // it sorts last now
}

TEST_F(BrowseEngineTest, NavigationRequestsCallTheFormAgainOnTheNextRecord) {
    addFirms(12);
    auto b = openBrowse(3);
    std::vector<int> seen;
    b->runRequest(kRequestChange, [&](int request) {
        EXPECT_EQ(request, kRequestChange);
        seen.push_back(adr->as<AdresarRecord>().ID.get());
        return FormOutcome{kResponseCompleted, seen.size() < 3 ? kNavNext : 0};
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    std::vector<int> requests;
    b->runRequest(kRequestChange, [&](int request) {
        requests.push_back(request);
        return FormOutcome{kResponseCompleted, requests.size() == 1 ? kNavSaveAndAdd : 0};
    });
    EXPECT_EQ(requests, (std::vector<int>{kRequestChange, kRequestInsert}));
    int calls = 0;
    b->runRequest(kRequestChange, [&](int) {
        ++calls;
        if (calls == 1) return FormOutcome{kResponseCompleted, kNavLast};
        EXPECT_EQ(adr->as<AdresarRecord>().ID.get(), 12);
        return FormOutcome{kResponseCancelled, 0};
    });
    EXPECT_EQ(calls, 2);
}

TEST_F(BrowseEngineTest, ACompletedDeleteRemovesTheRowAndTopsThePageUp) {
    addFirms(7);
    auto b = openBrowse(3);
    b->scrollDown();
    b->runRequest(kRequestDelete, [&](int request) {
        EXPECT_EQ(request, kRequestDelete);
        EXPECT_EQ(adr->remove(), 0);
        return FormOutcome{kResponseCompleted, 0};
    });
    EXPECT_EQ(pageIds(*b), (std::vector<int>{1, 3, 4, 5, 6}));
    EXPECT_EQ(currentId(*b), 3);
}

TEST_F(BrowseEngineTest, ChangeAndDeleteOnAnEmptyListDoNothing) {
    auto b = openBrowse(1);
    bool called = false;
    const auto o = b->runRequest(kRequestChange, [&](int) {
        called = true;
        return FormOutcome{kResponseCompleted, 0};
    });
    EXPECT_FALSE(called);
    EXPECT_EQ(o.response, kResponseCancelled);
}

TEST_F(BrowseEngineTest, AReadErrorWhileFillingShowsMessage35AndClosesTheBrowse) {
    addFirms(3);
    auto b = openBrowse(3);
    ASSERT_EQ(adr->close(), 0); // the file goes away under the list
    b->refresh(RefreshMode::KeepHighlight);
    EXPECT_TRUE(b->failed());
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_EQ(messages.shown().back().title, "Record Retrieval Error");
}

TEST(ListFormat, RoundTripAndRejectsWhatDoesNotFit) {
    EXPECT_EQ(formatListWidths({60, 200, 0}), "60,200,0");
    EXPECT_EQ(parseListWidths("60,200,0", 3), (std::vector<int>{60, 200, 0}));
    EXPECT_FALSE(parseListWidths("", 3));
    EXPECT_FALSE(parseListWidths("60,200", 3));
    EXPECT_FALSE(parseListWidths("60,x,1", 3));
    EXPECT_FALSE(parseListWidths("60,,1", 3));
    EXPECT_FALSE(parseListWidths("-5,1,1", 3));
}

} // namespace
} // namespace zv::records
