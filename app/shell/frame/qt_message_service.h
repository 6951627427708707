// The message service of the window program: every standard message as a real
// message box over the active window.
#pragma once

#include "app/shell/services/messages.h"

class QWidget;

namespace zv::frame {

class QtMessageService : public services::MessageService {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    services::Button show(const services::Message& message) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace zv::frame
