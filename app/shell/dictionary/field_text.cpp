#include "field_text.h"

#include "cells.h"

#include "platform/dates/picture.h"
#include "storage/decimal.h"

#include <cstdio>
#include <cstring>

namespace zv::dict {

using storage::FieldType;

std::int64_t fieldInteger(const FieldSpec& f, const std::uint8_t* p) {
    p += f.offset;
    switch (f.type) {
    case FieldType::Byte:
        return p[0];
    case FieldType::Short:
        return rec::detail::loadLE<std::int16_t>(p);
    case FieldType::UShort:
        return rec::detail::loadLE<std::uint16_t>(p);
    case FieldType::Long:
        return rec::detail::loadLE<std::int32_t>(p);
    case FieldType::ULong:
        return rec::detail::loadLE<std::uint32_t>(p);
    default:
        return 0;
    }
}

std::string fieldText(const FieldSpec& f, const std::uint8_t* record) {
    const std::uint8_t* p = record + f.offset;
    switch (f.type) {
    case FieldType::String: {
        std::size_t n = f.size;
        while (n > 0 && p[n - 1] == ' ')
            --n;
        return std::string(reinterpret_cast<const char*>(p), n);
    }
    case FieldType::CString: {
        const void* z = std::memchr(p, 0, f.size);
        std::size_t n =
            z ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p) : f.size;
        while (n > 0 && p[n - 1] == ' ')
            --n;
        return std::string(reinterpret_cast<const char*>(p), n);
    }
    case FieldType::PString: {
        std::size_t n = f.size > 0 ? p[0] : 0;
        if (n + 1 > f.size) n = f.size > 0 ? f.size - 1 : 0;
        return std::string(reinterpret_cast<const char*>(p + 1), n);
    }
    case FieldType::SReal:
    case FieldType::Real: {
        const double v = f.type == FieldType::Real ? rec::detail::loadLE<double>(p)
                                                   : rec::detail::loadLE<float>(p);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        return buf;
    }
    case FieldType::Decimal:
        return storage::decimalText(p, f.size, f.places);
    case FieldType::Date: {
        const int day = p[0], month = p[1], year = p[2] | (p[3] << 8);
        if (day == 0 && month == 0 && year == 0) return {};
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", day, month, year);
        return buf;
    }
    default:
        break;
    }
    const std::int64_t v = fieldInteger(f, record);
    if (!f.picture.empty()) {
        static const auto date = dates::compile("@d6.");
        static const auto time = dates::compile("@t1");
        const auto& picture = (f.picture[1] == 'd' || f.picture[1] == 'D') ? date : time;
        if (picture) return dates::format(*picture, static_cast<std::int32_t>(v));
    }
    return std::to_string(v);
}

} // namespace zv::dict
