#include "storage/dbase/field_codec.h"

#include "storage/dbase/dbf_format.h"
#include "storage/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zv::dbase {

using storage::FieldDecl;
using storage::FieldType;

namespace {

template <typename T> T clampTo(double v) {
    if (!std::isfinite(v)) return 0;
    v = std::round(v);
    v = std::clamp(v, static_cast<double>(std::numeric_limits<T>::min()),
                   static_cast<double>(std::numeric_limits<T>::max()));
    return static_cast<T>(v);
}

} // namespace

// "@N[$][-|(][fill]width[grouping][.|`|v decimals]..." (letter case free).
NumberPicture parseNumberPicture(std::string_view p) {
    NumberPicture np;
    if (p.size() < 3 || p[0] != '@' || (p[1] != 'n' && p[1] != 'N')) return np;
    std::size_t i = 2;
    while (i < p.size() && (p[i] == '$' || p[i] == '-' || p[i] == '('))
        ++i;
    if (i + 1 < p.size() && (p[i] == '0' || p[i] == '*' || p[i] == '_') && p[i + 1] >= '0' &&
        p[i + 1] <= '9')
        ++i;
    std::size_t start = i;
    while (i < p.size() && p[i] >= '0' && p[i] <= '9' && i - start < 3)
        np.width = np.width * 10 + (p[i++] - '0');
    if (i == start) return np;
    auto isPoint = [](char c) { return c == '.' || c == '`' || c == 'v' || c == 'V'; };
    // A grouping character may stand before the decimal indicator.
    if (i + 1 < p.size() && (p[i] == '.' || p[i] == '-' || p[i] == '_' || p[i] == '`') &&
        isPoint(p[i + 1]))
        ++i;
    if (i < p.size() && isPoint(p[i])) {
        np.decimalPoint = p[i] == '`' ? ',' : '.';
        ++i;
        start = i;
        while (i < p.size() && p[i] >= '0' && p[i] <= '9' && i - start < 3)
            np.decimals = np.decimals * 10 + (p[i++] - '0');
    }
    np.valid = np.width > 0;
    return np;
}

