// A reader of CSV files written by other programs: RFC 4180 quoting (quotes
// doubled inside a quoted field, line breaks kept there), lines ended by CRLF,
// LF or CR, a byte-order mark skipped. The separator (comma, semicolon, tab or
// vertical bar) and the character set (UTF-8, else Windows-1250) are detected
// from the text. Fields come out as Windows-1250. Any input is read without
// fault: an unclosed quote runs to the end of the text, and a line keeps at
// most kMaxColumns fields.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zv::exchange {

enum class CsvEncoding { Utf8, Windows1250 };

struct CsvFormat {
    char separator = ',';
    CsvEncoding encoding = CsvEncoding::Utf8;
};

// The format of a CSV text judged from its bytes (the first lines for the separator).
CsvFormat detectCsvFormat(std::string_view text);

// True when the bytes are well-formed UTF-8.
bool isUtf8(std::string_view text);

class CsvReader {
public:
    static constexpr std::size_t kMaxColumns = 1000;

    // REQUIRES: text outlives the reader.
    CsvReader(std::string_view text, CsvFormat format);

    // The next line's fields (Windows-1250); false at the end of the text. A
    // blank line gives one empty field.
    bool next(std::vector<std::string>& fields);
    // 1-based number of the line read last (physical lines, counting those inside quotes).
    long line() const { return line_; }

private:
    std::string_view text_;
    CsvFormat format_;
    std::size_t at_ = 0;
    long line_ = 0;
    long nextLine_ = 1;
};

} // namespace zv::exchange
