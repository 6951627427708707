// zevlon-tool eval 'EXPRESSION' [--bind NAME=VALUE]...: evaluates an expression as a
// filter or condition would. A bound value is an integer when it is all digits, a
// real when it is a number with a point, else a text.
#include "tools/commands.h"

#include "app/selections/evaluator/evaluator.h"
#include "platform/codepage.h"

#include <charconv>
#include <cstdio>
#include <deque>
#include <string>

namespace zv::tool {
namespace {

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Digits, one point and more digits (either side may be empty, not both), optional sign.
bool pointNumber(std::string_view s) {
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    const auto point = s.find('.');
    if (point == s.npos || s.size() == 1) return false;
    const std::string_view a = s.substr(0, point), b = s.substr(point + 1);
    return (a.empty() || allDigits(a)) && (b.empty() || allDigits(b));
}

} // namespace

int runEval(Args args) {
    if (args.empty()) return badInput("usage: eval EXPRESSION [--bind NAME=VALUE]...");
    // Storage of the bound values; a deque keeps their addresses.
    std::deque<std::int32_t> integers;
    std::deque<double> reals;
    std::deque<std::string> texts;
    evaluator::BindingScope scope;
    std::string expression;
    bool haveExpression = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "--bind") {
            if (i + 1 >= args.size()) return badInput("--bind needs NAME=VALUE");
            const std::string binding = cp1250::fromUtf8(args[++i]);
            const auto eq = binding.find('=');
            if (eq == std::string::npos) return badInput("--bind needs NAME=VALUE");
            const std::string name = binding.substr(0, eq);
            const std::string value = binding.substr(eq + 1);
            if (evaluator::namePart(name) != name)
                return badInput("not a name: '" + std::string(args[i]).substr(0, eq) + "'");
            bool ok;
            std::int32_t n = 0;
            const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
            if (allDigits(value) && r.ec == std::errc()) {
                ok = evaluator::bindInteger(name, &integers.emplace_back(n));
            } else if (pointNumber(value) || allDigits(value)) {
                ok = evaluator::bindReal(name, &reals.emplace_back(evaluator::textNumber(value)));
            } else {
                ok = evaluator::bindText(name, &texts.emplace_back(value));
            }
            if (!ok) return badInput("cannot bind '" + name + "'");
        } else if (!haveExpression) {
            expression = cp1250::fromUtf8(a);
            haveExpression = true;
        } else {
            return badInput("more than one expression (quote it)");
        }
    }
    if (!haveExpression) return badInput("usage: eval EXPRESSION [--bind NAME=VALUE]...");
    const evaluator::Result r = evaluator::evaluate(expression);
    if (r.error) {
        const std::string_view text = evaluator::errorText(r.error);
        std::printf("error %d: %.*s\n", r.error, static_cast<int>(text.size()), text.data());
        return 1;
    }
    std::printf("%s\n", cp1250::toUtf8(r.value).c_str());
    return 0;
}

} // namespace zv::tool
