#include "app/shell/dictionary/field_values.h"

#include "app/shell/dictionary/field_text.h"
#include "storage/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace zv::dict {

using storage::FieldType;

bool isBlankField(const FieldSpec& field, const std::uint8_t* record) {
    const std::uint8_t* p = record + field.offset;
    if (field.type == FieldType::String)
        return std::all_of(p, p + field.size, [](std::uint8_t b) { return b == ' ' || b == 0; });
    return std::all_of(p, p + field.size, [](std::uint8_t b) { return b == 0; });
}

bool isTextField(const FieldSpec& field) {
    return field.type == FieldType::String || field.type == FieldType::CString;
}

void setFieldText(const FieldSpec& field, std::uint8_t* record, std::string_view text) {
    std::uint8_t* p = record + field.offset;
    if (field.type == FieldType::String) {
        const std::size_t n = std::min(text.size(), field.size);
        std::memcpy(p, text.data(), n);
        std::memset(p + n, ' ', field.size - n);
        return;
    }
    if (field.type == FieldType::CString) {
        if (field.size == 0) return;
        const std::size_t n = std::min(text.size(), field.size - 1);
        std::memcpy(p, text.data(), n);
        std::memset(p + n, 0, field.size - n);
        return;
    }
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    if (field.type == FieldType::Decimal || field.type == FieldType::Real ||
        field.type == FieldType::SReal) {
        // A number with its fraction, "," taken as the decimal point too ("8,268").
        std::string number(text.substr(at));
        std::replace(number.begin(), number.end(), ',', '.');
        double value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec != std::errc() || !std::isfinite(value)) value = 0;
        if (field.type == FieldType::Decimal) {
            if (!storage::encodeDecimal(value, p, field.size, field.places))
                (void)storage::encodeDecimal(0, p, field.size, field.places); // too wide: 0
        } else if (field.type == FieldType::Real && field.size == sizeof(double)) {
            std::memcpy(p, &value, sizeof value);
        } else if (field.size == sizeof(float)) {
            const auto f = static_cast<float>(value);
            std::memcpy(p, &f, sizeof f);
        }
        return;
    }
    std::int64_t value = 0;
    const char* first = text.data() + at;
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec != std::errc()) value = 0;
    setFieldInteger(field, record, value);
}

void setFieldInteger(const FieldSpec& field, std::uint8_t* record, std::int64_t value) {
    std::uint8_t* p = record + field.offset;
    switch (field.type) {
    case FieldType::Byte:
    case FieldType::Short:
    case FieldType::UShort:
    case FieldType::Long:
    case FieldType::ULong: {
        // Little-endian, cut to the field's width (two's complement).
        auto u = static_cast<std::uint64_t>(value);
        for (std::size_t i = 0; i < field.size; ++i) {
            p[i] = static_cast<std::uint8_t>(u & 0xFF);
            u >>= 8;
        }
        return;
    }
    case FieldType::String:
    case FieldType::CString:
        setFieldText(field, record, std::to_string(value));
        return;
    default:
        return; // reals, decimals and dates are never set by number here
    }
}

void blankField(const FieldSpec& field, std::uint8_t* record) {
    std::memset(record + field.offset, field.type == FieldType::String ? ' ' : 0, field.size);
}

const FieldSpec* fieldOf(const FileDef& file, std::string_view prefixedName) {
    const auto ref = fieldByName(prefixedName);
    if (!ref || ref.file->label != file.label) return nullptr;
    return &ref.layoutField();
}

} // namespace zv::dict
