// The program's own icons, drawn as shapes so they are sharp at every size and
// screen density.
#pragma once

#include <QIcon>

namespace zv::ui {

enum class IconKind {
    Program,   // the ZEVLON mark
    Addresses, // address cards
    Selection, // a list with ticks
    Exit,      // an open door
    Tasks,     // a card file with a clock
    Print,     // a printer
};

QIcon icon(IconKind kind);
// The icon painted at exactly size x size pixels (the desktop's icon files).
QPixmap iconPixmap(IconKind kind, int size);

// The product picture shown at start-up, in a size of the caller's choice.
QPixmap productPicture(int width, int height);

} // namespace zv::ui
