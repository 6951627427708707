#include "ui/window/czech_texts.h"

#include "ui/testing/on_modal.h"
#include "ui/window/runtime_error_box.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <gtest/gtest.h>

#include <memory>

namespace zv::ui {
namespace {

TEST(CzechTextsTest, MessageBoxButtonsSpeakCzech) {
    ASSERT_TRUE(useCzechTexts(*qApp));
    QStringList buttons;
    testing::onModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        box->done(QMessageBox::No);
    });
    QMessageBox::question(nullptr, QStringLiteral("Rušení záznamu"),
                          QStringLiteral("Chcete zrušit vybraný záznam !"),
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const QString all = buttons.join(QLatin1Char('|')).remove(QLatin1Char('&'));
    EXPECT_TRUE(all.contains(QStringLiteral("Ano"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Ne"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Zrušit"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Yes"))) << all.toStdString();
}

TEST(CzechTextsTest, TheContextMenuOfAnEntryFieldSpeaksCzech) {
    ASSERT_TRUE(useCzechTexts(*qApp));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << a->text().remove(QLatin1Char('&'));
    const QString all = texts.join(QLatin1Char('|'));
    EXPECT_TRUE(all.contains(QStringLiteral("Vložit"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Paste"))) << all.toStdString();
}

TEST(CzechTextsTest, TheProgramsOwnEnglishTextsStay) {
    ASSERT_TRUE(useCzechTexts(*qApp));
    QString title;
    testing::onModal([&](QWidget* w) {
        title = w->windowTitle();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    showRuntimeErrorBox("Runtime error", "Internal error : qtfbt line 412");
    EXPECT_EQ(title, QStringLiteral("Runtime error"));
}

} // namespace
} // namespace zv::ui
