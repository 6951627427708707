#include "app/utilities/windows/utility_window.h"

#include "app/shell/startup/app_state.h"
#include "platform/profile.h"
#include "ui/window/window_state.h"

#include <QMdiSubWindow>
#include <QPushButton>

namespace zv::utilities {

UtilityWindow::UtilityWindow(const char* procedure, std::string section, QWidget* parent)
    : QDialog(parent), section_(std::move(section)) {
    setObjectName(QString::fromLatin1(procedure));
}

UtilityWindow::~UtilityWindow() {
    (void)ui::saveWindowState(*this, ProfileFile(startup::kSettingsFile), section_);
}

void UtilityWindow::restorePlace(bool resizable) {
    ui::restoreWindowState(*this, ProfileFile(startup::kSettingsFile), section_, resizable);
}

QPushButton* UtilityWindow::button(const char* text, bool isDefault) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setDefault(isDefault);
    b->setAutoDefault(isDefault);
    return b;
}

QPushButton* UtilityWindow::helpButton(const char* text) {
    QPushButton* b = button(text);
    b->setEnabled(false); // the help file is not part of this program yet
    return b;
}

QWidget* UtilityWindow::programWindow() const {
    // An MDI child lives in a sub-window of the frame's area.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub->window();
    return parentWidget() ? parentWidget()->window() : nullptr;
}

void UtilityWindow::done(int result) {
    QDialog::done(result);
    // Started as an MDI child: the window's frame closes with it.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
}

} // namespace zv::utilities
