#include "app/selections/reports/list_report.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "ui/report/font_faces.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <vector>

namespace zv::selections {
namespace {

using namespace zv::rec;

// Fonts need a Gui application; the reports need no windows.
void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "list_report_tests";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives for the whole test run
}

class ListReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGuiApplication();
        db.registerDriver(driver);
        for (const char* f : {"Vybery", "Schuzky", "Adresar"}) {
            ASSERT_EQ(db.file(f).create(), 0);
            ASSERT_EQ(db.file(f).open(), 0);
        }
    }
    void addRow(int id, const char* firm, const char* town) {
        auto& v = db.file("Vybery");
        v.clearBuffer();
        v.as<VyberyRecord>().ID.set(id);
        v.as<VyberyRecord>().FIRMA.set(cp1250::fromUtf8(firm));
        v.as<VyberyRecord>().MESTO.set(cp1250::fromUtf8(town));
        v.clearCurrent();
        ASSERT_EQ(v.add(), 0);
    }
    void addContact(int firm, std::int32_t date, const std::string& note) {
        auto& s = db.file("Schuzky");
        s.clearBuffer();
        s.as<SchuzkyRecord>().ID.set(firm);
        s.as<SchuzkyRecord>().Datum.set(date);
        s.as<SchuzkyRecord>().Popis.set("Schůzka");
        s.as<SchuzkyRecord>().Pozn.set(note);
        s.clearCurrent();
        ASSERT_EQ(s.add(), 0);
    }
    // The texts of every page, in painting order.
    std::vector<std::vector<std::string>> run(ListKind kind, std::int32_t firm = 0,
                                              long* rows = nullptr) {
        const ListReport list = listReport(kind, db, 80000, firm);
        ui::FontFaces faces;
        ui::ReportWriter writer(list.report, faces);
        ListRun r(db, list, writer, firm);
        while (r.nextRow()) {
        }
        EXPECT_EQ(r.error(), 0);
        if (rows) *rows = r.rows();
        writer.finish();
        std::vector<std::vector<std::string>> pages;
        for (const auto& page : writer.takePages()) {
            pages.emplace_back();
            for (const auto& step : page.steps)
                if (const auto* t = std::get_if<ui::TextStep>(&step); t && !t->text.empty())
                    pages.back().push_back(cp1250::toUtf8(t->text));
        }
        return pages;
    }
    static long count(const std::vector<std::string>& texts, const std::string& text) {
        return std::count(texts.begin(), texts.end(), text);
    }

    access::testing::MemoryDriver driver;
    access::Database db;
};

TEST_F(ListReportTest, AnEmptySelectionGivesOnePageWithHeaderAndFooterOnly) {
    long rows = -1;
    const auto pages = run(ListKind::FirmsByName, 0, &rows);
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(count(pages[0], "Seznam firem"), 1);
    EXPECT_EQ(count(pages[0], "Strana"), 1);
    EXPECT_EQ(count(pages[0], "1"), 1); // the page number
    EXPECT_EQ(count(pages[0], "Firma:"), 0);
}

TEST_F(ListReportTest, FirmsOfOneNameInDifferentTownsBothAppearOrderedByTown) {
    addRow(1, "Beta", "Praha");
    addRow(2, "Alfa", "Ostrava");
    addRow(3, "Alfa", "Brno");
    const auto byName = run(ListKind::FirmsByName);
    ASSERT_EQ(byName.size(), 1u);
    std::vector<std::string> order;
    for (const auto& t : byName[0])
        if (t == "Brno" || t == "Ostrava" || t == "Praha") order.push_back(t);
    EXPECT_EQ(order, (std::vector<std::string>{"Brno", "Ostrava", "Praha"}));
    EXPECT_EQ(count(byName[0], "Alfa"), 2);
    const auto byTown = run(ListKind::FirmsByTown);
    std::vector<std::string> firms;
    for (const auto& t : byTown[0])
        if (t == "Alfa" || t == "Beta") firms.push_back(t);
    EXPECT_EQ(firms, (std::vector<std::string>{"Alfa", "Alfa", "Beta"}));
}

TEST_F(ListReportTest, TheHistoryListsOnlyItsFirmsContactsAndWrapsTheNote) {
    long rows = -1;
    auto pages = run(ListKind::History, 5, &rows);
    EXPECT_EQ(rows, 0); // a firm without contacts: the header page only
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(count(pages[0], "Historie kontaktů"), 1);
    addContact(4, 80001, "jinde");
    addContact(5, 80002, std::string(40, 'a') + " " + std::string(90, 'b') + " konec");
    addContact(6, 80003, "jinde");
    pages = run(ListKind::History, 5, &rows);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(count(pages[0], "jinde"), 0);
    EXPECT_EQ(count(pages[0], std::string(40, 'a')), 1); // the note wraps word by word
    EXPECT_EQ(count(pages[0], std::string(90, 'b') + " konec"), 1);
}

TEST_F(ListReportTest, ManyFirmsFillSeveralPagesAndNoDetailIsSplit) {
    for (int i = 1; i <= 60; ++i)
        addRow(i, ("Firma " + std::to_string(100 + i)).c_str(), "Brno");
    const auto pages = run(ListKind::FirmsByName);
    ASSERT_GT(pages.size(), 1u);
    long firms = 0;
    for (const auto& p : pages) {
        firms += count(p, "Firma:");
        EXPECT_EQ(count(p, "Firma:"), count(p, "Fax:")); // each firm whole on its page
    }
    EXPECT_EQ(firms, 60);
}

} // namespace
} // namespace zv::selections
