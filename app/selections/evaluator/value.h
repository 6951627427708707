// Values of the expression evaluator and the rules that turn them into numbers,
// texts and truth, and compare them. Texts are Windows-1250.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::evaluator {

enum class ValueType : std::uint8_t { Integer, Real, Text };

struct Value {
    ValueType type = ValueType::Text;
    std::int32_t integer = 0; // Integer
    double real = 0;          // Real
    std::string text;         // Text

    static Value ofInteger(std::int32_t v) { return {ValueType::Integer, v, 0, {}}; }
    static Value ofReal(double v) { return {ValueType::Real, 0, v, {}}; }
    static Value ofText(std::string v) { return {ValueType::Text, 0, 0, std::move(v)}; }
    static Value ofBool(bool v) { return ofInteger(v ? 1 : 0); }
};

// The numeric value of a text: an optional sign, digits, a decimal point and more
// digits and an exponent, after leading blanks; what follows is ignored. A text
// that does not start with a number counts as 0.
double textNumber(std::string_view text);

// True when the whole text (blanks around it allowed) is one number.
bool isNumericText(std::string_view text);

// The text form of a real: whole numbers without decimals ("19", "-4"), others
// with up to 15 significant digits ("0.333333333333333", "1.5e+20").
std::string realText(double v);

double toReal(const Value& v);
// Integer part, truncated toward zero and held within the 32-bit range.
std::int32_t toInteger(const Value& v);
std::string toText(const Value& v);

// Integers and reals are true when not zero, texts when not blank.
bool isTrue(const Value& v);

// Texts compared byte by byte over the shorter length; the longer text is greater
// only when its remainder holds a non-blank, so trailing blanks never matter.
int compareTexts(std::string_view a, std::string_view b);

// Comparison of two values: as integers when both are integers, as texts when both
// are texts, otherwise as reals. Negative, zero or positive.
int compare(const Value& a, const Value& b);

} // namespace zv::evaluator
