#include "ui/window/window_state.h"

#include "platform/codepage.h"

#include <QRect>
#include <QVariant>
#include <QWidget>

#include <string>

namespace zv::ui {

bool saveWindowState(const QWidget& window, const ProfileFile& ini, std::string_view section) {
    const bool maximized = window.isMaximized();
    bool ok = ini.writeString(section, "Maximize", maximized ? "Yes" : "No");
    if (!window.isMinimized()) {
        const QRect r =
            maximized || window.isFullScreen() ? window.normalGeometry() : window.geometry();
        ok = ini.writeString(section, "XPosit", std::to_string(r.x())) && ok;
        ok = ini.writeString(section, "YPosit", std::to_string(r.y())) && ok;
        ok = ini.writeString(section, "Width", std::to_string(r.width())) && ok;
        ok = ini.writeString(section, "Height", std::to_string(r.height())) && ok;
    }
    return ok;
}

void restoreWindowState(QWidget& window, const ProfileFile& ini, std::string_view section,
                        bool resizable) {
    // The section is named after the window's procedure: its help is found by it.
    window.setProperty("helpSection",
                       QString::fromLatin1(section.data(), qsizetype(section.size())));
    if (ini.hasKey(section, "XPosit") && !window.isMaximized()) {
        const long x = ini.getInt(section, "XPosit", 0);
        const long y = ini.getInt(section, "YPosit", 0);
        if (x != 0 && y != 0) window.move(int(x), int(y));
        if (resizable) {
            const long w = ini.getInt(section, "Width", 0);
            const long h = ini.getInt(section, "Height", 0);
            // A damaged file must not make the window vanish or swallow the screen.
            if (w > 0 && h > 0 && w <= 100000 && h <= 100000) window.resize(int(w), int(h));
        }
    }
    if (cp1250::equalNoCase(ini.getString(section, "Maximize"), "Yes"))
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

} // namespace zv::ui
