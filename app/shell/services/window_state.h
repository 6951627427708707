// Window state kept in the procedure's section of ZEVLON.INI ("Adresar_S" ...):
// "XPosit", "YPosit", "Width", "Height" (window units) and "Maximize" ("Yes" or
// "No"), plus list formats under "?Browse:1", "?List", "?List:2" ...
// The window library applies what restore() says to a real window.
#pragma once

#include "platform/profile.h"

#include <string>
#include <string_view>

namespace zv::services {

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0; // the window's normal (not maximized) place
    bool maximized = false;
    bool minimized = false;
};

// What to do with a window just opened.
struct WindowRestore {
    bool move = false; // move to x, y
    int x = 0, y = 0;
    bool resize = false; // give it width, height
    int width = 0, height = 0;
    bool maximize = false;
};

// On closing: "Maximize" always; the place and size unless the window is minimized.
bool saveWindowState(const ProfileFile& ini, std::string_view section, const WindowGeometry& g);

// After opening: the place only when "XPosit" is present and the window is not
// maximized already, both coordinates non-zero; the size only for a resizable
// window and both non-zero; then maximize when "Maximize" is "Yes".
WindowRestore restoreWindowState(const ProfileFile& ini, std::string_view section, bool resizable,
                                 bool alreadyMaximized);

// List formats ("?Browse:1" ...) in the same section.
std::string readListFormat(const ProfileFile& ini, std::string_view section, std::string_view key);
bool saveListFormat(const ProfileFile& ini, std::string_view section, std::string_view key,
                    std::string_view format);

} // namespace zv::services
