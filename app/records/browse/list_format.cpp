#include "app/records/browse/list_format.h"

#include <charconv>

namespace zv::records {

std::string formatListWidths(const std::vector<int>& widths) {
    std::string out;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(widths[i]);
    }
    return out;
}

std::optional<std::vector<int>> parseListWidths(std::string_view text, std::size_t columns) {
    if (text.empty()) return std::nullopt;
    std::vector<int> widths;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = text.find(',', at);
        const std::string_view part =
            text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        int w = 0;
        const auto r = std::from_chars(part.data(), part.data() + part.size(), w);
        if (r.ec != std::errc() || r.ptr != part.data() + part.size() || w < 0 || w > 5000)
            return std::nullopt;
        widths.push_back(w);
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    if (widths.size() != columns) return std::nullopt;
    return widths;
}

} // namespace zv::records
