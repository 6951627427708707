// Generated pages: each page is a list of drawing steps in thousandths of an inch,
// with the paper's top-left corner as origin. Pages hold everything they need to
// paint (texts already formatted, faces already resolved), so the set outlives the
// report that made it and paints the same on screen, printer, PDF and test images.
#pragma once

#include "ui/report/length.h"
#include "ui/report/report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zv::ui {

struct TextStep {
    PageRect box;       // width 0: unbounded; height 0: one line of the font
    FontSpec font;      // as the report gave it
    std::string family; // the installed face the text is painted in (UTF-8)
    Align align = Align::Left;
    std::string text; // Windows-1250
};

struct LineStep {
    PagePoint from, to;
    Length thickness;
    std::uint32_t color = 0;
};

struct BoxStep {
    PageRect rect;
    Length thickness;
    std::uint32_t borderColor = 0;
    bool borderless = false;
    std::optional<std::uint32_t> fill;
};

using DrawStep = std::variant<TextStep, LineStep, BoxStep>;

struct Page {
    Length width, height; // the paper
    std::vector<DrawStep> steps;
};

using PageSet = std::vector<Page>;

} // namespace zv::ui
