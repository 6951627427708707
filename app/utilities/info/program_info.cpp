#include "app/utilities/info/program_info.h"

#include "platform/dates/standard_date.h"

#include <array>
#include <charconv>

namespace zv::utilities {
namespace {

constexpr std::array<std::string_view, 5> kMaker = {
    "ZEVLON software", "Zevlonský Informační Systém", "vývoj a podpora programu",
    "e-mail: podpora@zevlon.example", "web: www.zevlon.example"};

int number(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return ec == std::errc() && end == text.data() + text.size() ? n : -1;
}

} // namespace

std::span<const std::string_view> makerLines() {
    return kMaker;
}

std::int32_t dateFromCompilerText(std::string_view text) {
    // "Mmm dd yyyy", the day blank-padded.
    if (text.size() != 11 || text[3] != ' ' || text[6] != ' ') return 0;
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const auto at = kMonths.find(text.substr(0, 3));
    if (at == std::string_view::npos || at % 3 != 0) return 0;
    const int month = static_cast<int>(at / 3) + 1;
    const int day = number(text.substr(4, 2));
    const int year = number(text.substr(7, 4));
    if (day < 1 || year < 1801 || dates::checkDate(month, day, year) != 0) return 0;
    return dates::dateFromParts(month, day, year);
}

std::int32_t lastChangeDate() {
    static const std::int32_t built = dateFromCompilerText(__DATE__);
    return built;
}

} // namespace zv::utilities
