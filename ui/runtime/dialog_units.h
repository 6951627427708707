// Window units: positions and sizes of windows are given in dialog units, a
// quarter of the average character width across and an eighth of the character
// height down, so layouts follow the font.
#pragma once

#include <QPoint>

class QWidget;

namespace zv::ui {

// Pixels of x, y window units for the widget's font.
QPoint dialogUnitsToPixels(const QWidget& widget, int x, int y);

} // namespace zv::ui
