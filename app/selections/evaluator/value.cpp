#include "app/selections/evaluator/value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace zv::evaluator {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number at the start of s (after the caller skipped blanks), 0 when none.
std::size_t numberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t digitsStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    std::size_t digits = i - digitsStart;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        digits += j - i - 1;
        if (digits > 0) i = j;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        if (j > expStart) i = j;
    }
    return i;
}

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

} // namespace

double textNumber(std::string_view text) {
    text = skipBlanks(text);
    const std::size_t n = numberLength(text);
    if (n == 0) return 0;
    std::string_view number = text.substr(0, n);
    if (number.front() == '+') number.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return 0;
    return v;
}

bool isNumericText(std::string_view text) {
    text = skipBlanks(text);
    const std::size_t n = numberLength(text);
    if (n == 0) return false;
    return skipBlanks(text.substr(n)).empty();
}

std::string realText(double v) {
    if (!std::isfinite(v)) return "0";
    if (v == 0) return "0"; // negative zero included
    if (std::fabs(v) < 1e15 && v == std::trunc(v)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return buf;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

double toReal(const Value& v) {
    switch (v.type) {
    case ValueType::Integer:
        return v.integer;
    case ValueType::Real:
        return std::isfinite(v.real) ? v.real : 0;
    case ValueType::Text:
        return textNumber(v.text);
    }
    return 0;
}

std::int32_t toInteger(const Value& v) {
    if (v.type == ValueType::Integer) return v.integer;
    const double r = std::trunc(toReal(v));
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(r);
}

std::string toText(const Value& v) {
    switch (v.type) {
    case ValueType::Integer:
        return std::to_string(v.integer);
    case ValueType::Real:
        return realText(v.real);
    case ValueType::Text:
        return v.text;
    }
    return {};
}

bool isTrue(const Value& v) {
    switch (v.type) {
    case ValueType::Integer:
        return v.integer != 0;
    case ValueType::Real:
        return v.real != 0.0 && !std::isnan(v.real);
    case ValueType::Text:
        return v.text.find_first_not_of(' ') != std::string::npos;
    }
    return false;
}

int compareTexts(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() > n) return a.find_first_not_of(' ', n) != std::string_view::npos ? 1 : 0;
    if (b.size() > n) return b.find_first_not_of(' ', n) != std::string_view::npos ? -1 : 0;
    return 0;
}

int compare(const Value& a, const Value& b) {
    if (a.type == ValueType::Integer && b.type == ValueType::Integer)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    if (a.type == ValueType::Text && b.type == ValueType::Text) return compareTexts(a.text, b.text);
    const double x = toReal(a);
    const double y = toReal(b);
    return x == y ? 0 : x < y ? -1 : 1;
}

} // namespace zv::evaluator
