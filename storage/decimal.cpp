#include "decimal.h"

#include <cmath>

namespace zv::storage {
namespace {

int nibble(const std::uint8_t* data, std::size_t i) {
    const std::uint8_t b = data[i / 2];
    const int n = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
    return n <= 9 ? n : 0;
}

} // namespace

double decodeDecimal(const std::uint8_t* data, std::size_t bytes, int places) {
    if (bytes == 0) return 0;
    double value = 0;
    for (std::size_t i = 1; i < bytes * 2; ++i)
        value = value * 10 + nibble(data, i);
    value /= std::pow(10.0, places);
    return (data[0] >> 4) != 0 ? -value : value;
}

bool encodeDecimal(double value, std::uint8_t* data, std::size_t bytes, int places) {
    if (bytes == 0) return false;
    const bool negative = value < 0;
    const std::size_t digits = bytes * 2 - 1;
    double scaled = std::round(std::fabs(value) * std::pow(10.0, places));
    const double limit = std::pow(10.0, static_cast<double>(digits));
    bool fits = std::isfinite(scaled) && scaled < limit;
    if (!fits) scaled = limit - 1;
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = 0;
    for (std::size_t i = bytes * 2 - 1; i >= 1; --i) {
        const int d = static_cast<int>(std::fmod(scaled, 10.0));
        scaled = std::floor(scaled / 10.0);
        if (i % 2 == 0)
            data[i / 2] |= static_cast<std::uint8_t>(d << 4);
        else
            data[i / 2] |= static_cast<std::uint8_t>(d);
    }
    bool allZero = true;
    for (std::size_t i = 1; i < bytes * 2; ++i)
        allZero = allZero && nibble(data, i) == 0;
    if (negative && !allZero) data[0] |= 0xD0;
    return fits;
}

std::string decimalText(const std::uint8_t* data, std::size_t bytes, int places) {
    std::string digits;
    for (std::size_t i = 1; i < bytes * 2; ++i)
        digits += static_cast<char>('0' + nibble(data, i));
    if (places < 0) places = 0;
    while (digits.size() < static_cast<std::size_t>(places) + 1)
        digits.insert(digits.begin(), '0');
    std::string whole = digits.substr(0, digits.size() - static_cast<std::size_t>(places));
    const std::string frac = digits.substr(digits.size() - static_cast<std::size_t>(places));
    while (whole.size() > 1 && whole[0] == '0')
        whole.erase(0, 1);
    std::string out = whole;
    if (places > 0) out += "." + frac;
    bool zero = true;
    for (char c : digits)
        zero = zero && c == '0';
    if (bytes > 0 && (data[0] >> 4) != 0 && !zero) out.insert(out.begin(), '-');
    return out;
}

} // namespace zv::storage
