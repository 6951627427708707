#include "ui/window/text.h"

#include "platform/codepage.h"

namespace zv::ui {

QString qtText(std::string_view text1250) {
    return QString::fromStdString(cp1250::toUtf8(text1250));
}

std::string recordText(const QString& text) {
    return cp1250::fromUtf8(text.toStdString());
}

} // namespace zv::ui
