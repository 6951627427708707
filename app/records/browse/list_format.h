// The stored format of a list: its column widths in pixels, written to
// ZEVLON.INI as the list's own text ("60,200,120"). A stored format replaces
// the designed one only when it is not empty and fits the list's columns.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::records {

std::string formatListWidths(const std::vector<int>& widths);

// The widths of a stored format; nothing when the text is empty, malformed or
// names another number of columns.
std::optional<std::vector<int>> parseListWidths(std::string_view text, std::size_t columns);

} // namespace zv::records
