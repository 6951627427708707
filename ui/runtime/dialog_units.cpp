#include "ui/runtime/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace zv::ui {

QPoint dialogUnitsToPixels(const QWidget& widget, int x, int y) {
    const QFontMetrics fm(widget.font());
    const int charWidth = fm.horizontalAdvance(QStringLiteral(
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                          52;
    return {x * charWidth / 4, y * fm.height() / 8};
}

} // namespace zv::ui
