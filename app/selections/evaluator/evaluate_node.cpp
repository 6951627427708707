#include "app/selections/evaluator/expression.h"

#include <cmath>

namespace zv::evaluator {
namespace {

double finite(double v) {
    return std::isfinite(v) ? v : 0; // overflow and undefined results count as 0
}

Value arithmetic(Op op, double x, double y) {
    switch (op) {
    case Op::Add:
        return Value::ofReal(finite(x + y));
    case Op::Sub:
        return Value::ofReal(finite(x - y));
    case Op::Mul:
        return Value::ofReal(finite(x * y));
    case Op::Div:
        return Value::ofReal(y == 0 ? 0 : finite(x / y));
    case Op::Mod:
        return Value::ofReal(y == 0 ? 0 : finite(std::fmod(x, y)));
    case Op::Pow:
        return Value::ofReal(finite(std::pow(x, y)));
    default:
        return Value::ofReal(0);
    }
}

// Characters start ... end (1-based, inclusive) of a text; nothing outside it.
std::string slice(const std::string& text, std::int32_t start, std::int32_t end) {
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t from = std::max<std::int64_t>(start, 1);
    const std::int64_t to = std::min<std::int64_t>(end, size);
    if (from > to) return {};
    return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1));
}

// A constant operand by reference (no copy of its text), others evaluated into scratch.
const Value& operand(const Node& node, Value& scratch, bool& failed) {
    if (node.kind == Node::Kind::Constant) return node.constant;
    scratch = evaluateNode(node, failed);
    return scratch;
}

} // namespace

Value evaluateNode(const Node& node, bool& failed) {
    switch (node.kind) {
    case Node::Kind::Constant:
        return node.constant;
    case Node::Kind::Variable:
        if (node.entry->kind != EntryKind::Variable) break;
        return node.entry->variable.read();
    case Node::Kind::Slice: {
        if (node.entry->kind != EntryKind::Variable) break;
        const std::string text = toText(node.entry->variable.read());
        const std::int32_t start = toInteger(evaluateNode(*node.children[0], failed));
        const std::int32_t end =
            node.children.size() > 1 ? toInteger(evaluateNode(*node.children[1], failed)) : start;
        return Value::ofText(slice(text, start, end));
    }
    case Node::Kind::Function: {
        std::vector<Value> args;
        args.reserve(node.children.size());
        for (const auto& c : node.children)
            args.push_back(evaluateNode(*c, failed));
        if (node.entry->kind != EntryKind::Function) break;
        return callFunction(node.entry->function, args);
    }
    case Node::Kind::Procedure: {
        std::vector<std::string> args;
        for (const auto& c : node.children)
            args.push_back(toText(evaluateNode(*c, failed)));
        if (node.entry->kind != EntryKind::Procedure || !node.entry->procedure) break;
        // Copied, so a procedure that binds names cannot pull it away while it runs.
        const Procedure proc = node.entry->procedure;
        return Value::ofReal(finite(proc(args)));
    }
    case Node::Kind::Negate:
        return Value::ofReal(-toReal(evaluateNode(*node.children[0], failed)) + 0.0);
    case Node::Kind::Not:
        return Value::ofBool(!isTrue(evaluateNode(*node.children[0], failed)));
    case Node::Kind::Binary: {
        Value scratchA, scratchB;
        const Value& a = operand(*node.children[0], scratchA, failed);
        switch (node.op) {
        case Op::And:
            if (!isTrue(a)) return Value::ofBool(false);
            return Value::ofBool(isTrue(evaluateNode(*node.children[1], failed)));
        case Op::Or:
            if (isTrue(a)) return Value::ofBool(true);
            return Value::ofBool(isTrue(evaluateNode(*node.children[1], failed)));
        default:
            break;
        }
        const Value& b = operand(*node.children[1], scratchB, failed);
        switch (node.op) {
        case Op::Xor:
            return Value::ofBool(isTrue(a) != isTrue(b));
        case Op::Concat:
            return Value::ofText(toText(a) + toText(b));
        case Op::Eq:
            return Value::ofBool(compare(a, b) == 0);
        case Op::Ne:
            return Value::ofBool(compare(a, b) != 0);
        case Op::Lt:
            return Value::ofBool(compare(a, b) < 0);
        case Op::Le:
            return Value::ofBool(compare(a, b) <= 0);
        case Op::Gt:
            return Value::ofBool(compare(a, b) > 0);
        case Op::Ge:
            return Value::ofBool(compare(a, b) >= 0);
        default:
            return arithmetic(node.op, toReal(a), toReal(b));
        }
    }
    }
    // A name that was unbound after the expression was parsed.
    failed = true;
    switch (node.type) {
    case ValueType::Integer:
        return Value::ofInteger(0);
    case ValueType::Real:
        return Value::ofReal(0);
    case ValueType::Text:
        return Value::ofText({});
    }
    return {};
}

} // namespace zv::evaluator
