#include "storage/dbase/column_map.h"

#include "platform/codepage.h"
#include "storage/dbase/field_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zv::dbase {

using storage::FieldDecl;
using storage::FieldType;
using storage::TableDecl;

namespace {

// ---- names ---------------------------------------------------------------

// The part of a stored name after its last ":".
std::string_view afterColon(std::string_view name) {
    const auto colon = name.find_last_of(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A type override after "=": its letter and, for numbers, width and decimals.
struct Override {
    char type = 0; // 0 = none
    int width = -1;
    int decimals = -1;
    bool bad = false;
};

// Reads 1..3 digits at s[i]; -1 when there are none or more than three.
int readNumber3(std::string_view s, std::size_t& i) {
    std::size_t start = i;
    int v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        v = v * 10 + (s[i++] - '0');
    return i == start || i - start > 3 ? -1 : v;
}

Override parseOverride(std::string_view text) {
    Override o;
    if (text.empty()) {
        o.bad = true;
        return o;
    }
    o.type = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    std::string_view rest = text.substr(1);
    switch (o.type) {
    case 'C':
    case 'D':
    case 'L':
    case 'M':
        o.bad = !rest.empty();
        return o;
    case 'N':
    case 'F':
        break;
    default:
        o.bad = true;
        return o;
    }
    if (rest.empty()) return o;
    std::size_t i = 0;
    if (rest[i++] != '(') {
        o.bad = true;
        return o;
    }
    o.width = readNumber3(rest, i);
    if (o.width < 0 || i >= rest.size()) {
        o.bad = true;
        return o;
    }
    if (rest[i] == ',' || rest[i] == '.') {
        ++i;
        o.decimals = readNumber3(rest, i);
        if (o.decimals < 0 || i >= rest.size()) {
            o.bad = true;
            return o;
        }
    }
    o.bad = rest[i] != ')' || i + 1 != rest.size();
    return o;
}

void putColumn(std::vector<std::uint8_t>& row, const Column& c, std::string_view text) {
    std::uint8_t* p = row.data() + c.offset;
    std::memset(p, ' ', c.width);
    std::memcpy(p, text.data(), std::min<std::size_t>(text.size(), c.width));
}

std::string_view columnText(std::span<const std::uint8_t> row, const Column& c) {
    return {reinterpret_cast<const char*>(row.data() + c.offset), c.width};
}

std::uint32_t parseBlock(std::string_view t) {
    t = trim(t);
    std::uint64_t v = 0;
    if (t.empty() || t.size() > 10) return 0;
    for (char c : t) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v > UINT32_MAX ? 0 : static_cast<std::uint32_t>(v);
}

std::string blockText(std::uint32_t block, std::size_t width) {
    if (block == 0) return std::string(width, ' ');
    std::string s = std::to_string(block);
    return std::string(width > s.size() ? width - s.size() : 0, ' ') + s;
}

// ---- building ------------------------------------------------------------------

MapResult refuse(int code, Xbase x, std::string message = {}) {
    MapResult r;
    r.code = code;
    r.xbase = x;
    r.message = std::move(message);
    return r;
}

// A picture of a date: "@D" and the rest of a valid date picture.
bool isDatePicture(const std::string& picture) {
    if (picture.size() < 3 || picture[0] != '@' || (picture[1] != 'd' && picture[1] != 'D'))
        return false;
    const auto compiled = dates::compile(picture);
    return compiled && compiled->kind() == dates::PictureKind::Date;
}

bool namesMatch(std::string_view a, std::string_view b) {
    return cp1250::equalNoCase(afterColon(a), afterColon(b));
}

} // namespace

std::string cleanColumnText(std::string_view text) {
    std::string out(text);
    for (auto& ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == 0)
            ch = ' ';
        else if (isControl1250(b))
            ch = '?';
    }
    return out;
}

std::string cleanMemoText(std::string_view text) {
    std::string out(text);
    for (auto& ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        if (isControl1250(b) && b != '\t' && b != '\r' && b != '\n') ch = '?';
    }
    return out;
}

std::vector<Column> ColumnMap::columns() const {
    std::vector<Column> out;
    out.reserve(bindings.size());
    for (const auto& b : bindings)
        out.push_back(b.column);
    return out;
}

bool ColumnMap::hasMemo() const {
    return std::any_of(bindings.begin(), bindings.end(),
                       [](const Binding& b) { return b.column.type == 'M'; });
}

MapResult buildColumnMap(const TableDecl& decl, ColumnMap& map) {
    map.bindings.clear();
    std::vector<bool> memoTaken(decl.memos.size(), false);
    std::vector<std::uint16_t> memoFields; // bindings still to pair with a memo

    for (std::size_t i = 0; i < decl.fields.size(); ++i) {
        const FieldDecl& f = decl.fields[i];
        if (f.type == FieldType::Group || f.overlay) continue;
        if (static_cast<std::size_t>(f.offset) + f.size > decl.recordLength || f.size == 0)
            return refuse(kInvalidRecordDeclaration, Xbase::BadFieldLength);

        std::string_view name = afterColon(f.name);
        Override o;
        if (const auto eq = name.find('='); eq != std::string_view::npos) {
            o = parseOverride(name.substr(eq + 1));
            name = name.substr(0, eq);
            if (o.bad) return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
        }
        Binding b;
        b.field = static_cast<std::uint16_t>(i);
        b.column.name = upperAscii(name);
        const bool text = storage::isText(f.type);
        const bool scalar = f.elements <= 1;
        char type = o.type;
        if (type == 0) {
            // The default column of each declared type.
            const NumberPicture np = parseNumberPicture(f.picture);
            if (f.type == FieldType::Byte && scalar)
                type = 'L';
            else if (f.type == FieldType::Date && scalar)
                type = 'D';
            else if (f.type == FieldType::Long && scalar)
                type = 'M';
            else if (f.type == FieldType::Real && scalar) {
                type = 'N';
                o.width = 9;
                o.decimals = 2;
            } else if (f.type == FieldType::String && isDatePicture(f.picture))
                type = 'D';
            else if (f.type == FieldType::String && np.valid) {
                if (np.width != f.size) return refuse(kInvalidFieldType, Xbase::BadFieldLength);
                type = 'N';
                o.width = np.width;
                o.decimals = np.decimals;
            } else if (f.type == FieldType::String &&
                       std::any_of(decl.memos.begin(), decl.memos.end(), [&](const auto& m) {
                           return namesMatch(m.name, f.name) || namesMatch(m.externalName, f.name);
                       }))
                type = 'M';
            else if (f.type == FieldType::String)
                type = 'C';
            else
                return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
        }
        b.column.type = type;
        switch (type) {
        case 'C':
            b.source = text ? Source::Text : Source::Raw;
            if (f.size > kMaxCharWidth)
                return refuse(kInvalidRecordDeclaration, Xbase::BadFieldLength);
            b.column.width = static_cast<std::uint8_t>(f.size);
            break;
        case 'L':
            if (!scalar || !(isInteger(f.type) || text))
                return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
            b.source = text ? Source::LogicalText : Source::Logical;
            b.column.width = 1;
            break;
        case 'D':
            b.column.width = kDateWidth;
            if (f.type == FieldType::Date && f.size == 4)
                b.source = Source::DateCalendar;
            else if ((f.type == FieldType::Long || f.type == FieldType::ULong) && scalar)
                b.source = Source::DateStandard;
            else if (text && isDatePicture(f.picture)) {
                b.source = Source::DatePicture;
                b.picture = dates::compile(f.picture);
            } else if (text)
                b.source = Source::DateText;
            else
                return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
            break;
        case 'N':
        case 'F': {
            if (text) {
                const NumberPicture np = parseNumberPicture(f.picture);
                b.source = Source::NumberText;
                b.decimalPoint = np.valid ? np.decimalPoint : '.';
                if (o.width < 0) {
                    o.width = np.valid ? np.width : f.size;
                    if (o.decimals < 0 && np.valid) o.decimals = np.decimals;
                }
            } else if (isBinaryNumber(f.type) && scalar) {
                b.source = Source::Number;
                if (o.width < 0) {
                    switch (f.type) {
                    case FieldType::Byte:
                        o.width = 3;
                        break;
                    case FieldType::Short:
                        o.width = 6;
                        break;
                    case FieldType::UShort:
                        o.width = 5;
                        break;
                    case FieldType::Long:
                        o.width = 11;
                        break;
                    case FieldType::ULong:
                        o.width = 10;
                        break;
                    case FieldType::Decimal:
                        o.width = std::min(20, f.digits + 2);
                        o.decimals = f.places;
                        break;
                    default:
                        o.width = 9;
                        o.decimals = 2;
                        break;
                    }
                }
            } else {
                return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
            }
            const int decimals = std::max(o.decimals, 0);
            if (o.width < 1 || o.width > static_cast<int>(kMaxNumberWidth))
                return refuse(kInvalidFieldType, Xbase::BadFieldLength);
            if (decimals > 0 && decimals > o.width - 2)
                return refuse(kInvalidFieldType, Xbase::DecimalsInvalid);
            b.column.width = static_cast<std::uint8_t>(o.width);
            b.column.decimals = static_cast<std::uint8_t>(decimals);
            break;
        }
        case 'M':
            if ((f.type == FieldType::Long || f.type == FieldType::ULong) && scalar)
                b.source = Source::MemoLong;
            else if (text)
                b.source = Source::MemoText;
            else
                return refuse(kInvalidFieldType, Xbase::InvalidFieldType);
            b.column.width = kMemoWidth;
            // Pair with the memo of the same name now; others after all fields.
            for (std::size_t m = 0; m < decl.memos.size(); ++m) {
                if (!memoTaken[m] && (namesMatch(decl.memos[m].name, f.name) ||
                                      namesMatch(decl.memos[m].externalName, name))) {
                    memoTaken[m] = true;
                    b.memo = static_cast<int>(m);
                    break;
                }
            }
            if (b.memo < 0) memoFields.push_back(static_cast<std::uint16_t>(map.bindings.size()));
            break;
        }
        map.bindings.push_back(std::move(b));
    }
    for (const std::uint16_t bi : memoFields) {
        const auto free = std::find(memoTaken.begin(), memoTaken.end(), false);
        if (free == memoTaken.end())
            return refuse(kInvalidRecordDeclaration, Xbase::None, kLongWithoutMemo);
        *free = true;
        map.bindings[bi].memo = static_cast<int>(free - memoTaken.begin());
    }
    std::vector<Column> columns = map.columns();
    if (const Xbase e = layoutColumns(columns); e != Xbase::None)
        return refuse(kInvalidRecordDeclaration, e);
    for (std::size_t i = 0; i < columns.size(); ++i)
        map.bindings[i].column = columns[i];
    return {};
}

void storeMemoBlock(const Binding& b, const TableDecl& decl, std::uint32_t block,
                    std::span<std::uint8_t> record) {
    const FieldDecl& f = decl.fields[b.field];
    std::uint8_t* p = record.data() + f.offset;
    if (b.source == Source::MemoLong)
        putU32(p, block);
    else if (b.source == Source::MemoText)
        writeText(f, p, block == 0 ? std::string() : std::to_string(block));
}

std::uint32_t memoBlockOf(const Binding& b, const TableDecl& decl,
                          std::span<const std::uint8_t> record) {
    const FieldDecl& f = decl.fields[b.field];
    const std::uint8_t* p = record.data() + f.offset;
    if (b.source == Source::MemoLong) return getU32(p);
    if (b.source == Source::MemoText) return parseBlock(readText(f, p));
    return 0;
}

std::uint32_t memoBlockInRow(const Binding& b, std::span<const std::uint8_t> row) {
    if (static_cast<std::size_t>(b.column.offset) + b.column.width > row.size()) return 0;
    return parseBlock(columnText(row, b.column));
}

Xbase encodeRow(const ColumnMap& map, const TableDecl& decl, std::span<const std::uint8_t> record,
                const std::vector<std::uint32_t>& memoBlocks, std::vector<std::uint8_t>& row) {
    std::size_t length = 1;
    for (const auto& b : map.bindings)
        length += b.column.width;
    row.assign(length, ' ');
    row[0] = kLive;
    for (std::size_t i = 0; i < map.bindings.size(); ++i) {
        const Binding& b = map.bindings[i];
        const Column& c = b.column;
        const FieldDecl& f = decl.fields[b.field];
        const std::uint8_t* p = record.data() + f.offset;
        std::string text;
        switch (b.source) {
        case Source::Text:
            text = cleanColumnText(readText(f, p));
            break;
        case Source::Raw:
            text = cleanColumnText(std::string_view(reinterpret_cast<const char*>(p), f.size));
            break;
        case Source::Logical:
            text = readBinary(f, p) != 0 ? "T" : "F";
            break;
        case Source::LogicalText: {
            const std::string value = readText(f, p);
            const std::string_view t = trim(value);
            const char first = t.empty() ? ' ' : static_cast<char>(std::toupper(t[0]));
            text = first == 'T' || first == 'Y' || first == '1'   ? "T"
                   : first == 'F' || first == 'N' || first == '0' ? "F"
                                                                  : "?";
            break;
        }
        case Source::Number:
        case Source::NumberText: {
            const double v = b.source == Source::Number
                                 ? readBinary(f, p)
                                 : parseNumber(readText(f, p), b.decimalPoint);
            if (!formatNumber(v, c.width, c.decimals, text)) return Xbase::BadData;
            break;
        }
        case Source::DateCalendar:
            text = dateText(unpackDateField(p));
            break;
        case Source::DateStandard:
            text = dateText(fromStandardDate(static_cast<std::int32_t>(getU32(p))));
            break;
        case Source::DateText: {
            const std::string t(trim(readText(f, p)));
            text = t.size() == 8 ? dateText(parseDateText(t.c_str())) : dateText({});
            break;
        }
        case Source::DatePicture:
            text = dateText(fromStandardDate(dates::deformat(*b.picture, readText(f, p))));
            break;
        case Source::MemoLong:
        case Source::MemoText:
            text = blockText(memoBlocks[i], c.width);
            break;
        }
        putColumn(row, c, text);
    }
    return Xbase::None;
}

void decodeRow(const ColumnMap& map, const TableDecl& decl, std::span<const std::uint8_t> row,
               std::span<std::uint8_t> record, std::vector<std::uint32_t>& memoBlocks) {
    memoBlocks.assign(map.bindings.size(), 0);
    for (std::size_t i = 0; i < map.bindings.size(); ++i) {
        const Binding& b = map.bindings[i];
        const Column& c = b.column;
        const FieldDecl& f = decl.fields[b.field];
        std::uint8_t* p = record.data() + f.offset;
        const std::string_view t = columnText(row, c);
        switch (b.source) {
        case Source::Text:
            writeText(f, p, t);
            break;
        case Source::Raw: {
            std::memset(p, ' ', f.size);
            std::memcpy(p, t.data(), std::min<std::size_t>(t.size(), f.size));
            break;
        }
        case Source::Logical: {
            const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
            writeBinary(f, p, l == 'T' || l == 'Y' ? 1 : 0);
            break;
        }
        case Source::LogicalText: {
            const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
            writeText(f, p, l == 'T' || l == 'Y' ? "T" : l == 'F' || l == 'N' ? "F" : "?");
            break;
        }
        case Source::Number:
            writeBinary(f, p, parseNumber(t, '.'));
            break;
        case Source::NumberText: {
            std::string s;
            if (!formatNumber(parseNumber(t, '.'), f.size, c.decimals, s)) s.clear();
            if (b.decimalPoint != '.') std::replace(s.begin(), s.end(), '.', b.decimalPoint);
            writeText(f, p, s);
            break;
        }
        case Source::DateCalendar:
            packDateField(parseDateText(t.data()), p);
            break;
        case Source::DateStandard: {
            const std::int32_t n = toStandardDate(parseDateText(t.data()));
            putU32(p, static_cast<std::uint32_t>(n < 0 ? 0 : n));
            break;
        }
        case Source::DateText: {
            const CalendarDate d = parseDateText(t.data());
            writeText(f, p, d.empty() ? std::string() : dateText(d));
            break;
        }
        case Source::DatePicture: {
            const std::int32_t n = toStandardDate(parseDateText(t.data()));
            writeText(f, p, n > 0 ? dates::format(*b.picture, n) : std::string());
            break;
        }
        case Source::MemoLong:
        case Source::MemoText:
            memoBlocks[i] = parseBlock(t);
            storeMemoBlock(b, decl, memoBlocks[i], record);
            break;
        }
    }
}

} // namespace zv::dbase
