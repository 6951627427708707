#include "ui/report/report.h"

#include <cstdio>
#include <utility>

namespace zv::ui {

std::string plainText(const FieldValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* n = std::get_if<std::int64_t>(&value)) return std::to_string(*n);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", std::get<double>(value));
    return buf;
}

ValueSource pageNumberSource() {
    return [](const PrintState& s) { return FieldValue(std::int64_t{s.pageNumber}); };
}

TextField& Band::addText(PageRect box, FontSpec font, std::string text1250, Align align) {
    TextField f;
    f.box = box;
    f.font = std::move(font);
    f.text = std::move(text1250);
    f.align = align;
    return std::get<TextField>(elements.emplace_back(std::move(f)));
}

TextField& Band::addField(PageRect box, FontSpec font, ValueSource value, std::string picture,
                          Align align) {
    TextField f;
    f.box = box;
    f.font = std::move(font);
    f.value = std::move(value);
    f.picture = std::move(picture);
    f.align = align;
    return std::get<TextField>(elements.emplace_back(std::move(f)));
}

void Band::addLine(PagePoint from, PagePoint to, Length thickness, std::uint32_t color) {
    elements.emplace_back(LineElement{from, to, thickness, color});
}

void Band::addBox(PageRect rect, Length thickness, std::optional<std::uint32_t> fill) {
    BoxElement b;
    b.rect = rect;
    b.thickness = thickness;
    b.fill = fill;
    elements.emplace_back(std::move(b));
}

} // namespace zv::ui
