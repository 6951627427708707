#include "profile.h"

#include "codepage.h"
#include "paths.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zv {
namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One line of the file as read, without its line end.
struct Line {
    std::string text;
    // Parsed view of the line.
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name; // section name or key
    std::string value;
};

Line parse(std::string text) {
    Line line;
    line.text = std::move(text);
    const std::string_view t = trim(line.text);
    if (t.empty() || t.front() == ';') return line;
    if (t.front() == '[') {
        const auto close = t.find(']');
        line.kind = Line::Section;
        line.name =
            std::string(trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
        return line;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    line.kind = Line::Entry;
    line.name = std::string(trim(t.substr(0, eq)));
    std::string_view v = trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    line.value = std::string(v);
    return line;
}

std::vector<Line> readLines(const std::string& path) {
    std::vector<Line> lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    std::ostringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        lines.push_back(parse(std::move(raw)));
        start = end + 1;
    }
    return lines;
}

bool writeLines(const std::string& path, const std::vector<Line>& lines) {
    std::string text;
    for (const auto& l : lines) {
        text += l.text;
        text += "\r\n";
    }
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// Index of the section's header line, or -1.
long findSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && cp1250::equalNoCase(lines[i].name, section))
            return static_cast<long>(i);
    return -1;
}

// One past the last line of the section that starts at header.
size_t sectionEnd(const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::Section)
        ++i;
    return i;
}

long findKey(const std::vector<Line>& lines, long header, std::string_view key) {
    if (header < 0) return -1;
    const size_t end = sectionEnd(lines, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines[i].kind == Line::Entry && cp1250::equalNoCase(lines[i].name, key))
            return static_cast<long>(i);
    return -1;
}

} // namespace

ProfileFile::ProfileFile(std::string_view path) : path_(paths::native(path)) {}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
    const auto lines = readLines(path_);
    const long k = findKey(lines, findSection(lines, section), key);
    if (k < 0) return std::nullopt;
    return lines[static_cast<size_t>(k)].value;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t maxWidth) const {
    std::string value;
    if (auto found = find(section, key))
        value = std::move(*found);
    else
        value = std::string(trim(defaultValue));
    if (value.size() > maxWidth) value.resize(maxWidth);
    return value;
}

long ProfileFile::getInt(std::string_view section, std::string_view key, long defaultValue) const {
    const auto found = find(section, key);
    if (!found) return defaultValue;
    const std::string& s = *found;
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return defaultValue;
    long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value > 100000000000L) break; // far beyond any setting; stop before overflow
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

bool ProfileFile::hasKey(std::string_view section, std::string_view key) const {
    return find(section, key).has_value();
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) const {
    auto lines = readLines(path_);
    std::string text = std::string(trim(key)) + "=" + std::string(value);
    long header = findSection(lines, section);
    if (header < 0) {
        if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back(parse(""));
        lines.push_back(parse("[" + std::string(section) + "]"));
        lines.push_back(parse(std::move(text)));
        return writeLines(path_, lines);
    }
    const long k = findKey(lines, header, key);
    if (k >= 0) {
        lines[static_cast<size_t>(k)] = parse(std::move(text));
    } else {
        // After the section's last non-blank line.
        size_t at = sectionEnd(lines, static_cast<size_t>(header));
        while (at > static_cast<size_t>(header) + 1 && trim(lines[at - 1].text).empty())
            --at;
        lines.insert(lines.begin() + static_cast<long>(at), parse(std::move(text)));
    }
    return writeLines(path_, lines);
}

bool ProfileFile::deleteKey(std::string_view section, std::string_view key) const {
    auto lines = readLines(path_);
    const long k = findKey(lines, findSection(lines, section), key);
    if (k < 0) return true;
    lines.erase(lines.begin() + k);
    return writeLines(path_, lines);
}

bool ProfileFile::deleteSection(std::string_view section) const {
    auto lines = readLines(path_);
    const long header = findSection(lines, section);
    if (header < 0) return true;
    const size_t end = sectionEnd(lines, static_cast<size_t>(header));
    lines.erase(lines.begin() + header, lines.begin() + static_cast<long>(end));
    return writeLines(path_, lines);
}

std::vector<std::string> ProfileFile::keys(std::string_view section) const {
    std::vector<std::string> out;
    const auto lines = readLines(path_);
    const long header = findSection(lines, section);
    if (header < 0) return out;
    const size_t end = sectionEnd(lines, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines[i].kind == Line::Entry) out.push_back(lines[i].name);
    return out;
}

std::vector<std::string> ProfileFile::sections() const {
    std::vector<std::string> out;
    for (const auto& l : readLines(path_))
        if (l.kind == Line::Section) out.push_back(l.name);
    return out;
}

} // namespace zv
