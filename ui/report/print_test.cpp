#include "ui/report/print.h"

#include "platform/codepage.h"
#include "ui/report/page_painter.h"
#include "ui/report/report_writer.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace zv::ui {
namespace {

Length mils(std::int64_t n) {
    return Length::mils(n);
}

// Three pages of Letter paper; each detail carries a black square of 0.2 inch at
// its left edge and a Czech line of text beside it.
PageSet threePages(FontFaces& faces) {
    Report r;
    r.layout.paperWidth = mils(8500);
    r.layout.paperHeight = mils(11000);
    r.layout.area = {mils(750), mils(1000), mils(7000), mils(9000)};
    r.pageFooter = Band{mils(300), {}};
    FontSpec corvid;
    corvid.face = "Corvid CE";
    corvid.points = 12;
    r.pageFooter->addText({mils(0), mils(0), mils(700), mils(250)}, corvid, "Strana");
    r.pageFooter->addField({mils(700), mils(0), mils(500), mils(250)}, corvid, pageNumberSource());
    r.detail = Band{mils(3000), {}};
    r.detail.addBox({mils(0), mils(0), mils(200), mils(200)}, {}, 0x000000);
    r.detail.addText({mils(500), mils(0), mils(6000), mils(300)}, corvid,
                     cp1250::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy"));
    ReportWriter w(std::move(r), faces);
    for (int i = 0; i < 6; ++i)
        w.printDetail(); // two on a page (8700 of body)
    w.finish();
    return w.takePages();
}

// The top-left corner of the dark pixels of an image, in pixels.
std::optional<QPoint> darkCorner(const QImage& image, QRect within) {
    int top = -1, left = -1;
    for (int y = within.top(); y <= within.bottom() && y < image.height(); ++y)
        for (int x = within.left(); x <= within.right() && x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                if (top < 0) top = y;
                if (left < 0 || x < left) left = x;
            }
    if (top < 0) return std::nullopt;
    return QPoint(left, top);
}

class PrintTest : public ::testing::Test {
protected:
    PrintTest() : faces_(ProfileFile((dir_.path() + "/system.ini").toStdString())) {
        (void)ProfileFile((dir_.path() + "/system.ini").toStdString())
            .writeString("FontSubstitutes", "Corvid CE", "Arial,238");
    }
    QTemporaryDir dir_;
    FontFaces faces_;
};

TEST_F(PrintTest, PageImageHasTheMarkWhereTheReportPutIt) {
    const PageSet pages = threePages(faces_);
    QImage image(850, 1100, QImage::Format_RGB32); // 100 dpi
    image.fill(Qt::white);
    {
        QPainter p(&image);
        paintPage(p, pages[1], 100, 100);
    }
    // Page 2 begins with the third detail: square at (0.75 in, 1.0 in).
    const auto corner = darkCorner(image, QRect(0, 0, 400, 300));
    ASSERT_TRUE(corner);
    EXPECT_NEAR(corner->x(), 75, 1);
    EXPECT_NEAR(corner->y(), 100, 1);
}

TEST_F(PrintTest, PdfPagesCountAndMarkPosition) {
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    ASSERT_FALSE(pdftoppm.isEmpty()) << "pdftoppm (poppler-utils) is needed";
    const PageSet pages = threePages(faces_);
    ASSERT_EQ(pages.size(), 3u);
    const QString pdf = dir_.path() + "/report.pdf";
    const PrintOutcome out = printToPdf(pages, pdf.toStdString());
    ASSERT_TRUE(out.ok()) << out.message;

    constexpr int kDpi = 150;
    QProcess proc;
    proc.start(pdftoppm, {"-r", QString::number(kDpi), "-png", pdf, dir_.path() + "/page"});
    ASSERT_TRUE(proc.waitForFinished(60000));
    ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
    const QStringList pngs = QDir(dir_.path()).entryList({"page-*.png"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pngs.size(), 3);

    const double halfMm = 0.5 / 25.4 * kDpi; // pixels
    for (int i = 0; i < 3; ++i) {
        const QImage image(dir_.path() + "/" + pngs[i]);
        ASSERT_FALSE(image.isNull());
        EXPECT_NEAR(image.width(), 8.5 * kDpi, 1);
        EXPECT_NEAR(image.height(), 11 * kDpi, 1);
        // The first detail's square of every page at (0.75 in, 1.0 in) of the paper.
        const auto corner = darkCorner(image, QRect(0, 0, kDpi * 2, kDpi * 2));
        ASSERT_TRUE(corner) << "page " << i + 1;
        EXPECT_NEAR(corner->x(), 0.75 * kDpi, halfMm) << "page " << i + 1;
        EXPECT_NEAR(corner->y(), 1.0 * kDpi, halfMm) << "page " << i + 1;
        // The second detail's square 3 inches lower.
        const auto second = darkCorner(image, QRect(0, kDpi * 3, kDpi * 2, kDpi * 2));
        if (i < 2) {
            ASSERT_TRUE(second);
            EXPECT_NEAR(second->y(), 4.0 * kDpi, halfMm);
        }
    }

    // Text went in as text, every Czech letter kept.
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    ASSERT_FALSE(pdftotext.isEmpty());
    QProcess text;
    text.start(pdftotext, {"-f", "1", "-l", "1", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString got = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(got.contains(QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy")))
        << got.toStdString();
    EXPECT_TRUE(got.contains(QStringLiteral("Strana"))) << got.toStdString();
}

TEST_F(PrintTest, NothingToPrintIsReported) {
    const PrintOutcome out = printToPdf({}, (dir_.path() + "/empty.pdf").toStdString());
    EXPECT_EQ(out.code, PrintOutcome::Code::NothingToPrint);
    EXPECT_FALSE(out.message.empty());
}

TEST_F(PrintTest, UnwritableFileIsReportedWithItsName) {
    const PageSet pages = threePages(faces_);
    const std::string path = (dir_.path() + "/no/such/dir/x.pdf").toStdString();
    const PrintOutcome out = printToPdf(pages, path);
    EXPECT_EQ(out.code, PrintOutcome::Code::CannotStart);
    EXPECT_NE(out.message.find("x.pdf"), std::string::npos) << out.message;
}

} // namespace
} // namespace zv::ui
