#include "ui/help/help_search.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zv::ui {
namespace {

void writePage(const QDir& dir, const QString& name, const QString& html) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(html.toUtf8());
}

TEST(HelpSearchTest, FoldingDropsCaseAndDiacritics) {
    EXPECT_EQ(foldedText(QStringLiteral("Záloha ŠTÍTKŮ")), QStringLiteral("zaloha stitku"));
}

TEST(HelpSearchTest, TitleAndTextOfAPage) {
    const QString html = QStringLiteral("<html><head><title>Oprava &amp; klíče</title></head>"
                                        "<body><p>První <b>řádek</b></p></body></html>");
    EXPECT_EQ(pageTitle(html), QStringLiteral("Oprava & klíče"));
    EXPECT_TRUE(pageText(html).contains(QStringLiteral("První řádek")));
    EXPECT_FALSE(pageText(html).contains(QStringLiteral("<b>")));
}

TEST(HelpSearchTest, APageMatchesWhenItHoldsEveryWord) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    writePage(dir, QStringLiteral("a.html"),
              QStringLiteral("<title>Záloha dat</title><p>Zálohu spustíte tlačítkem OK.</p>"));
    writePage(dir, QStringLiteral("b.html"),
              QStringLiteral("<title>Adresář</title><p>Seznam firem a záloha.</p>"));
    writePage(dir, QStringLiteral("c.txt"), QStringLiteral("záloha"));

    auto hits = searchPages(dir.path(), QStringLiteral("zaloha"));
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].title, QStringLiteral("Adresář"));
    EXPECT_EQ(hits[1].page, QStringLiteral("a.html"));

    hits = searchPages(dir.path(), QStringLiteral("ZÁLOHA tlačítkem"));
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].page, QStringLiteral("a.html"));

    EXPECT_TRUE(searchPages(dir.path(), QStringLiteral("  ")).isEmpty());
    EXPECT_TRUE(searchPages(dir.path(), QStringLiteral("tlačítkem firem")).isEmpty());
}

TEST(HelpSearchTest, TagsAreNotSearched) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    writePage(dir, QStringLiteral("a.html"), QStringLiteral("<p class=\"poznamka\">text</p>"));
    EXPECT_TRUE(searchPages(dir.path(), QStringLiteral("poznamka")).isEmpty());
}

} // namespace
} // namespace zv::ui
