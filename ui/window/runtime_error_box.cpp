#include "ui/window/runtime_error_box.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace zv::ui {

void showRuntimeErrorBox(const std::string& title, const std::string& text) {
    // A window of its own above all others: the fault may come while a popup
    // or another modal window holds the screen.
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void runtimeErrorEndsTheProgram(const std::string& title, const std::string& text) {
    // Also on standard error, for a program started without a screen to show it on.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    if (qApp) showRuntimeErrorBox(title, text);
    std::_Exit(70);
}

} // namespace zv::ui
