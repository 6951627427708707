// One CSV row for standard output: fields separated by commas, quoted when they
// hold a comma, a quote or a line break (quotes doubled), lines ended by LF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zv::tool {

class CsvRow {
public:
    void add(std::string_view field) {
        if (!line_.empty() || fields_ > 0) line_ += ',';
        ++fields_;
        if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
            line_ += field;
            return;
        }
        line_ += '"';
        for (char c : field) {
            if (c == '"') line_ += '"';
            line_ += c;
        }
        line_ += '"';
    }
    void print() const {
        std::fwrite(line_.data(), 1, line_.size(), stdout);
        std::fputc('\n', stdout);
    }

private:
    std::string line_;
    int fields_ = 0;
};

} // namespace zv::tool
