// Compiling xBase expressions: the recursive-descent parser and the type rules.
#include "storage/dbase/xbase_expr_node.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace zv::dbase::xbase {
namespace {

using Node = XbaseExpr::Node;
using NodePtr = std::unique_ptr<Node>;

constexpr int kMaxDepth = 64;

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
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

} // namespace

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

NodePtr parse(std::string_view text, const std::vector<Column>& columns) {
    Parser p(text, columns);
    return p.parse();
}

} // namespace zv::dbase::xbase
