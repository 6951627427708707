// The built-in functions. Arguments arrive evaluated; omitted trailing arguments are
// absent from the list. Every function gives a value of its declared result type.
#include "app/selections/evaluator/expression.h"

#include "platform/dates/picture.h"
#include "platform/dates/standard_date.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/system_profile.h"

#include <cmath>
#include <random>
#include <unistd.h>

namespace zv::evaluator {
namespace {

// Texts made by ALL, CENTER, LEFT and RIGHT are at most this long.
constexpr std::int32_t kMaxTextLength = 65535;

const Value kEmpty = Value::ofText({});

const Value& arg(const std::vector<Value>& args, std::size_t i) {
    return i < args.size() ? args[i] : kEmpty;
}

bool given(const std::vector<Value>& args, std::size_t i) {
    return i < args.size();
}

double real(const std::vector<Value>& args, std::size_t i) {
    return toReal(arg(args, i));
}

std::int32_t integer(const std::vector<Value>& args, std::size_t i) {
    return toInteger(arg(args, i));
}

std::string text(const std::vector<Value>& args, std::size_t i) {
    return toText(arg(args, i));
}

Value realOf(double v) {
    return Value::ofReal(std::isfinite(v) ? v : 0);
}

// A length argument held within 0 ... kMaxTextLength; `fallback` when omitted.
std::int32_t lengthArg(const std::vector<Value>& args, std::size_t i, std::size_t fallback) {
    const std::int64_t n = given(args, i) ? integer(args, i) : static_cast<std::int64_t>(fallback);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, 0, kMaxTextLength));
}

std::string_view trimLeft(std::string_view s) {
    const auto i = s.find_first_not_of(' ');
    return i == s.npos ? std::string_view{} : s.substr(i);
}

std::string_view trimRight(std::string_view s) {
    const auto i = s.find_last_not_of(' ');
    return i == s.npos ? std::string_view{} : s.substr(0, i + 1);
}

std::string fitted(std::string_view s, std::int32_t width, bool right) {
    const auto w = static_cast<std::size_t>(width);
    if (s.size() >= w) return std::string(s.substr(0, w));
    const std::string pad(w - s.size(), ' ');
    return right ? pad + std::string(s) : std::string(s) + pad;
}

// Whole years between a birth date and a base date; empty when either is no date
// or the base lies before the birth.
std::string age(std::int32_t birth, std::int32_t base) {
    dates::DateParts b, n;
    if (dates::dateToParts(birth, b) < 0 || dates::dateToParts(base, n) < 0 || base < birth)
        return {};
    int years = n.year - b.year;
    if (n.month < b.month || (n.month == b.month && n.day < b.day)) --years;
    return std::to_string(years);
}

// INSTRING(sought, text, step, start): the position of the first occurrence of sought
// that starts at start, start + step, start + 2 * step ...; 0 when there is none.
std::int32_t instring(const std::string& sought, const std::string& text, std::int32_t step,
                      std::int32_t start) {
    if (sought.empty() || step < 1 || start < 1) return 0;
    for (std::int64_t pos = start; pos + static_cast<std::int64_t>(sought.size()) - 1 <=
                                   static_cast<std::int64_t>(text.size());
         pos += step) {
        if (text.compare(static_cast<std::size_t>(pos - 1), sought.size(), sought) == 0)
            return static_cast<std::int32_t>(pos);
    }
    return 0;
}

// SUB(text, start, length): start counts from 1, or from the end when negative; the
// rest of the text when the length is omitted.
std::string sub(const std::string& s, std::int32_t start, std::int32_t length, bool hasLength) {
    const auto size = static_cast<std::int64_t>(s.size());
    std::int64_t from = start < 0 ? size + start + 1 : start;
    if (from < 1 || from > size) return {};
    std::int64_t n = hasLength ? length : size - from + 1;
    n = std::min<std::int64_t>(n, size - from + 1);
    if (n <= 0) return {};
    return s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(n));
}

// ROUND(value, step): the value rounded to a multiple of step (.01 for cents, 100 for
// hundreds), halves away from zero; to a whole number when the step is omitted or 0.
double roundTo(double v, double step) {
    step = std::fabs(step);
    if (step == 0) return std::round(v);
    const double r = std::round(v / step) * step;
    // Undo the binary noise of the multiplication for steps like .01.
    const double digits = std::ceil(-std::log10(step));
    if (digits > 0 && digits < 16) {
        const double scale = std::pow(10.0, digits);
        return std::round(r * scale) / scale;
    }
    return r;
}

