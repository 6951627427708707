#include "storage/dbase/xbase_expr.h"

#include "storage/dbase/calendar.h"
#include "storage/dbase/xbase_expr_node.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zv::dbase {

namespace {

using Node = XbaseExpr::Node;

char upperChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    // Windows-1250 letters with their capitals.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    switch (u) {
    case 0x9A:
        return static_cast<char>(0x8A);
    case 0x9C:
        return static_cast<char>(0x8C);
    case 0x9D:
        return static_cast<char>(0x8D);
    case 0x9E:
        return static_cast<char>(0x8E);
    case 0x9F:
        return static_cast<char>(0x8F);
    case 0xB3:
        return static_cast<char>(0xA3);
    case 0xB9:
        return static_cast<char>(0xA5);
    case 0xBE:
        return static_cast<char>(0xBC);
    default:
        return c;
    }
}

char lowerChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
    switch (u) {
    case 0x8A:
        return static_cast<char>(0x9A);
    case 0x8C:
        return static_cast<char>(0x9C);
    case 0x8D:
        return static_cast<char>(0x9D);
    case 0x8E:
        return static_cast<char>(0x9E);
    case 0x8F:
        return static_cast<char>(0x9F);
    case 0xA3:
        return static_cast<char>(0xB3);
    case 0xA5:
        return static_cast<char>(0xB9);
    case 0xBC:
        return static_cast<char>(0xBE);
    default:
        return c;
    }
}

// Width-sized number text, right-aligned; asterisks when it does not fit.
std::string numberText(double v, int width, int decimals) {
    width = std::clamp(width, 1, 40);
    decimals = std::clamp(decimals, 0, std::max(0, width - 2));
    char buf[400];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, std::isfinite(v) ? v : 0.0);
    std::string s(buf);
    if (s.size() > static_cast<std::size_t>(width)) return std::string(width, '*');
    return s;
}

std::string padded(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}

