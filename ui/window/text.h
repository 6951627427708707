// Record text (Windows-1250) to and from the Unicode text of windows.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace zv::ui {

QString qtText(std::string_view text1250);
std::string recordText(const QString& text);

} // namespace zv::ui