// Numeric and string pictures of FORMAT and DEFORMAT: "@nW[.P]" a number in W columns
// with P decimals (a leading 0 in W fills with zeros), "@sW" a text in W columns.
bool otherPicture(std::string_view picture, char& kind, int& width, int& places, bool& zeros) {
    if (picture.size() < 3 || picture[0] != '@') return false;
    kind = static_cast<char>(cp1250::upper(static_cast<unsigned char>(picture[1])));
    if (kind != 'N' && kind != 'S') return false;
    std::size_t i = 2;
    zeros = i < picture.size() && picture[i] == '0';
    width = 0;
    places = 0;
    std::size_t digits = 0;
    while (i < picture.size() && picture[i] >= '0' && picture[i] <= '9' && digits < 5) {
        width = width * 10 + (picture[i++] - '0');
        ++digits;
    }
    if (digits == 0) return false;
    if (kind == 'N' && i < picture.size() && picture[i] == '.') {
        ++i;
        if (i < picture.size() && picture[i] >= '0' && picture[i] <= '9')
            places = picture[i++] - '0';
    }
    return i == picture.size();
}

std::string formatWith(const Value& value, const std::string& picture) {
    if (const auto p = dates::compile(picture)) return dates::format(*p, toInteger(value));
    char kind;
    int width, places;
    bool zeros;
    if (!otherPicture(picture, kind, width, places, zeros)) return toText(value);
    if (kind == 'S') return fitted(toText(value), width, false);
    char buf[64];
    std::snprintf(buf, sizeof buf, zeros ? "%0*.*f" : "%*.*f", width, places, toReal(value));
    std::string s = buf;
    return s.size() > static_cast<std::size_t>(width) ? std::string(width, '#') : s;
}

std::string deformatWith(const std::string& s, const std::string& picture) {
    if (const auto p = dates::compile(picture)) return std::to_string(dates::deformat(*p, s));
    char kind;
    int width, places;
    bool zeros;
    if (!otherPicture(picture, kind, width, places, zeros) || kind == 'S') return s;
    std::string digits;
    for (char c : s)
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') digits += c;
    return digits;
}

std::int32_t freeMemoryKilobytes() {
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return 0;
    const long double kb = static_cast<long double>(pages) * size / 1024;
    return kb > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(kb);
}

std::int32_t randomBetween(std::int32_t lo, std::int32_t hi) {
    static std::mt19937 rng{std::random_device{}()};
    if (lo > hi) std::swap(lo, hi);
    return std::uniform_int_distribution<std::int32_t>(lo, hi)(rng);
}

} // namespace

