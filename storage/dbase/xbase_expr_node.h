// Inside the xBase expressions: the compiled tree, shared by the parser
// (xbase_parse.cpp) and the evaluator (xbase_expr.cpp). Not for other units.
#pragma once

#include "storage/dbase/xbase_expr.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

namespace xbase {

inline constexpr std::size_t kMaxTextWidth = 254;

// The tree of an expression over the columns, null when it cannot be evaluated.
std::unique_ptr<XbaseExpr::Node> parse(std::string_view text, const std::vector<Column>& columns);
// A number written in text: blanks ignored, a comma read as the point, 0 for none.
double parseNumber(std::string_view s);

} // namespace xbase
} // namespace zv::dbase
