#include "ui/help/help_book.h"

#include "ui/help/help_window.h"
#include "ui/testing/on_modal.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <map>

namespace zv::ui {
namespace {

class HelpBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        page("index.html", "<title>Obsah</title><p><a href=\"okno.html\">Okno</a></p>");
        page("napoveda.html", "<title>Jak používat nápovědu</title><p>Nápověda</p>");
        page("okno.html", "<title>Okno</title><p>Tlačítko OK uloží.</p>");
        page("klic.html", "<title>Klíč</title><p>Stránka klíče.</p>");
        book = std::make_unique<HelpBook>(
            tmp_.path(),
            [](const QString& topic) {
                static const std::map<QString, QString> pages{
                    {QStringLiteral("OKNO"), QStringLiteral("okno.html")},
                    {QStringLiteral("~H_KLIC"), QStringLiteral("klic.html")}};
                auto p = pages.find(topic.toUpper());
                return p == pages.end() ? QString() : p->second;
            },
            QStringLiteral("index.html"), QStringLiteral("napoveda.html"));
        book->install();
    }

    void page(const char* name, const char* html) {
        QFile f(QDir(tmp_.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(html));
    }

    static void pressF1(QWidget* w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }

    QString shown() const { return book->window() ? book->window()->currentPage() : QString(); }

    QTemporaryDir tmp_;
    std::unique_ptr<HelpBook> book;
};

TEST_F(HelpBookTest, F1InAFieldOpensThePageOfItsWindow) {
    QDialog window;
    window.setObjectName(QStringLiteral("OKNO"));
    auto* field = new QLineEdit(&window);
    pressF1(field);
    ASSERT_NE(book->window(), nullptr);
    EXPECT_TRUE(book->window()->isVisible());
    EXPECT_EQ(shown(), QStringLiteral("okno.html"));
    EXPECT_TRUE(book->window()->windowTitle().contains(QStringLiteral("Okno")));
}

TEST_F(HelpBookTest, AHelpButtonIsEnabledAndFindsItsWindowByTheSettingsSection) {
    QDialog window;
    auto* layout = new QVBoxLayout(&window);
    auto* help = new QPushButton(QStringLiteral("Help"), &window);
    help->setEnabled(false);
    auto* other = new QPushButton(QStringLiteral("OK"), &window);
    other->setEnabled(false);
    layout->addWidget(help);
    layout->addWidget(other);
    QTemporaryDir dir;
    restoreWindowState(window, ProfileFile((dir.path() + "/ZEVLON.INI").toStdString()), "Okno");
    window.show();
    EXPECT_TRUE(help->isEnabled());
    EXPECT_FALSE(other->isEnabled());
    help->click();
    EXPECT_EQ(shown(), QStringLiteral("okno.html"));
}

TEST_F(HelpBookTest, AHelpKeywordOfTheWindowWinsOverItsName) {
    QDialog window;
    window.setObjectName(QStringLiteral("OKNO"));
    setHelpTopic(window, QStringLiteral("~H_Klic"));
    EXPECT_EQ(book->topicOf(&window), QStringLiteral("~H_Klic"));
    pressF1(&window);
    EXPECT_EQ(shown(), QStringLiteral("klic.html"));
}

TEST_F(HelpBookTest, AWindowWithoutATopicGetsTheContents) {
    QDialog window;
    window.setObjectName(QStringLiteral("NEZNAMY"));
    EXPECT_TRUE(book->topicOf(&window).isEmpty());
    pressF1(&window);
    EXPECT_EQ(shown(), QStringLiteral("index.html"));
}

TEST_F(HelpBookTest, F1InTheHelpWindowTellsHowToUseTheHelp) {
    book->showContents();
    pressF1(book->window()->browser());
    EXPECT_EQ(shown(), QStringLiteral("napoveda.html"));
}

TEST_F(HelpBookTest, HelpFromAModalDialogCanBeReadBeforeTheDialogGoesOn) {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("OKNO"));
    Qt::WindowModality modality = Qt::NonModal;
    testing::onModal([&](QWidget* w) {
        pressF1(w);
        modality = book->window()->windowModality();
        EXPECT_EQ(QApplication::activeModalWidget(), book->window());
        book->window()->close();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_EQ(shown(), QStringLiteral("okno.html"));
    // From a window that is not modal the help is not modal either.
    QDialog plain;
    plain.setObjectName(QStringLiteral("OKNO"));
    pressF1(&plain);
    EXPECT_EQ(book->window()->windowModality(), Qt::NonModal);
}

TEST_F(HelpBookTest, LinksAndBackThroughThePagesSeen) {
    book->showContents();
    QTextBrowser* browser = book->window()->browser();
    // A link is followed as the browser resolves it against the page shown.
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("okno.html"))));
    EXPECT_EQ(shown(), QStringLiteral("okno.html"));
    EXPECT_TRUE(browser->isBackwardAvailable());
    browser->backward();
    EXPECT_EQ(shown(), QStringLiteral("index.html"));
}

TEST_F(HelpBookTest, SearchListsThePagesAndOpensTheOneChosen) {
    book->showSearch();
    HelpWindow* w = book->window();
    EXPECT_TRUE(w->searchField()->hasFocus() || !w->isActiveWindow());
    EXPECT_EQ(w->search(QStringLiteral("tlacitko")), 1);
    ASSERT_EQ(w->results()->count(), 1);
    emit w->results()->itemActivated(w->results()->item(0));
    EXPECT_EQ(shown(), QStringLiteral("okno.html"));
    EXPECT_EQ(w->browser()->textCursor().selectedText(), QStringLiteral("Tlačítko"));
    EXPECT_EQ(w->search(QStringLiteral("nic takoveho")), 0);
}

TEST_F(HelpBookTest, AMissingPageIsNamed) {
    book->showTopic(QStringLiteral("OKNO"));
    QFile::remove(QDir(tmp_.path()).filePath(QStringLiteral("klic.html")));
    book->showTopic(QStringLiteral("~H_Klic"));
    EXPECT_TRUE(book->window()->browser()->toPlainText().contains(QStringLiteral("klic.html")));
}

} // namespace
} // namespace zv::ui
