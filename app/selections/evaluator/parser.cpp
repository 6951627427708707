#include "app/selections/evaluator/expression.h"

#include <charconv>

namespace zv::evaluator {
namespace {

enum class Tok : std::uint8_t {
    End,
    Name,
    Integer,
    Real,
    Text,
    Picture,
    Plus,
    Minus,
    Star,
    Slash,
    Percent,
    Caret,
    Amp,
    Eq,
    Lt,
    Gt,
    Not,
    And,
    Or,
    Xor,
    LParen,
    RParen,
    LBracket,
    RBracket,
    Comma,
    Colon,
    Error,
};

struct Token {
    Tok kind = Tok::End;
    Value value;                  // constants
    std::shared_ptr<Entry> entry; // names
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads one token at a time; the first error ends the scan.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    int error() const { return error_; }

    Token next() {
        if (error_) return {Tok::Error, {}, {}};
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
        if (pos_ >= text_.size()) return {};
        const char c = text_[pos_];
        if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1])))
            return number();
        if (c == '\'') return textConstant();
        if (c == '@') return picture();
        if (c == '?' || c == '_' || isNameLetter(static_cast<unsigned char>(c))) return name();
        ++pos_;
        switch (c) {
        case '+':
            return {Tok::Plus, {}, {}};
        case '-':
            return {Tok::Minus, {}, {}};
        case '*':
            return {Tok::Star, {}, {}};
        case '/':
            return {Tok::Slash, {}, {}};
        case '%':
            return {Tok::Percent, {}, {}};
        case '^':
            return {Tok::Caret, {}, {}};
        case '&':
            return {Tok::Amp, {}, {}};
        case '=':
            return {Tok::Eq, {}, {}};
        case '<':
            return {Tok::Lt, {}, {}};
        case '>':
            return {Tok::Gt, {}, {}};
        case '~':
            return {Tok::Not, {}, {}};
        case '(':
            return {Tok::LParen, {}, {}};
        case ')':
            return {Tok::RParen, {}, {}};
        case '[':
            return {Tok::LBracket, {}, {}};
        case ']':
            return {Tok::RBracket, {}, {}};
        case ',':
            return {Tok::Comma, {}, {}};
        case ':':
            return {Tok::Colon, {}, {}};
        default:
            return fail(800);
        }
    }

private:
    Token fail(int code) {
        error_ = code;
        return {Tok::Error, {}, {}};
    }

    Token number() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_]))
            ++pos_;
        bool real = false;
        if (pos_ < text_.size() && text_[pos_] == '.') {
            if (pos_ + 1 >= text_.size() || !isDigit(text_[pos_ + 1])) return fail(800);
            real = true;
            ++pos_;
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
                std::size_t j = pos_ + 1;
                if (j < text_.size() && (text_[j] == '+' || text_[j] == '-')) ++j;
                if (j >= text_.size() || !isDigit(text_[j])) return fail(800);
                while (j < text_.size() && isDigit(text_[j]))
                    ++j;
                pos_ = j;
            }
        }
        std::string lexeme(text_.substr(start, pos_ - start));
        if (lexeme.front() == '.') lexeme.insert(lexeme.begin(), '0');
        if (!real) {
            std::int32_t v = 0;
            const auto r = std::from_chars(lexeme.data(), lexeme.data() + lexeme.size(), v);
            if (r.ec == std::errc()) return {Tok::Integer, Value::ofInteger(v), {}};
            // Too many digits for an integer: the number is kept as a real.
        }
        double d = 0;
        const auto r = std::from_chars(lexeme.data(), lexeme.data() + lexeme.size(), d);
        if (r.ec != std::errc()) return fail(800);
        return {Tok::Real, Value::ofReal(d), {}};
    }

    Token textConstant() {
        std::string value;
        ++pos_;
        while (true) {
            if (pos_ >= text_.size()) return fail(800); // no closing apostrophe
            const char c = text_[pos_++];
            if (c != '\'') {
                value += c;
                continue;
            }
            if (pos_ < text_.size() && text_[pos_] == '\'') {
                value += '\'';
                ++pos_;
                continue;
            }
            break;
        }
        return {Tok::Text, Value::ofText(std::move(value)), {}};
    }

    Token picture() {
        const std::size_t start = pos_;
        int depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '(') {
                ++depth;
            } else if (c == ')') {
                if (depth == 0) break;
                --depth;
            } else if ((c == ' ' || c == ',') && depth == 0) {
                break;
            }
            ++pos_;
        }
        return {Tok::Picture, Value::ofText(std::string(text_.substr(start, pos_ - start))), {}};
    }

    Token name() {
        const std::string_view n = namePart(text_.substr(pos_));
        pos_ += n.size();
        auto entry = SymbolTable::instance().find(n);
        if (!entry) return fail(801);
        if (entry->kind == EntryKind::Keyword) {
            switch (entry->keyword) {
            case Keyword::And:
                return {Tok::And, {}, {}};
            case Keyword::Or:
                return {Tok::Or, {}, {}};
            case Keyword::Xor:
                return {Tok::Xor, {}, {}};
            case Keyword::Not:
                return {Tok::Not, {}, {}};
            }
        }
        return {Tok::Name, {}, std::move(entry)};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int error_ = 0;
};

