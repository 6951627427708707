#include "app/exchange/export/csv_export.h"

#include "app/shell/dictionary/field_text.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <cstdio>

namespace zv::exchange {
namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    std::size_t from = 0;
    while (from < s.size() && s[from] == ' ')
        ++from;
    return s.substr(from);
}

std::string isoDate(std::int64_t day) {
    dates::DateParts p;
    if (day == 0 || day != std::int32_t(day) || dates::dateToParts(std::int32_t(day), p) != 0)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
    return text;
}

} // namespace

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string csvHeader(const dict::FileDef& file) {
    std::string line;
    for (const auto& field : file.layout->fields) {
        if (!line.empty()) line += ',';
        line += csvField(field.member);
    }
    for (const auto& memo : file.memos) {
        if (!line.empty()) line += ',';
        line += csvField(memo.name);
    }
    return line + "\r\n";
}

std::string csvLine(const dict::FileDef& file, const std::uint8_t* record,
                    const std::vector<std::string>& memos1250) {
    std::string line;
    bool first = true;
    auto add = [&](const std::string& utf8) {
        if (!first) line += ',';
        first = false;
        line += csvField(utf8);
    };
    for (const auto& field : file.layout->fields) {
        if (field.picture.starts_with("@d"))
            add(isoDate(dict::fieldInteger(field, record)));
        else
            add(cp1250::toUtf8(trimmed(dict::fieldText(field, record))));
    }
    for (std::size_t m = 0; m < file.memos.size(); ++m) {
        std::string memo = m < memos1250.size() ? memos1250[m] : std::string();
        while (!memo.empty() && (memo.back() == ' ' || memo.back() == '\0'))
            memo.pop_back();
        add(cp1250::toUtf8(memo));
    }
    return line + "\r\n";
}

std::string personsCsvName(std::string_view firmsFile) {
    const std::size_t slash = firmsFile.find_last_of("/\\");
    const std::size_t dot = firmsFile.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::string(firmsFile) + "_osoby.csv";
    return std::string(firmsFile.substr(0, dot)) + "_osoby" + std::string(firmsFile.substr(dot));
}

} // namespace zv::exchange