std::string_view rtrim(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::string_view ltrim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

struct Row {
    std::span<const std::uint8_t> bytes;
    std::uint32_t recno;
};

XValue fieldValue(const Column& c, const Row& row) {
    XValue v;
    std::string_view raw;
    if (static_cast<std::size_t>(c.offset) + c.width <= row.bytes.size())
        raw = std::string_view(reinterpret_cast<const char*>(row.bytes.data() + c.offset), c.width);
    switch (c.type) {
    case 'N':
    case 'F':
        v.type = 'N';
        v.number = xbase::parseNumber(raw);
        break;
    case 'D':
        v.type = 'D';
        if (raw.size() == 8) {
            const CalendarDate d = parseDateText(raw.data());
            v.number = d.empty() ? 0 : julianDay(d.year, d.month, d.day);
        }
        break;
    case 'L':
        v.type = 'L';
        v.logical =
            !raw.empty() && (raw[0] == 'T' || raw[0] == 't' || raw[0] == 'Y' || raw[0] == 'y');
        break;
    default:
        v.text = padded(std::string(raw), c.width);
        break;
    }
    return v;
}

int compareValues(const XValue& a, const XValue& b) {
    if (a.type == 'C') {
        // Shorter text compares as if padded with blanks.
        const std::size_t n = std::max(a.text.size(), b.text.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto x = static_cast<unsigned char>(i < a.text.size() ? a.text[i] : ' ');
            const auto y = static_cast<unsigned char>(i < b.text.size() ? b.text[i] : ' ');
            if (x != y) return x < y ? -1 : 1;
        }
        return 0;
    }
    if (a.type == 'L') return static_cast<int>(a.logical) - static_cast<int>(b.logical);
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

XValue eval(const Node& n, const std::vector<Column>& columns, const Row& row);

XValue evalFunc(const Node& n, const std::vector<Column>& columns, const Row& row) {
    const std::string& f = n.name;
    std::vector<XValue> a;
    if (f != "IIF") {
        a.reserve(n.args.size());
        for (const auto& arg : n.args)
            a.push_back(eval(*arg, columns, row));
    }
    XValue v;
    v.type = n.type;
    auto count = [](double d) {
        return static_cast<std::size_t>(std::clamp(std::isfinite(d) ? d : 0.0, 0.0, 254.0));
    };
    if (f == "DTOC" || f == "DTOS") {
        int y = 0, m = 0, d = 0;
        fromJulianDay(a[0].number, y, m, d);
        char buf[32];
        if (y == 0)
            v.text = f == "DTOC" ? "  /  /  " : "        ";
        else if (f == "DTOC")
            std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", m, d, y % 100), v.text = buf;
        else
            std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d), v.text = buf;
    } else if (f == "CTOD") {
        // MM/DD/YY or MM/DD/YYYY; years below 100 are of the 1900s.
        int m = 0, d = 0, y = 0;
        const std::string t(rtrim(ltrim(a[0].text)));
        if (std::sscanf(t.c_str(), "%2d/%2d/%4d", &m, &d, &y) == 3) {
            if (y < 100) y += 1900;
            v.number = julianDay(y, m, d);
        }
    } else if (f == "LEFT") {
        v.text = a[0].text.substr(0, count(a[1].number));
    } else if (f == "RIGHT") {
        const std::string_view t = rtrim(a[0].text);
        const std::size_t k = std::min(count(a[1].number), t.size());
        v.text = std::string(t.substr(t.size() - k));
    } else if (f == "SUBSTR") {
        const std::size_t start = std::max<std::size_t>(1, count(a[1].number));
        if (start <= a[0].text.size())
            v.text =
                a[0].text.substr(start - 1, a.size() == 3 ? count(a[2].number) : std::string::npos);
    } else if (f == "STR") {
        const int width = a.size() > 1 ? static_cast<int>(count(a[1].number)) : 10;
        const int decimals = a.size() > 2 ? static_cast<int>(count(a[2].number)) : 0;
        v.text = numberText(a[0].number, width, decimals);
    } else if (f == "VAL") {
        v.number = xbase::parseNumber(ltrim(a[0].text));
    } else if (f == "FIXED" || f == "FLOAT") {
        v.number = a[0].number;
    } else if (f == "UPPER" || f == "LOWER") {
        v.text = a[0].text;
        for (auto& c : v.text)
            c = f == "UPPER" ? upperChar(c) : lowerChar(c);
    } else if (f == "LTRIM") {
        v.text = std::string(ltrim(a[0].text));
    } else if (f == "RTRIM" || f == "TRIM") {
        v.text = std::string(rtrim(a[0].text));
    } else if (f == "ALLTRIM") {
        v.text = std::string(ltrim(rtrim(a[0].text)));
    } else if (f == "RECNO") {
        v.number = row.recno;
    } else if (f == "DELETED") {
        v.logical = !row.bytes.empty() && row.bytes[0] == kDeleted;
    } else if (f == "IIF") {
        const bool pick = eval(*n.args[0], columns, row).logical;
        v = eval(*n.args[pick ? 1 : 2], columns, row);
    }
    // Trimmed text stays short here; the whole expression's value is padded.
    if (v.type == 'C' && v.text.size() > n.width) v.text.resize(n.width);
    return v;
}

XValue eval(const Node& n, const std::vector<Column>& columns, const Row& row) {
    switch (n.kind) {
    case Node::Kind::Literal:
        return n.literal;
    case Node::Kind::Field:
        return fieldValue(columns[n.column], row);
    case Node::Kind::Func:
        return evalFunc(n, columns, row);
    case Node::Kind::Not: {
        XValue v = eval(*n.args[0], columns, row);
        v.logical = !v.logical;
        return v;
    }
    case Node::Kind::And:
    case Node::Kind::Or: {
        const bool a = eval(*n.args[0], columns, row).logical;
        XValue v;
        v.type = 'L';
        if (n.kind == Node::Kind::And)
            v.logical = a && eval(*n.args[1], columns, row).logical;
        else
            v.logical = a || eval(*n.args[1], columns, row).logical;
        return v;
    }
    case Node::Kind::Compare: {
        const int c = compareValues(eval(*n.args[0], columns, row), eval(*n.args[1], columns, row));
        XValue v;
        v.type = 'L';
        const std::string& op = n.name;
        v.logical = op == "="    ? c == 0
                    : op == "<>" ? c != 0
                    : op == "<"  ? c < 0
                    : op == ">"  ? c > 0
                    : op == "<=" ? c <= 0
                                 : c >= 0;
        return v;
    }
    case Node::Kind::Add:
    case Node::Kind::Sub: {
        XValue a = eval(*n.args[0], columns, row);
        const XValue b = eval(*n.args[1], columns, row);
        if (n.type == 'C') {
            a.text += b.text;
            a.text = padded(std::move(a.text), n.width);
            return a;
        }
        XValue v;
        v.type = n.type;
        if (n.type == 'D' && (a.type == 'D' ? a.number : b.number) == 0) return v;
        v.number = n.kind == Node::Kind::Add ? a.number + b.number : a.number - b.number;
        return v;
    }
    }
    return {};
}

} // namespace

double julianDay(int year, int month, int day) {
    const CalendarDate d{year, month, day};
    if (!validCalendar(d)) return 0;
    const int a = (14 - month) / 12;
    const int y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void fromJulianDay(double jd, int& year, int& month, int& day) {
    year = month = day = 0;
    if (!std::isfinite(jd) || jd < 1721426 || jd > 5373484) return; // years 1..9999
    const long j = static_cast<long>(jd);
    const long a = j + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    month = static_cast<int>(m + 3 - 12 * (m / 10));
    year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

XbaseExpr::XbaseExpr() = default;
XbaseExpr::~XbaseExpr() = default;
XbaseExpr::XbaseExpr(XbaseExpr&&) noexcept = default;
XbaseExpr& XbaseExpr::operator=(XbaseExpr&&) noexcept = default;

bool XbaseExpr::compile(std::string_view text, const std::vector<Column>& columns) {
    root_.reset();
    text_ = std::string(text);
    root_ = xbase::parse(text, columns);
    columns_ = columns;
    return root_ != nullptr;
}

char XbaseExpr::type() const {
    return root_ ? root_->type : 'C';
}

std::size_t XbaseExpr::width() const {
    return root_ ? root_->width : 0;
}

XValue XbaseExpr::evaluate(std::span<const std::uint8_t> row, std::uint32_t recno) const {
    XValue v = eval(*root_, columns_, Row{row, recno});
    if (v.type == 'C') v.text = padded(std::move(v.text), root_->width);
    return v;
}

} // namespace zv::dbase