double readBinary(const FieldDecl& f, const std::uint8_t* p) {
    switch (f.type) {
    case FieldType::Byte:
        return p[0];
    case FieldType::Short:
        return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    case FieldType::UShort:
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    case FieldType::Long:
    case FieldType::Time:
        return static_cast<std::int32_t>(getU32(p));
    case FieldType::ULong:
        return getU32(p);
    case FieldType::SReal: {
        float v;
        std::uint32_t bits = getU32(p);
        std::memcpy(&v, &bits, 4);
        return v;
    }
    case FieldType::Real: {
        std::uint64_t bits = getU32(p) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    case FieldType::Decimal:
        return storage::decodeDecimal(p, f.size, f.places);
    default:
        return 0;
    }
}

void writeBinary(const FieldDecl& f, std::uint8_t* p, double v) {
    switch (f.type) {
    case FieldType::Byte:
        p[0] = clampTo<std::uint8_t>(v);
        break;
    case FieldType::Short: {
        const auto x = static_cast<std::uint16_t>(clampTo<std::int16_t>(v));
        putU16(p, x);
        break;
    }
    case FieldType::UShort:
        putU16(p, clampTo<std::uint16_t>(v));
        break;
    case FieldType::Long:
    case FieldType::Time:
        putU32(p, static_cast<std::uint32_t>(clampTo<std::int32_t>(v)));
        break;
    case FieldType::ULong:
        putU32(p, clampTo<std::uint32_t>(v));
        break;
    case FieldType::SReal: {
        const float x = static_cast<float>(v);
        std::uint32_t bits;
        std::memcpy(&bits, &x, 4);
        putU32(p, bits);
        break;
    }
    case FieldType::Real: {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        putU32(p, static_cast<std::uint32_t>(bits));
        putU32(p + 4, static_cast<std::uint32_t>(bits >> 32));
        break;
    }
    case FieldType::Decimal:
        (void)storage::encodeDecimal(v, p, f.size, f.places);
        break;
    default:
        break;
    }
}

bool isBinaryNumber(FieldType t) {
    switch (t) {
    case FieldType::Byte:
    case FieldType::Short:
    case FieldType::UShort:
    case FieldType::Long:
    case FieldType::ULong:
    case FieldType::SReal:
    case FieldType::Real:
    case FieldType::Decimal:
        return true;
    default:
        return false;
    }
}

bool isInteger(FieldType t) {
    return t == FieldType::Byte || t == FieldType::Short || t == FieldType::UShort ||
           t == FieldType::Long || t == FieldType::ULong;
}

std::string readText(const FieldDecl& f, const std::uint8_t* p) {
    const auto* c = reinterpret_cast<const char*>(p);
    switch (f.type) {
    case FieldType::CString:
        return std::string(c, strnlen(c, f.size));
    case FieldType::PString: {
        const std::size_t n = f.size == 0 ? 0 : std::min<std::size_t>(p[0], f.size - 1u);
        return std::string(c + 1, n);
    }
    default:
        return std::string(c, f.size);
    }
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

void writeText(const FieldDecl& f, std::uint8_t* p, std::string_view text) {
    if (f.size == 0) return;
    switch (f.type) {
    case FieldType::CString: {
        text = trimRight(text);
        const std::size_t n = std::min<std::size_t>(text.size(), f.size - 1u);
        std::memset(p, 0, f.size);
        std::memcpy(p, text.data(), n);
        break;
    }
    case FieldType::PString: {
        text = trimRight(text);
        const std::size_t n = std::min<std::size_t>({text.size(), f.size - 1u, 255u});
        std::memset(p, ' ', f.size);
        p[0] = static_cast<std::uint8_t>(n);
        std::memcpy(p + 1, text.data(), n);
        break;
    }
    default: {
        const std::size_t n = std::min<std::size_t>(text.size(), f.size);
        std::memset(p, ' ', f.size);
        std::memcpy(p, text.data(), n);
        break;
    }
    }
}

bool isControl1250(unsigned char b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
}

// Number text of exactly `width` characters, or false when it does not fit.
bool formatNumber(double v, int width, int decimals, std::string& out) {
    if (!std::isfinite(v)) return false;
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, v);
    if (n < 0 || n > width) return false;
    out.assign(buf, static_cast<std::size_t>(n));
    // No "-0.00": a value that rounds to zero is written without a sign.
    if (const auto minus = out.find('-'); minus != std::string::npos) {
        if (out.find_first_of("123456789") == std::string::npos) out[minus] = ' ';
    }
    return true;
}

// The value of number text; blanks or garbage give 0.
double parseNumber(std::string_view t, char decimalPoint) {
    // Plain number text as dBase writes it ("  -12.50", "1.5E+03"): read as it stands.
    const std::string_view plain = trim(t);
    if (!plain.empty() && decimalPoint == '.') {
        const char* first = plain.data();
        if (*first == '+') ++first;
        double v = 0;
        const auto [end, ec] = std::from_chars(first, plain.data() + plain.size(), v);
        if (ec == std::errc() && end == plain.data() + plain.size())
            return std::isfinite(v) ? v : 0;
        if (ec == std::errc::result_out_of_range) return 0;
    }
    // Otherwise the digits, the decimal point and a sign, wherever they stand.
    std::string clean;
    bool negative = false;
    for (char c : t) {
        if (c >= '0' && c <= '9')
            clean.push_back(c);
        else if (c == decimalPoint && clean.find('.') == std::string::npos)
            clean.push_back('.');
        else if (c == '-' || c == '(')
            negative = true;
        else if (c == 'e' || c == 'E')
            break;
    }
    if (clean.empty() || clean == ".") return 0;
    double v = 0;
    (void)std::from_chars(clean.data(), clean.data() + clean.size(), v);
    if (!std::isfinite(v)) return 0;
    return negative ? -v : v;
}

} // namespace zv::dbase
