// Generated pages written to a PDF file with Qt Gui alone (no printer and no
// widgets), for programs that run without a screen. Needs a QGuiApplication.
#pragma once

#include "ui/report/page.h"

#include <string>

namespace zv::ui {

// Writes every page at its paper size; the reason in UTF-8 when it failed, else "".
std::string writePdf(const PageSet& pages, const std::string& pathUtf8);

} // namespace zv::ui
