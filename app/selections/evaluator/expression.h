// Parsed expressions: the scanner and parser that turn a text into a tree of
// nodes, and the evaluation of a tree. Used by evaluate() and by Filter.
//
// REQUIRES: the symbol table's lock is held while parsing and evaluating.
#pragma once

#include "app/selections/evaluator/symbol_table.h"
#include "app/selections/evaluator/value.h"

#include <memory>
#include <string_view>
#include <vector>

namespace zv::evaluator {

enum class Op : std::uint8_t {
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    Pow,
    Concat,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    And,
    Or,
    Xor,
};

struct Node {
    enum class Kind : std::uint8_t {
        Constant,  // constant
        Variable,  // entry
        Slice,     // entry[children[0]] or entry[children[0]:children[1]]
        Function,  // entry's built-in function with its arguments
        Procedure, // entry's bound procedure with its arguments
        Negate,    // -children[0]
        Not,       // NOT children[0]
        Binary,    // children[0] op children[1]
    };
    Kind kind = Kind::Constant;
    ValueType type = ValueType::Text; // the result type
    Op op = Op::Add;
    Value constant;
    std::shared_ptr<Entry> entry;
    std::vector<std::unique_ptr<Node>> children;
};

// At most this many characters of an expression are read.
constexpr std::size_t kMaxExpressionLength = 1000;

struct Parsed {
    std::unique_ptr<Node> root; // null on failure
    int error = 0;              // 0, 800, or 801 for a name that is not bound
};

Parsed parseExpression(std::string_view text);

// Evaluates a tree; `failed` is set when a name it refers to was unbound since.
Value evaluateNode(const Node& node, bool& failed);

// A built-in function over its evaluated arguments (omitted trailing ones absent).
Value callFunction(Function f, const std::vector<Value>& args);

} // namespace zv::evaluator
