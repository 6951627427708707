#include "app/selections/labels/label_run.h"

#include "app/shell/access/database.h"
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
using ui::Length;

// Fonts need a Gui application; the labels need no windows.
void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "label_tests";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives for the whole test run
}

class LabelRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGuiApplication();
        db.registerDriver(driver);
        for (const char* f : {"Label", "Vybery"}) {
            ASSERT_EQ(db.file(f).create(), 0);
            ASSERT_EQ(db.file(f).open(), 0);
        }
        auto& l = label().as<LabelRecord>();
        label().clearBuffer();
        l.LABELTYPE.set("3x7");
        (void)l.PAGEWIDTH.set(8.268);
        (void)l.PAGEHEIGHT.set(11.693);
        (void)l.LABELWIDTH.set(2.756);
        (void)l.LABELHEIGHT.set(1.665);
        (void)l.TOPMARGIN.set(0.018);
        (void)l.LEFTMARGIN.set(0.0);
        l.FONTSIZE.set(10);
    }
    access::RecordFile& label() { return db.file("Label"); }
    access::RecordFile& vybery() { return db.file("Vybery"); }
    void addRow(int id, const std::string& firm) {
        vybery().clearBuffer();
        auto& v = vybery().as<VyberyRecord>();
        v.ID.set(id);
        v.FIRMA.set(cp1250::fromUtf8(firm));
        v.PSC.set("602 00");
        v.MESTO.set("Brno");
        vybery().clearCurrent();
        ASSERT_EQ(vybery().add(), 0);
    }
    // The pages of a run, and the texts with their boxes.
    ui::PageSet run(LabelOptions options, long* labels = nullptr) {
        ui::FontFaces faces;
        ui::ReportWriter writer(labelReport(label(), vybery(), options), faces);
        LabelRun r(vybery(), writer, options);
        while (r.nextRow()) {
        }
        EXPECT_EQ(r.error(), 0);
        if (labels) *labels = r.labels();
        writer.finish();
        return writer.takePages();
    }
    static std::vector<ui::TextStep> texts(const ui::Page& page) {
        std::vector<ui::TextStep> out;
        for (const auto& step : page.steps)
            if (const auto* t = std::get_if<ui::TextStep>(&step); t && !t->text.empty())
                out.push_back(*t);
        return out;
    }

    access::testing::MemoryDriver driver;
    access::Database db;
};

TEST_F(LabelRunTest, LinesLieSpacingTimesTheFontHeightApartAndTheTownAfterFourHeights) {
    addRow(1, "Alfa");
    LabelOptions options;
    options.spacing = 2.0;
    const auto pages = run(options);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, Length::mils(8268));
    const auto t = texts(pages[0]);
    ASSERT_EQ(t.size(), 3u);            // firm, postcode, town; the blank lines print nothing
    const Length h = Length::mils(139); // 10 pt: 138.9 thousandths of an inch
    EXPECT_EQ(t[0].box.y, Length::mils(18) + Length::mils(18)); // area top + line 1
    EXPECT_EQ(t[0].box.x, Length::mils(0));
    EXPECT_EQ(t[1].box.y - t[0].box.y, h * 2.0 * 3.0);     // line 4, spacing 2
    EXPECT_EQ(t[2].box.x - t[1].box.x, Length::mils(556)); // 4 x 10 / 72 inch
    EXPECT_EQ(t[0].font.face, "Corvid CE");                // a blank typeface
    EXPECT_EQ(t[0].font.points, 10.0);
}

TEST_F(LabelRunTest, SkippedLabelsComeFirstAndCopiesLieSideBySide) {
    addRow(1, "Alfa");
    addRow(2, "Beta");
    LabelOptions options;
    options.skip = 3;
    options.copies = 2;
    long labels = 0;
    const auto pages = run(options, &labels);
    EXPECT_EQ(labels, 7);
    const auto t = texts(pages[0]);
    std::vector<std::pair<std::int64_t, std::int64_t>> firms; // origins of the firm lines
    for (const auto& s : t)
        if (s.text == "Alfa" || s.text == "Beta") firms.push_back({s.box.x.mils(), s.box.y.mils()});
    ASSERT_EQ(firms.size(), 4u);
    // The first row of three stays blank; Alfa twice, then Beta twice.
    EXPECT_EQ(firms[0], std::make_pair(std::int64_t(0), std::int64_t(18 + 1665 + 18)));
    EXPECT_EQ(firms[1], std::make_pair(std::int64_t(2756), std::int64_t(18 + 1665 + 18)));
    EXPECT_EQ(firms[2], std::make_pair(std::int64_t(5512), std::int64_t(18 + 1665 + 18)));
    EXPECT_EQ(firms[3], std::make_pair(std::int64_t(0), std::int64_t(18 + 2 * 1665 + 18)));
}

TEST_F(LabelRunTest, AnEmptySelectionPrintsOnlyTheSkippedLabels) {
    LabelOptions options;
    options.skip = 4;
    long labels = 0;
    const auto pages = run(options, &labels);
    EXPECT_EQ(labels, 4);
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_TRUE(texts(pages[0]).empty());
}

TEST_F(LabelRunTest, RowsThatVanishDuringTheRunEndItWithoutAnError) {
    addRow(1, "Alfa");
    addRow(2, "Beta");
    addRow(3, "Gama");
    ui::FontFaces faces;
    LabelOptions options;
    ui::ReportWriter writer(labelReport(label(), vybery(), options), faces);
    LabelRun run(vybery(), writer, options);
    ASSERT_TRUE(run.nextRow()); // Alfa
    // Another window empties the selection: the count said three.
    ASSERT_EQ(vybery().empty(), 0);
    while (run.nextRow()) {
    }
    EXPECT_EQ(run.error(), 0);
    EXPECT_LE(run.rows(), 3);
}

TEST_F(LabelRunTest, LayoutsThatCannotBePrintedAreRefused) {
    EXPECT_TRUE(labelLayoutFault(label()).empty());
    auto& l = label().as<LabelRecord>();
    (void)l.LABELWIDTH.set(9.0); // wider than the page
    EXPECT_FALSE(labelLayoutFault(label()).empty());
    (void)l.LABELWIDTH.set(0.0);
    EXPECT_FALSE(labelLayoutFault(label()).empty());
    (void)l.LABELWIDTH.set(2.0);
    (void)l.PAGEHEIGHT.set(-1.0);
    EXPECT_FALSE(labelLayoutFault(label()).empty());
}

} // namespace
} // namespace zv::selections
