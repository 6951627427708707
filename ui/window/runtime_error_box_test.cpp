#include "ui/window/runtime_error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace zv::ui {
namespace {

TEST(RuntimeErrorBoxTest, TheBoxIsTitledRuntimeErrorAndNamesTheFaultAndTheFile) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    showRuntimeErrorBox("Runtime error", "Internal error : qtfbt line 412\nFile: data/ADRESAR.QTF");
    EXPECT_EQ(title, "Runtime error");
    EXPECT_TRUE(text.contains("Internal error : qtfbt line 412"));
    EXPECT_TRUE(text.contains("data/ADRESAR.QTF"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

} // namespace
} // namespace zv::ui
