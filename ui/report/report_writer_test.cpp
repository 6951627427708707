#include "ui/report/report_writer.h"

#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zv::ui {
namespace {

Length mils(std::int64_t n) {
    return Length::mils(n);
}

// Boxes mark where each band landed: the header's box carries colour 1, the
// footer's text the page number, a detail's box its colour.
class ReportWriterTest : public ::testing::Test {
protected:
    ReportWriterTest() : faces_(ProfileFile((dir_.path() + "/system.ini").toStdString())) {}

    static Report downReport() {
        Report r;
        r.layout.paperWidth = mils(8500);
        r.layout.paperHeight = mils(11000);
        r.layout.area = {mils(500), mils(500), mils(7000), mils(10000)};
        r.pageHeader = Band{mils(1000), {}};
        r.pageHeader->addBox({mils(0), mils(0), mils(7000), mils(1000)}, {}, 1);
        r.pageFooter = Band{mils(500), {}};
        r.pageFooter->addField({mils(0), mils(0), mils(1000), mils(200)}, {}, pageNumberSource());
        r.detail = Band{mils(2000), {}};
        r.detail.addBox({mils(0), mils(0), mils(7000), mils(2000)}, {}, 2);
        return r;
    }

    static Report labelReport(Length cellW, Length cellH) {
        Report r;
        r.layout.area = {mils(250), mils(500), mils(8000), mils(10000)};
        r.layout.flow = DetailFlow::AcrossThenDown;
        r.layout.cellWidth = cellW;
        r.layout.cellHeight = cellH;
        r.detail = Band{cellH, {}};
        r.detail.addBox({mils(0), mils(0), cellW, cellH}, {}, 2);
        return r;
    }

    // Origins of the boxes of one colour on a page, in order.
    static std::vector<PagePoint> boxes(const Page& page, std::uint32_t colour) {
        std::vector<PagePoint> out;
        for (const DrawStep& s : page.steps)
            if (const auto* b = std::get_if<BoxStep>(&s); b && b->fill == colour)
                out.push_back({b->rect.x, b->rect.y});
        return out;
    }

    static std::vector<const TextStep*> texts(const Page& page) {
        std::vector<const TextStep*> out;
        for (const DrawStep& s : page.steps)
            if (const auto* t = std::get_if<TextStep>(&s)) out.push_back(t);
        return out;
    }

    QTemporaryDir dir_;
    FontFaces faces_;
};

TEST_F(ReportWriterTest, HeadersAndFootersOnEveryPageDetailsContinue) {
    ReportWriter w(downReport(), faces_);
    for (int i = 0; i < 10; ++i)
        w.printDetail();
    w.finish();
    const PageSet& pages = w.pages();
    ASSERT_EQ(pages.size(), 3u); // four details of 2000 fit between 1500 and 10000
    const std::vector<std::size_t> perPage = {4, 4, 2};
    for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_EQ(pages[p].width, mils(8500));
        EXPECT_EQ(pages[p].height, mils(11000));
        EXPECT_EQ(boxes(pages[p], 1), (std::vector<PagePoint>{{mils(500), mils(500)}}));
        const auto details = boxes(pages[p], 2);
        ASSERT_EQ(details.size(), perPage[p]);
        for (std::size_t i = 0; i < details.size(); ++i)
            EXPECT_EQ(details[i], (PagePoint{mils(500), mils(1500 + 2000 * std::int64_t(i))}));
        const auto t = texts(pages[p]);
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0]->text, std::to_string(p + 1));
        EXPECT_EQ(t[0]->box.y, mils(10000)); // footer at the bottom of the area
    }
}

TEST_F(ReportWriterTest, EmptyReportIsOnePageWithHeaderAndFooter) {
    ReportWriter w(downReport(), faces_);
    w.finish();
    ASSERT_EQ(w.pages().size(), 1u);
    EXPECT_EQ(boxes(w.pages()[0], 1).size(), 1u);
    EXPECT_TRUE(boxes(w.pages()[0], 2).empty());
    EXPECT_EQ(texts(w.pages()[0]).size(), 1u);
}

TEST_F(ReportWriterTest, CellsGoAcrossThenDownToTheThousandth) {
    ReportWriter w(labelReport(mils(2625), mils(1000)), faces_);
    for (int i = 0; i < 31; ++i)
        w.printDetail();
    w.finish();
    ASSERT_EQ(w.pages().size(), 2u); // 3 across x 10 down on a page
    const auto first = boxes(w.pages()[0], 2);
    ASSERT_EQ(first.size(), 30u);
    for (std::int64_t i = 0; i < 30; ++i)
        EXPECT_EQ(first[i], (PagePoint{mils(250 + (i % 3) * 2625), mils(500 + (i / 3) * 1000)}))
            << "cell " << i;
    EXPECT_EQ(boxes(w.pages()[1], 2), (std::vector<PagePoint>{{mils(250), mils(500)}}));
}

