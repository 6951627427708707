#include "qt_message_service.h"

#include "ui/window/text.h"

#include <QApplication>
#include <QMessageBox>

namespace zv::frame {

using services::Button;
using services::Icon;

namespace {

QMessageBox::StandardButton qtButton(Button b) {
    switch (b) {
    case Button::Ok:
        return QMessageBox::Ok;
    case Button::Cancel:
        return QMessageBox::Cancel;
    case Button::Yes:
        return QMessageBox::Yes;
    case Button::No:
        return QMessageBox::No;
    case Button::Retry:
        return QMessageBox::Retry;
    case Button::Abort:
        return QMessageBox::Abort;
    case Button::Ignore:
        return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

} // namespace

Button QtMessageService::show(const services::Message& m) {
    QMessageBox box(QApplication::activeWindow() ? QApplication::activeWindow() : parent_);
    box.setWindowTitle(ui::qtText(m.title));
    box.setText(ui::qtText(m.text));
    switch (m.icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Hand:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (Button b : m.buttons)
        buttons |= qtButton(b);
    box.setStandardButtons(buttons);
    if (!m.buttons.empty()) box.setDefaultButton(qtButton(m.buttons.front()));
    const int answer = box.exec();
    for (Button b : m.buttons)
        if (answer == qtButton(b)) return b;
    return m.buttons.empty() ? Button::Ok : m.buttons.back();
}

} // namespace zv::frame