// Nesting deeper than this is refused (it is no expression a user writes).
constexpr int kMaxDepth = 100;

using NodePtr = std::unique_ptr<Node>;

class Parser {
public:
    explicit Parser(std::string_view text) : scanner_(text) { advance(); }

    Parsed run() {
        NodePtr root = expression();
        if (root && tok_.kind != Tok::End) root = fail();
        Parsed p;
        if (root && !failed_) {
            p.root = std::move(root);
        } else {
            p.error = scanner_.error() ? scanner_.error() : 800;
        }
        return p;
    }

private:
    void advance() { tok_ = scanner_.next(); }

    bool accept(Tok kind) {
        if (tok_.kind != kind) return false;
        advance();
        return true;
    }

    NodePtr fail() {
        failed_ = true;
        return nullptr;
    }

    static NodePtr binary(Op op, NodePtr left, NodePtr right) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Binary;
        n->op = op;
        switch (op) {
        case Op::Concat:
            n->type = ValueType::Text;
            break;
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
        case Op::Mod:
        case Op::Pow:
            n->type = ValueType::Real;
            break;
        default:
            n->type = ValueType::Integer;
            break;
        }
        n->children.push_back(std::move(left));
        n->children.push_back(std::move(right));
        return n;
    }

    static NodePtr unary(Node::Kind kind, NodePtr operand) {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->type = kind == Node::Kind::Not ? ValueType::Integer : ValueType::Real;
        n->children.push_back(std::move(operand));
        return n;
    }

    // expression: term-1 { ("OR" | "XOR") term-1 }
    NodePtr expression() {
        if (++depth_ > kMaxDepth) return fail();
        NodePtr left = term1();
        while (left) {
            const Tok t = tok_.kind;
            if (t == Tok::Or || t == Tok::Xor) {
                advance();
                NodePtr right = term1();
                if (!right) return fail();
                left = binary(t == Tok::Or ? Op::Or : Op::Xor, std::move(left), std::move(right));
            } else if (t == Tok::End || t == Tok::Comma || t == Tok::Colon || t == Tok::RParen ||
                       t == Tok::RBracket) {
                break;
            } else {
                return fail(); // an operator that cannot stand here
            }
        }
        --depth_;
        return left;
    }

    // term-1: term-2 { "AND" term-2 }
    NodePtr term1() {
        NodePtr left = term2();
        while (left && accept(Tok::And)) {
            NodePtr right = term2();
            if (!right) return fail();
            left = binary(Op::And, std::move(left), std::move(right));
        }
        return left;
    }

    // term-2: { "NOT" } comparison; an even number of NOTs cancels out.
    NodePtr term2() {
        bool negate = false;
        while (accept(Tok::Not))
            negate = !negate;
        NodePtr operand = comparison();
        if (!operand) return fail();
        return negate ? unary(Node::Kind::Not, std::move(operand)) : std::move(operand);
    }

    // The comparison operator at the current token, from one or two tokens; false when
    // there is none. A NOT not followed by "=", "<" or ">" is an error.
    bool comparisonOperator(Op& op) {
        switch (tok_.kind) {
        case Tok::Lt:
            advance();
            if (accept(Tok::Gt))
                op = Op::Ne;
            else if (accept(Tok::Eq))
                op = Op::Le;
            else
                op = Op::Lt;
            return true;
        case Tok::Gt:
            advance();
            op = accept(Tok::Eq) ? Op::Ge : Op::Gt;
            return true;
        case Tok::Eq:
            advance();
            if (accept(Tok::Lt))
                op = Op::Le;
            else if (accept(Tok::Gt))
                op = Op::Ge;
            else
                op = Op::Eq;
            return true;
        case Tok::Not:
            advance();
            if (accept(Tok::Eq))
                op = Op::Ne;
            else if (accept(Tok::Lt))
                op = Op::Ge;
            else if (accept(Tok::Gt))
                op = Op::Le;
            else
                failed_ = true;
            return !failed_;
        default:
            return false;
        }
    }

    // comparison: concatenation { operator concatenation }
    NodePtr comparison() {
        NodePtr left = concatenation();
        Op op{};
        while (left && comparisonOperator(op)) {
            NodePtr right = concatenation();
            if (!right) return fail();
            left = binary(op, std::move(left), std::move(right));
        }
        return failed_ ? nullptr : std::move(left);
    }

    // concatenation: sum { "&" sum }
    NodePtr concatenation() {
        NodePtr left = sum();
        while (left && accept(Tok::Amp)) {
            NodePtr right = sum();
            if (!right) return fail();
            left = binary(Op::Concat, std::move(left), std::move(right));
        }
        return left;
    }

    // sum: product { ("+" | "-") product }
    NodePtr sum() {
        NodePtr left = product();
        while (left && (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus)) {
            const Op op = tok_.kind == Tok::Plus ? Op::Add : Op::Sub;
            advance();
            NodePtr right = product();
            if (!right) return fail();
            left = binary(op, std::move(left), std::move(right));
        }
        return left;
    }

    // product: power { ("*" | "/" | "%") power }
    NodePtr product() {
        NodePtr left = power();
        while (left &&
               (tok_.kind == Tok::Star || tok_.kind == Tok::Slash || tok_.kind == Tok::Percent)) {
            const Op op = tok_.kind == Tok::Star    ? Op::Mul
                          : tok_.kind == Tok::Slash ? Op::Div
                                                    : Op::Mod;
            advance();
            NodePtr right = power();
            if (!right) return fail();
            left = binary(op, std::move(left), std::move(right));
        }
        return left;
    }

    // power: signed { "^" signed }, evaluated from the left
    NodePtr power() {
        NodePtr left = signedPrimary();
        while (left && accept(Tok::Caret)) {
            NodePtr right = signedPrimary();
            if (!right) return fail();
            left = binary(Op::Pow, std::move(left), std::move(right));
        }
        return left;
    }

    // signed: { "+" | "-" } primary; the sign binds tighter than "^"
    NodePtr signedPrimary() {
        bool negate = false;
        while (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus) {
            if (tok_.kind == Tok::Minus) negate = !negate;
            advance();
        }
        NodePtr operand = primary();
        if (!operand) return fail();
        return negate ? unary(Node::Kind::Negate, std::move(operand)) : std::move(operand);
    }

    NodePtr constant(Value v) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Constant;
        n->type = v.type;
        n->constant = std::move(v);
        advance();
        return n;
    }

    NodePtr primary() {
        switch (tok_.kind) {
        case Tok::LParen: {
            advance();
            NodePtr inner = expression();
            if (!inner || !accept(Tok::RParen)) return fail();
            return inner;
        }
        case Tok::Integer:
        case Tok::Real:
        case Tok::Text:
        case Tok::Picture:
            return constant(std::move(tok_.value));
        case Tok::Name:
            break;
        default:
            return fail();
        }
        std::shared_ptr<Entry> entry = std::move(tok_.entry);
        advance();
        if (entry->kind == EntryKind::Variable) return variable(std::move(entry));
        if (entry->kind == EntryKind::Function || entry->kind == EntryKind::Procedure)
            return call(std::move(entry));
        return fail();
    }

    // A variable, optionally followed by "[" start ( ":" end )? "]".
    NodePtr variable(std::shared_ptr<Entry> entry) {
        auto n = std::make_unique<Node>();
        n->entry = std::move(entry);
        if (!accept(Tok::LBracket)) {
            n->kind = Node::Kind::Variable;
            n->type = n->entry->variable.type();
            return n;
        }
        n->kind = Node::Kind::Slice;
        n->type = ValueType::Text;
        NodePtr start = expression();
        if (!start) return fail();
        n->children.push_back(std::move(start));
        if (accept(Tok::Colon)) {
            NodePtr end = expression();
            if (!end) return fail();
            n->children.push_back(std::move(end));
        }
        if (!accept(Tok::RBracket)) return fail();
        return n;
    }

    // A function or procedure name, "(", up to its maximum of arguments, ")".
    NodePtr call(std::shared_ptr<Entry> entry) {
        auto n = std::make_unique<Node>();
        const bool procedure = entry->kind == EntryKind::Procedure;
        n->kind = procedure ? Node::Kind::Procedure : Node::Kind::Function;
        n->type = procedure ? ValueType::Real : entry->resultType;
        const int maxArgs = procedure ? kProcedureMaxArgs : entry->maxArgs;
        n->entry = std::move(entry);
        if (!accept(Tok::LParen)) return fail();
        // Procedures may be called without arguments; functions that take any need one.
        if (maxArgs == 0 || (procedure && tok_.kind == Tok::RParen)) {
            if (!accept(Tok::RParen)) return fail();
            return n;
        }
        while (true) {
            if (static_cast<int>(n->children.size()) == maxArgs) return fail(); // too many
            NodePtr arg = expression();
            if (!arg) return fail();
            n->children.push_back(std::move(arg));
            if (accept(Tok::Comma)) continue;
            if (accept(Tok::RParen)) return n;
            return fail();
        }
    }

    Scanner scanner_;
    Token tok_;
    bool failed_ = false;
    int depth_ = 0;
};

} // namespace

Parsed parseExpression(std::string_view text) {
    if (text.size() > kMaxExpressionLength) text = text.substr(0, kMaxExpressionLength);
    return Parser(text).run();
}

} // namespace zv::evaluator
