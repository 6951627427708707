#include "storage/dbase/xbase_expr.h"

#include "storage/dbase/calendar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zv::dbase {

struct XbaseExpr::Node {
    enum class Kind { Field, Literal, Func, Not, And, Or, Compare, Add, Sub };
    Kind kind = Kind::Literal;
    char type = 'C';
    std::size_t width = 0; // text results
    std::size_t column = 0;
    XValue literal;
    std::string name; // function name or operator
    std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = XbaseExpr::Node;
using NodePtr = std::unique_ptr<Node>;

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxTextWidth = 254;

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

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

double parseNumber(std::string_view s) {
    char buf[64];
    std::size_t n = 0;
    for (char c : s) {
        if (c == ' ') continue;
        if (n + 1 >= sizeof buf) break;
        buf[n++] = c == ',' ? '.' : c;
    }
    buf[n] = '\0';
    char* end = nullptr;
    const double v = std::strtod(buf, &end);
    return std::isfinite(v) ? v : 0.0;
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

class Parser {
public:
    Parser(std::string_view text, const std::vector<Column>& columns)
        : s_(text), columns_(columns) {}

    NodePtr parse() {
        NodePtr n = orExpr(0);
        skipBlanks();
        if (!n || pos_ != s_.size()) return nullptr;
        return n;
    }

private:
    void skipBlanks() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t'))
            ++pos_;
    }
    bool take(std::string_view word) {
        skipBlanks();
        if (s_.size() - pos_ < word.size()) return false;
        if (upperAscii(s_.substr(pos_, word.size())) != word) return false;
        pos_ += word.size();
        return true;
    }
    static NodePtr binary(Node::Kind kind, std::string op, NodePtr a, NodePtr b, char type) {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->name = std::move(op);
        n->type = type;
        n->args.push_back(std::move(a));
        n->args.push_back(std::move(b));
        return n;
    }

    NodePtr orExpr(int depth) {
        NodePtr a = andExpr(depth);
        while (a && take(".OR.")) {
            NodePtr b = andExpr(depth);
            if (!b || a->type != 'L' || b->type != 'L') return nullptr;
            a = binary(Node::Kind::Or, "OR", std::move(a), std::move(b), 'L');
        }
        return a;
    }
    NodePtr andExpr(int depth) {
        NodePtr a = notExpr(depth);
        while (a && take(".AND.")) {
            NodePtr b = notExpr(depth);
            if (!b || a->type != 'L' || b->type != 'L') return nullptr;
            a = binary(Node::Kind::And, "AND", std::move(a), std::move(b), 'L');
        }
        return a;
    }
    NodePtr notExpr(int depth) {
        if (depth > kMaxDepth) return nullptr;
        if (take(".NOT.")) {
            NodePtr a = notExpr(depth + 1);
            if (!a || a->type != 'L') return nullptr;
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->type = 'L';
            n->args.push_back(std::move(a));
            return n;
        }
        return compare(depth);
    }
    NodePtr compare(int depth) {
        NodePtr a = sum(depth);
        if (!a) return nullptr;
        static constexpr std::string_view kOps[] = {"<=", ">=", "<>", "#", "=", "<", ">"};
        for (std::string_view op : kOps) {
            if (!take(op)) continue;
            NodePtr b = sum(depth);
            if (!b || a->type != b->type || a->type == 'L') return nullptr;
            return binary(Node::Kind::Compare, std::string(op == "#" ? "<>" : op), std::move(a),
                          std::move(b), 'L');
        }
        return a;
    }
    NodePtr sum(int depth) {
        NodePtr a = primary(depth);
        while (a) {
            const bool plus = take("+");
            if (!plus && !take("-")) break;
            NodePtr b = primary(depth);
            if (!b) return nullptr;
            char type = 0;
            if (a->type == 'C' && b->type == 'C')
                type = 'C';
            else if (a->type == 'N' && b->type == 'N')
                type = 'N';
            else if (a->type == 'D' && b->type == 'N')
                type = 'D';
            else if (!plus && a->type == 'D' && b->type == 'D')
                type = 'N';
            else if (plus && a->type == 'N' && b->type == 'D')
                type = 'D';
            if (type == 0) return nullptr;
            const std::size_t width = a->width + b->width;
            a = binary(plus ? Node::Kind::Add : Node::Kind::Sub, plus ? "+" : "-", std::move(a),
                       std::move(b), type);
            a->width = type == 'C' ? width : 0;
            if (a->width > kMaxTextWidth) return nullptr;
        }
        return a;
    }

    NodePtr literal(XValue v, std::size_t width) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Literal;
        n->type = v.type;
        n->width = width;
        n->literal = std::move(v);
        return n;
    }

