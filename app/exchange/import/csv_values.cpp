#include "app/exchange/import/csv_values.h"

#include "app/shell/access/error_codes.h"
#include "app/shell/dictionary/field_values.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace zv::exchange {
namespace {

constexpr std::uintmax_t kLargestFile = 256u << 20; // more is no address book

int smallNumber(std::string_view s) {
    int v = -1;
    if (s.empty() || s.size() > 4) return -1;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() ? v : -1;
}

} // namespace

std::string csvTrimmed(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return std::string(s);
}

std::string csvOneLine(std::string s) {
    std::replace(s.begin(), s.end(), '\r', ' ');
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

std::string csvNoteText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

std::int32_t csvDate(std::string_view s) {
    int y = -1, m = -1, d = -1;
    if (s.size() == 10 && s[4] == '-' && s[7] == '-') {
        y = smallNumber(s.substr(0, 4)), m = smallNumber(s.substr(5, 2)),
        d = smallNumber(s.substr(8, 2));
    } else if (const auto dot1 = s.find('.'); dot1 != std::string_view::npos) {
        const auto dot2 = s.find('.', dot1 + 1);
        if (dot2 == std::string_view::npos) return 0;
        d = smallNumber(s.substr(0, dot1));
        m = smallNumber(s.substr(dot1 + 1, dot2 - dot1 - 1));
        y = smallNumber(csvTrimmed(s.substr(dot2 + 1)));
        if (y >= 0 && y < 1000) return 0; // a four-digit year only
    }
    if (y < 0 || m < 0 || d < 0) return 0;
    const std::int32_t day = dates::dateFromParts(m, d, y);
    return day > 0 ? day : 0;
}

bool csvChecked(std::string_view s1250) {
    const std::string v = cp1250::lower(csvTrimmed(s1250));
    return v == "1" || v == "x" || v == "ano" || v == "a" || v == "true" || v == "yes";
}

std::optional<std::int32_t> csvNumber(std::string_view s) {
    const std::string t = csvTrimmed(s);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return v;
}

void setCsvValue(const dict::FieldSpec& field, bool flag, std::uint8_t* record,
                 std::string_view value1250) {
    const std::string value = csvOneLine(csvTrimmed(value1250));
    if (field.picture.starts_with("@d"))
        dict::setFieldInteger(field, record, csvDate(value));
    else if (flag)
        dict::setFieldInteger(field, record, csvChecked(value) ? 1 : 0);
    else
        dict::setFieldText(field, record, value);
}

std::string readCsvFile(const std::string& path, int& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = access::kInvalidDataFile;
        return {};
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errno ? access::osErrorCode(errno) : access::kFileNotFound;
        return {};
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uintmax_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (size > kLargestFile) {
        error = access::kInvalidDataFile;
        return {};
    }
    in.seekg(0);
    std::string text(size, '\0');
    in.read(text.data(), std::streamsize(size));
    text.resize(std::size_t(std::max<std::streamsize>(in.gcount(), 0)));
    error = 0;
    return text;
}

} // namespace zv::exchange
