#include "storage/dbase/dbf_format.h"

#include <algorithm>
#include <cstring>

namespace zv::dbase {

std::uint16_t getU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

namespace {

bool validName(const std::string& name) {
    if (name.empty() || name.size() > desc::kNameSize - 1) return false;
    if (!(name[0] >= 'A' && name[0] <= 'Z')) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// Width and decimals rules of one column type; Xbase::None when they hold.
Xbase checkShape(char type, unsigned width, unsigned decimals) {
    switch (type) {
    case 'C':
        return width >= 1 && width <= kMaxCharWidth ? Xbase::None : Xbase::BadFieldLength;
    case 'N':
    case 'F':
        if (width < 1 || width > kMaxNumberWidth) return Xbase::BadFieldLength;
        if (decimals > 0 && decimals + 2 > width) return Xbase::DecimalsInvalid;
        return Xbase::None;
    case 'D':
        return width == kDateWidth ? Xbase::None : Xbase::BadFieldLength;
    case 'L':
        return width == 1 ? Xbase::None : Xbase::BadFieldLength;
    case 'M':
        return width == kMemoWidth ? Xbase::None : Xbase::BadFieldLength;
    default:
        return Xbase::InvalidFieldType;
    }
}

} // namespace

Xbase layoutColumns(std::vector<Column>& columns) {
    if (columns.empty() || columns.size() > kMaxColumns) return Xbase::InvalidFieldCount;
    std::size_t offset = 1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        auto& c = columns[i];
        if (!validName(c.name)) return Xbase::FieldNameInvalid;
        for (std::size_t j = 0; j < i; ++j)
            if (columns[j].name == c.name) return Xbase::FieldNameInvalid;
        if (c.type != 'N' && c.type != 'F') c.decimals = 0;
        if (const Xbase e = checkShape(c.type, c.width, c.decimals); e != Xbase::None) return e;
        c.offset = static_cast<std::uint16_t>(offset);
        offset += c.width;
    }
    if (offset > kMaxRowLength) return Xbase::InvalidRecordLength;
    return Xbase::None;
}

void encodeHeader(const DbfHeader& h, std::uint8_t* out) {
    std::memset(out, 0, kHeaderSize);
    out[hdr::kVersion] = h.version;
    out[hdr::kYear] = static_cast<std::uint8_t>(std::clamp(h.year - 1900, 0, 255));
    out[hdr::kMonth] = static_cast<std::uint8_t>(h.month);
    out[hdr::kDay] = static_cast<std::uint8_t>(h.day);
    putU32(out + hdr::kRecordCount, h.recordCount);
    putU16(out + hdr::kHeaderLength, h.headerLength);
    putU16(out + hdr::kRowLength, h.rowLength);
    out[hdr::kMdxFlag] = h.mdxFlag;
    out[hdr::kLanguage] = h.language;
}

std::vector<std::uint8_t> encodeHeaderBlock(const DbfHeader& header,
                                            const std::vector<Column>& columns) {
    std::vector<std::uint8_t> block(kHeaderSize + kDescriptorSize * columns.size() + 1, 0);
    encodeHeader(header, block.data());
    std::uint8_t* d = block.data() + kHeaderSize;
    for (const auto& c : columns) {
        std::memcpy(d + desc::kName, c.name.data(), std::min(c.name.size(), desc::kNameSize - 1));
        d[desc::kType] = static_cast<std::uint8_t>(c.type);
        d[desc::kLength] = c.width;
        d[desc::kDecimals] = c.decimals;
        d += kDescriptorSize;
    }
    *d = kHeaderEnd;
    return block;
}

ParsedHeader parseHeaderBlock(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
    ParsedHeader out;
    auto fail = [&out](Xbase e) {
        out.error = e;
        out.columns.clear();
        return out;
    };
    if (fileSize < kHeaderSize + 1 || bytes.size() < kHeaderSize + 1)
        return fail(Xbase::HeaderLength);
    const std::uint8_t* b = bytes.data();
    auto& h = out.header;
    h.version = b[hdr::kVersion];
    if ((h.version & 0x07) != 0x03) return fail(Xbase::InvalidVersion);
    h.year = 1900 + b[hdr::kYear];
    h.month = b[hdr::kMonth];
    h.day = b[hdr::kDay];
    h.recordCount = getU32(b + hdr::kRecordCount);
    h.headerLength = getU16(b + hdr::kHeaderLength);
    h.rowLength = getU16(b + hdr::kRowLength);
    h.mdxFlag = b[hdr::kMdxFlag];
    h.language = b[hdr::kLanguage];
    if (h.headerLength < kHeaderSize + kDescriptorSize + 1 || h.headerLength > fileSize ||
        h.headerLength > bytes.size())
        return fail(Xbase::HeaderLength);
    if (b[hdr::kEncrypted] != 0) return fail(Xbase::FileCorrupted);

    // Descriptors until the terminator; they must end inside the header length.
    std::size_t pos = kHeaderSize;
    std::size_t rowEnd = 1;
    while (true) {
        if (pos >= h.headerLength) return fail(Xbase::HeaderLength);
        if (b[pos] == kHeaderEnd) break;
        if (pos + kDescriptorSize > h.headerLength) return fail(Xbase::HeaderLength);
        if (out.columns.size() == kMaxColumns) return fail(Xbase::InvalidFieldCount);
        const std::uint8_t* d = b + pos;
        Column c;
        for (std::size_t i = 0; i < desc::kNameSize && d[i] != 0; ++i)
            c.name.push_back(static_cast<char>(d[i]));
        c.type = static_cast<char>(d[desc::kType]);
        c.width = d[desc::kLength];
        c.decimals = c.type == 'N' || c.type == 'F' ? d[desc::kDecimals] : 0;
        if (c.name.empty()) return fail(Xbase::FieldNameInvalid);
        if (c.type == 'C') {
            if (c.width < 1) return fail(Xbase::BadFieldLength);
        } else if (c.type == 'N' || c.type == 'F') {
            // Readers accept what other writers produce: a width up to 20, decimals below it.
            if (c.width < 1 || c.width > kMaxNumberWidth) return fail(Xbase::BadFieldLength);
            if (c.decimals >= c.width) return fail(Xbase::DecimalsInvalid);
        } else if (const Xbase e = checkShape(c.type, c.width, c.decimals); e != Xbase::None) {
            return fail(e);
        }
        c.offset = static_cast<std::uint16_t>(rowEnd);
        rowEnd += c.width;
        out.columns.push_back(std::move(c));
        pos += kDescriptorSize;
    }
    if (out.columns.empty()) return fail(Xbase::InvalidFieldCount);
    if (rowEnd > h.rowLength) return fail(Xbase::InvalidRecordLength);
    out.rowsInFile = (fileSize - h.headerLength) / h.rowLength;
    return out;
}

} // namespace zv::dbase
