// Window position, size and maximized state kept in the window's section of
// ZEVLON.INI ("XPosit", "YPosit", "Width", "Height", "Maximize").
//
// Save when the window closes: "Maximize" is "Yes" or "No"; unless the window is
// minimized its normal (not maximized) position and size are written too, so a
// window closed while maximized opens maximized at its last normal place.
// Restore after the window is made, before it is shown: only when "XPosit" is
// present; the position only when both numbers are non-zero, the size (resizable
// windows only) when both are non-zero; then maximize when "Maximize" is "Yes".
// Positions are in screen pixels. Restoring also names the section in the
// window's property "helpSection", by which the help finds the window's page.
// GUI thread only.
#pragma once

#include "platform/profile.h"

#include <string_view>

class QWidget;

namespace zv::ui {

// Writes the window's state; false when the file cannot be written.
[[nodiscard]] bool saveWindowState(const QWidget& window, const ProfileFile& ini,
                                   std::string_view section);

// Applies the saved state; the window is shown maximized afterwards when it was
// saved so (the caller shows it with show(), which keeps that state).
void restoreWindowState(QWidget& window, const ProfileFile& ini, std::string_view section,
                        bool resizable = true);

} // namespace zv::ui