    NodePtr primary(int depth) {
        if (depth > kMaxDepth) return nullptr;
        skipBlanks();
        if (pos_ >= s_.size()) return nullptr;
        const char c = s_[pos_];
        if (c == '(') {
            ++pos_;
            NodePtr n = orExpr(depth + 1);
            if (!n || !take(")")) return nullptr;
            return n;
        }
        if (c == '"' || c == '\'') {
            const auto end = s_.find(c, pos_ + 1);
            if (end == std::string_view::npos) return nullptr;
            XValue v;
            v.text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end + 1;
            const std::size_t w = v.text.size();
            return literal(std::move(v), w);
        }
        if ((c >= '0' && c <= '9') || c == '.') {
            if (take(".T.") || take(".F.")) {
                XValue v;
                v.type = 'L';
                v.logical = upperAscii(s_.substr(pos_ - 2, 1)) == "T";
                return literal(std::move(v), 0);
            }
            const std::size_t start = pos_;
            while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.'))
                ++pos_;
            XValue v;
            v.type = 'N';
            v.number = parseNumber(s_.substr(start, pos_ - start));
            return literal(std::move(v), 0);
        }
        const std::size_t start = pos_;
        while (pos_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            ++pos_;
        if (pos_ == start) return nullptr;
        const std::string word = upperAscii(s_.substr(start, pos_ - start));
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '(') {
            ++pos_;
            return function(word, depth);
        }
        // A field of the table.
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (upperAscii(columns_[i].name) != word) continue;
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Field;
            n->column = i;
            const char t = columns_[i].type;
            n->type = t == 'F' ? 'N' : (t == 'M' ? 'C' : t);
            n->width = n->type == 'C' ? columns_[i].width : 0;
            return n;
        }
        return nullptr;
    }

    NodePtr function(const std::string& name, int depth) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Func;
        n->name = name;
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == ')') {
            ++pos_;
        } else {
            for (;;) {
                NodePtr a = orExpr(depth + 1);
                if (!a) return nullptr;
                n->args.push_back(std::move(a));
                if (take(",")) continue;
                if (take(")")) break;
                return nullptr;
            }
        }
        return typed(std::move(n)) ? std::move(n) : nullptr;
    }

    // A number literal argument, for widths known before evaluation.
    static bool constant(const Node& n, double& v) {
        if (n.kind != Node::Kind::Literal || n.type != 'N') return false;
        v = n.literal.number;
        return true;
    }

    static bool typed(const NodePtr& n) {
        const auto& a = n->args;
        auto is = [&a](std::size_t i, char t) { return i < a.size() && a[i]->type == t; };
        const std::string& f = n->name;
        const std::size_t count = a.size();
        double k = 0;
        if (f == "DTOC" || f == "DTOS") {
            if (count != 1 || !is(0, 'D')) return false;
            n->type = 'C';
            n->width = 8;
        } else if (f == "CTOD") {
            if (count != 1 || !is(0, 'C')) return false;
            n->type = 'D';
        } else if (f == "LEFT" || f == "RIGHT") {
            if (count != 2 || !is(0, 'C') || !is(1, 'N')) return false;
            n->type = 'C';
            n->width = constant(*a[1], k) ? static_cast<std::size_t>(std::clamp(k, 0.0, 254.0))
                                          : a[0]->width;
        } else if (f == "SUBSTR") {
            if (count < 2 || count > 3 || !is(0, 'C') || !is(1, 'N') || (count == 3 && !is(2, 'N')))
                return false;
            n->type = 'C';
            double start = 1;
            if (count == 3 && constant(*a[2], k))
                n->width = static_cast<std::size_t>(std::clamp(k, 0.0, 254.0));
            else if (constant(*a[1], start) && start >= 1 && start <= a[0]->width)
                n->width = a[0]->width - static_cast<std::size_t>(start) + 1;
            else
                n->width = a[0]->width;
        } else if (f == "STR") {
            if (count < 1 || count > 3 || !is(0, 'N') || (count > 1 && !is(1, 'N')) ||
                (count > 2 && !is(2, 'N')))
                return false;
            n->type = 'C';
            n->width = 10;
            if (count > 1) {
                if (!constant(*a[1], k) || k < 1 || k > 20) return false;
                n->width = static_cast<std::size_t>(k);
            }
        } else if (f == "VAL") {
            if (count != 1 || !is(0, 'C')) return false;
            n->type = 'N';
        } else if (f == "FIXED" || f == "FLOAT") {
            if (count != 1 || !is(0, 'N')) return false;
            n->type = 'N';
        } else if (f == "UPPER" || f == "LOWER" || f == "LTRIM" || f == "RTRIM" || f == "ALLTRIM" ||
                   f == "TRIM") {
            if (count != 1 || !is(0, 'C')) return false;
            n->type = 'C';
            n->width = a[0]->width;
        } else if (f == "RECNO") {
            if (count != 0) return false;
            n->type = 'N';
        } else if (f == "DELETED") {
            if (count != 0) return false;
            n->type = 'L';
        } else if (f == "IIF") {
            if (count != 3 || !is(0, 'L') || a[1]->type != a[2]->type) return false;
            n->type = a[1]->type;
            n->width = std::max(a[1]->width, a[2]->width);
        } else {
            return false;
        }
        return n->width <= kMaxTextWidth;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    const std::vector<Column>& columns_;
};

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
        v.number = parseNumber(raw);
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
        v.number = parseNumber(ltrim(a[0].text));
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
    Parser p(text, columns);
    root_ = p.parse();
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