TEST_F(ReportWriterTest, CellThatDoesNotFitGoesToTheNextPage) {
    Report r = labelReport(mils(4000), mils(3000));
    r.pageFooter = Band{mils(600), {}};
    ReportWriter w(std::move(r), faces_);
    for (int i = 0; i < 8; ++i)
        w.printDetail();
    w.finish();
    // Rows at 500, 3500, 6500; a fourth would end at 12500, past 9900.
    ASSERT_EQ(w.pages().size(), 2u);
    const auto first = boxes(w.pages()[0], 2);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[5], (PagePoint{mils(4250), mils(6500)}));
    EXPECT_EQ(boxes(w.pages()[1], 2),
              (std::vector<PagePoint>{{mils(250), mils(500)}, {mils(4250), mils(500)}}));
}

TEST_F(ReportWriterTest, SkippedCellsStayBlank) {
    // Skip 3 on a sheet three labels across: the first row stays empty.
    ReportWriter w(labelReport(mils(2625), mils(1000)), faces_);
    for (int i = 0; i < 3; ++i)
        w.skipDetail();
    w.printDetail();
    w.printDetail();
    w.finish();
    EXPECT_EQ(boxes(w.pages()[0], 2),
              (std::vector<PagePoint>{{mils(250), mils(1500)}, {mils(2875), mils(1500)}}));
}

TEST_F(ReportWriterTest, BandTallerThanThePageDoesNotLoop) {
    Report r = downReport();
    r.detail = Band{mils(50000), {}};
    r.detail.addBox({mils(0), mils(0), mils(10), mils(10)}, {}, 2);
    ReportWriter w(std::move(r), faces_);
    w.printDetail();
    w.printDetail();
    w.finish();
    ASSERT_EQ(w.pages().size(), 2u);
    EXPECT_EQ(boxes(w.pages()[1], 2), (std::vector<PagePoint>{{mils(500), mils(1500)}}));
}

TEST_F(ReportWriterTest, CellsWithoutSizeDoNotHang) {
    ReportWriter w(labelReport(mils(0), mils(-5)), faces_);
    for (int i = 0; i < 1000; ++i)
        w.printDetail();
    w.finish();
    EXPECT_FALSE(w.pages().empty());
}

TEST_F(ReportWriterTest, FieldsTakeTheirValuesWhenTheBandPrints) {
    Report r = downReport();
    r.pageHeader.reset();
    r.pageFooter.reset();
    std::string firm;
    std::int64_t date = 0;
    r.detail = Band{mils(300), {}};
    r.detail.addField({mils(0), mils(0), mils(3000), mils(200)}, {},
                      [&](const PrintState&) { return FieldValue(firm); });
    r.detail.addField(
        {mils(3000), mils(0), mils(1000), mils(200)}, {},
        [&](const PrintState&) { return FieldValue(date); }, "@d5.");
    r.detail.addText({mils(4000), mils(0), mils(0), mils(0)}, {}, "PSC:");
    std::vector<std::string> pictures;
    r.formatter = [&](const FieldValue& v, std::string_view picture) {
        pictures.emplace_back(picture);
        return "<" + plainText(v) + ">";
    };
    ReportWriter w(std::move(r), faces_);
    firm = "Alfa";
    date = 80000;
    w.printDetail();
    firm = "Beta";
    date = 80001;
    w.printDetail();
    w.finish();
    std::vector<std::string> printed;
    for (const TextStep* t : texts(w.pages()[0]))
        printed.push_back(t->text);
    EXPECT_EQ(printed,
              (std::vector<std::string>{"Alfa", "<80000>", "PSC:", "Beta", "<80001>", "PSC:"}));
    EXPECT_EQ(pictures, (std::vector<std::string>{"@d5.", "@d5."}));
}

TEST_F(ReportWriterTest, LinesMoveWithTheirBand) {
    Report r = downReport();
    r.detail.addLine({mils(0), mils(100)}, {mils(7000), mils(100)}, mils(10), 0x123456);
    ReportWriter w(std::move(r), faces_);
    w.printDetail();
    w.printDetail();
    w.finish();
    std::vector<LineStep> lines;
    for (const DrawStep& s : w.pages()[0].steps)
        if (const auto* l = std::get_if<LineStep>(&s)) lines.push_back(*l);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].from, (PagePoint{mils(500), mils(3600)}));
    EXPECT_EQ(lines[1].to, (PagePoint{mils(7500), mils(3600)}));
    EXPECT_EQ(lines[1].color, 0x123456u);
}

TEST(LengthTest, ConversionsRoundToTheThousandth) {
    EXPECT_EQ(Length::inches(2.625).mils(), 2625);
    EXPECT_EQ(Length::points(10).mils(), 139); // 10/72 inch
    EXPECT_EQ(Length::millimetres(25.4).mils(), 1000);
    EXPECT_EQ((Length::mils(139) * 2.0).mils(), 278);
    EXPECT_EQ(Length::inches(-0.0005).mils(), -1);
    EXPECT_EQ(Length::inches(std::nan("")).mils(), 0);
    EXPECT_GT(Length::inches(1e300).mils(), 0);
    EXPECT_DOUBLE_EQ(Length::mils(500).toDots(600), 300.0);
}

} // namespace
} // namespace zv::ui
