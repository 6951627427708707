// Field cells: the storage of one field inside a record image. Every cell is an
// array of bytes with alignment 1, so a record struct made of cells has exactly
// the size and offsets of the stored record (no padding), and reading a cell
// never depends on the record's alignment. Numbers are little-endian.
#pragma once

#include "storage/decimal.h"
#include "storage/field_type.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zv::rec {

using storage::FieldType;

namespace detail {

template <typename T> T loadLE(const std::uint8_t* b) {
    using U = std::conditional_t<
        sizeof(T) == 1, std::uint8_t,
        std::conditional_t<sizeof(T) == 2, std::uint16_t,
                           std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
    U u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        u |= static_cast<U>(static_cast<U>(b[i]) << (8 * i));
    T t;
    std::memcpy(&t, &u, sizeof t);
    return t;
}

template <typename T> void storeLE(std::uint8_t* b, T value) {
    using U = std::conditional_t<
        sizeof(T) == 1, std::uint8_t,
        std::conditional_t<sizeof(T) == 2, std::uint16_t,
                           std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
    U u;
    std::memcpy(&u, &value, sizeof u);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        b[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

} // namespace detail

// A number cell of type T stored little-endian.
template <typename T, FieldType kTypeCode> struct NumberCell {
    static constexpr FieldType kType = kTypeCode;
    static constexpr int kDigits = 0;
    static constexpr int kPlaces = 0;
    std::uint8_t bytes[sizeof(T)];

    T get() const { return detail::loadLE<T>(bytes); }
    void set(T value) { detail::storeLE<T>(bytes, value); }
};

using Byte = NumberCell<std::uint8_t, FieldType::Byte>;
using Short = NumberCell<std::int16_t, FieldType::Short>;
using UShort = NumberCell<std::uint16_t, FieldType::UShort>;
using Long = NumberCell<std::int32_t, FieldType::Long>;
using ULong = NumberCell<std::uint32_t, FieldType::ULong>;
using SReal = NumberCell<float, FieldType::SReal>;
using Real = NumberCell<double, FieldType::Real>;

// STRING(n): fixed length, blank padded.
template <int N> struct String {
    static constexpr FieldType kType = FieldType::String;
    static constexpr int kDigits = 0;
    static constexpr int kPlaces = 0;
    char bytes[N];

    // The whole field, padding included.
    std::string_view view() const { return {bytes, N}; }
    // The text without its trailing blanks.
    std::string_view trimmed() const {
        std::size_t n = N;
        while (n > 0 && bytes[n - 1] == ' ')
            --n;
        return {bytes, n};
    }
    // Stores the text cut to the width and blank padded.
    void set(std::string_view text) {
        const std::size_t n = text.size() < N ? text.size() : N;
        std::memcpy(bytes, text.data(), n);
        std::memset(bytes + n, ' ', N - n);
    }
};

// CSTRING(n): at most n - 1 characters followed by a zero byte.
template <int N> struct CString {
    static_assert(N >= 1);
    static constexpr FieldType kType = FieldType::CString;
    static constexpr int kDigits = 0;
    static constexpr int kPlaces = 0;
    char bytes[N];

    // The characters before the terminator (the whole field when it has none).
    std::string_view view() const {
        const void* z = std::memchr(bytes, 0, N);
        return {bytes, z ? static_cast<std::size_t>(static_cast<const char*>(z) - bytes)
                         : static_cast<std::size_t>(N)};
    }
    std::string_view trimmed() const {
        std::string_view v = view();
        while (!v.empty() && v.back() == ' ')
            v.remove_suffix(1);
        return v;
    }
    void set(std::string_view text) {
        const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
        std::memcpy(bytes, text.data(), n);
        std::memset(bytes + n, 0, N - n);
    }
};

// DECIMAL(d, s): packed decimal.
template <int D, int S> struct Decimal {
    static constexpr FieldType kType = FieldType::Decimal;
    static constexpr int kDigits = D;
    static constexpr int kPlaces = S;
    std::uint8_t bytes[storage::decimalBytes(D)];

    double get() const { return storage::decodeDecimal(bytes, sizeof bytes, S); }
    // False when the value does not fit (the field then holds the largest value).
    bool set(double value) { return storage::encodeDecimal(value, bytes, sizeof bytes, S); }
};

// DATE: the calendar date of the dBase export.
struct Date {
    static constexpr FieldType kType = FieldType::Date;
    static constexpr int kDigits = 0;
    static constexpr int kPlaces = 0;
    std::uint8_t bytes[4];

    int day() const { return bytes[0]; }
    int month() const { return bytes[1]; }
    int year() const { return bytes[2] | (bytes[3] << 8); }
    void set(int year, int month, int day) {
        bytes[0] = static_cast<std::uint8_t>(day);
        bytes[1] = static_cast<std::uint8_t>(month);
        bytes[2] = static_cast<std::uint8_t>(year & 0xFF);
        bytes[3] = static_cast<std::uint8_t>((year >> 8) & 0xFF);
    }
    void clear() { set(0, 0, 0); }
};

} // namespace zv::rec