Value callFunction(Function f, const std::vector<Value>& args) {
    switch (f) {
    case Function::Abs:
        return realOf(std::fabs(real(args, 0)));
    case Function::Acos:
        return realOf(std::acos(real(args, 0)));
    case Function::Asin:
        return realOf(std::asin(real(args, 0)));
    case Function::Atan:
        return realOf(std::atan(real(args, 0)));
    case Function::Cos:
        return realOf(std::cos(real(args, 0)));
    case Function::Sin:
        return realOf(std::sin(real(args, 0)));
    case Function::Tan:
        return realOf(std::tan(real(args, 0)));
    case Function::Sqrt:
        return realOf(std::sqrt(real(args, 0)));
    case Function::Log10:
        return realOf(std::log10(real(args, 0)));
    case Function::Loge:
        return realOf(std::log(real(args, 0)));
    case Function::Age:
        return Value::ofText(
            age(integer(args, 0), given(args, 1) ? integer(args, 1) : dates::today()));
    case Function::All: {
        const std::string s = text(args, 0);
        const std::int32_t n = lengthArg(args, 1, 255);
        std::string out;
        if (!s.empty())
            while (out.size() < static_cast<std::size_t>(n))
                out += s;
        out.resize(s.empty() ? 0 : static_cast<std::size_t>(n));
        return Value::ofText(std::move(out));
    }
    case Function::Band:
        return Value::ofInteger(integer(args, 0) & integer(args, 1));
    case Function::Bor:
        return Value::ofInteger(integer(args, 0) | integer(args, 1));
    case Function::Bxor:
        return Value::ofInteger(integer(args, 0) ^ integer(args, 1));
    case Function::Bshift: {
        // A positive count shifts left, a negative one right (bits shifted in are 0).
        const auto v = static_cast<std::uint32_t>(integer(args, 0));
        const std::int32_t n = integer(args, 1);
        if (n >= 32 || n <= -32) return Value::ofInteger(0);
        const std::uint32_t r = n >= 0 ? v << n : v >> -n;
        return Value::ofInteger(static_cast<std::int32_t>(r));
    }
    case Function::Center: {
        const std::string s = text(args, 0);
        const std::string_view t = trimRight(trimLeft(s));
        const std::int32_t width = lengthArg(args, 1, s.size());
        if (t.size() >= static_cast<std::size_t>(width))
            return Value::ofText(std::string(t.substr(0, width)));
        const std::size_t left = (width - t.size()) / 2;
        return Value::ofText(std::string(left, ' ') + std::string(t) +
                             std::string(width - t.size() - left, ' '));
    }
    case Function::Choose: {
        // The n-th of the arguments after the first; the last one when n is out of range.
        if (args.size() < 2) return Value::ofText({});
        const std::int32_t n = integer(args, 0);
        const std::size_t i = n >= 1 && static_cast<std::size_t>(n) < args.size()
                                  ? static_cast<std::size_t>(n)
                                  : args.size() - 1;
        return Value::ofText(toText(args[i]));
    }
    case Function::Chr: {
        const std::int32_t c = integer(args, 0);
        return Value::ofText(c >= 0 && c <= 255 ? std::string(1, static_cast<char>(c)) : "");
    }
    case Function::Clip:
        return Value::ofText(std::string(trimRight(text(args, 0))));
    case Function::Clock:
        return Value::ofInteger(dates::clockTime());
    case Function::Today:
        return Value::ofInteger(dates::today());
    case Function::Date: {
        // DATE(month, day, year); the first day and this year when omitted.
        const std::int32_t day = given(args, 1) ? integer(args, 1) : 1;
        const std::int32_t year = given(args, 2) ? integer(args, 2) : dates::yearOf(dates::today());
        return Value::ofInteger(dates::dateFromParts(integer(args, 0), day, year));
    }
    case Function::Day:
        return Value::ofInteger(dates::dayOf(integer(args, 0)));
    case Function::Month:
        return Value::ofInteger(dates::monthOf(integer(args, 0)));
    case Function::Year:
        return Value::ofInteger(dates::yearOf(integer(args, 0)));
    case Function::Format:
        return Value::ofText(formatWith(arg(args, 0), text(args, 1)));
    case Function::Deformat:
        return Value::ofText(deformatWith(text(args, 0), text(args, 1)));
    case Function::Getini: {
        // GETINI(section, entry, default, file); the system profile when no file is named.
        const std::string file = text(args, 3);
        const ProfileFile profile = file.empty() ? systemProfile() : ProfileFile(file);
        return Value::ofText(profile.getString(text(args, 0), text(args, 1), text(args, 2)));
    }
    case Function::Inlist:
        for (std::size_t i = 1; i < args.size(); ++i)
            if (compare(args[0], args[i]) == 0)
                return Value::ofInteger(static_cast<std::int32_t>(i));
        return Value::ofInteger(0);
    case Function::Inrange:
        return Value::ofBool(compare(arg(args, 0), arg(args, 1)) >= 0 &&
                             compare(arg(args, 0), arg(args, 2)) <= 0);
    case Function::Instring:
        return Value::ofInteger(instring(text(args, 0), text(args, 1),
                                         given(args, 2) ? integer(args, 2) : 1,
                                         given(args, 3) ? integer(args, 3) : 1));
    case Function::Int:
        return Value::ofInteger(toInteger(arg(args, 0)));
    case Function::Left: {
        const std::string s = text(args, 0);
        return Value::ofText(fitted(trimLeft(s), lengthArg(args, 1, s.size()), false));
    }
    case Function::Right: {
        const std::string s = text(args, 0);
        return Value::ofText(fitted(trimRight(s), lengthArg(args, 1, s.size()), true));
    }
    case Function::Len:
        return Value::ofInteger(
            static_cast<std::int32_t>(std::min<std::size_t>(text(args, 0).size(), INT32_MAX)));
    case Function::Lower:
        return Value::ofText(cp1250::lower(text(args, 0)));
    case Function::Upper:
        return Value::ofText(cp1250::upper(text(args, 0)));
    case Function::Memory:
        return Value::ofInteger(freeMemoryKilobytes());
    case Function::Numeric:
        return Value::ofBool(isNumericText(text(args, 0)));
    case Function::Random:
        // RANDOM(low, high); from 1 to the only bound when one is given.
        return given(args, 1) ? Value::ofInteger(randomBetween(integer(args, 0), integer(args, 1)))
                              : Value::ofInteger(randomBetween(1, integer(args, 0)));
    case Function::Round:
        return realOf(roundTo(real(args, 0), given(args, 1) ? real(args, 1) : 0));
    case Function::Sub:
        return Value::ofText(sub(text(args, 0), given(args, 1) ? integer(args, 1) : 1,
                                 integer(args, 2), given(args, 2)));
    case Function::Val: {
        const std::string s = text(args, 0);
        return Value::ofInteger(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    }
    }
    return Value::ofText({});
}

} // namespace zv::evaluator
