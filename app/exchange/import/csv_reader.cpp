#include "app/exchange/import/csv_reader.h"

#include "platform/codepage.h"

#include <array>

namespace zv::exchange {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::array<char, 4> kSeparators = {',', ';', '\t', '|'};
constexpr int kLinesJudged = 20;

// How many times each separator stands outside quotes on each of the first lines.
std::array<std::vector<int>, kSeparators.size()> separatorCounts(std::string_view text) {
    std::array<std::vector<int>, kSeparators.size()> counts;
    std::array<int, kSeparators.size()> line{};
    bool quoted = false;
    int lines = 0;
    auto endLine = [&] {
        for (std::size_t s = 0; s < kSeparators.size(); ++s)
            counts[s].push_back(line[s]);
        line = {};
        ++lines;
    };
    for (std::size_t i = 0; i < text.size() && lines < kLinesJudged; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endLine();
        } else if (!quoted) {
            for (std::size_t s = 0; s < kSeparators.size(); ++s)
                line[s] += c == kSeparators[s];
        }
    }
    if (lines < kLinesJudged) endLine();
    return counts;
}

} // namespace

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= text.size()) return false;
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

CsvFormat detectCsvFormat(std::string_view text) {
    CsvFormat format;
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
    format.encoding = isUtf8(text) ? CsvEncoding::Utf8 : CsvEncoding::Windows1250;
    // The separator found on every line the same number of times wins; then the
    // one found on most lines; a comma when none is found at all.
    const auto counts = separatorCounts(text);
    int best = -1;
    long bestScore = 0;
    for (std::size_t s = 0; s < kSeparators.size(); ++s) {
        const auto& per = counts[s];
        long onLines = 0;
        bool steady = !per.empty() && per.front() > 0;
        for (int n : per) {
            onLines += n > 0;
            steady = steady && (n == per.front() || n == 0);
        }
        // A steady count weighs more than any number of lines.
        const long score = onLines + (steady ? 1000 : 0);
        if (onLines > 0 && score > bestScore) {
            best = int(s);
            bestScore = score;
        }
    }
    if (best >= 0) format.separator = kSeparators[std::size_t(best)];
    return format;
}

CsvReader::CsvReader(std::string_view text, CsvFormat format) : text_(text), format_(format) {
    if (text_.starts_with(kBom)) text_.remove_prefix(kBom.size());
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (at_ >= text_.size()) return false;
    line_ = nextLine_;
    std::string field;
    bool quoted = false; // inside a quoted part
    auto endField = [&] {
        if (fields.size() < kMaxColumns)
            fields.push_back(format_.encoding == CsvEncoding::Utf8 ? cp1250::fromUtf8(field)
                                                                   : field);
        field.clear();
    };
    while (at_ < text_.size()) {
        const char c = text_[at_++];
        if (quoted) {
            if (c == '"') {
                if (at_ < text_.size() && text_[at_] == '"') {
                    field += '"';
                    ++at_;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (at_ >= text_.size() || text_[at_] != '\n')))
                    ++nextLine_;
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == format_.separator) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
            ++nextLine_;
            break;
        } else {
            field += c; // a quote inside an unquoted field is taken as it stands
        }
    }
    endField();
    return true;
}

} // namespace zv::exchange
