// Dates on the command line: YYYY-MM-DD with a four-digit year.
#pragma once

#include "platform/dates/standard_date.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace zv::tool {

// The standard date of "YYYY-MM-DD", or -1 when the text is no valid date.
inline std::int32_t isoDate(std::string_view a) {
    const auto part = [](std::string_view s, std::size_t most) {
        int v = -1;
        if (s.empty() || s.size() > most) return -1;
        for (char c : s)
            if (c < '0' || c > '9') return -1;
        std::from_chars(s.data(), s.data() + s.size(), v);
        return v;
    };
    const auto dash1 = a.find('-');
    const auto dash2 = dash1 == a.npos ? a.npos : a.find('-', dash1 + 1);
    if (dash1 != 4 || dash2 == a.npos) return -1;
    const int y = part(a.substr(0, dash1), 4);
    const int m = part(a.substr(dash1 + 1, dash2 - dash1 - 1), 2);
    const int d = part(a.substr(dash2 + 1), 2);
    if (y < 0 || m < 0 || d < 0) return -1;
    return dates::dateFromParts(m, d, y);
}

} // namespace zv::tool
