#include "storage/keys.h"

#include "platform/codepage.h"
#include "platform/czech_order.h"
#include "storage/coding.h"

#include <algorithm>

namespace zv::storage {

namespace {

void invert(std::string& s, std::size_t from, std::size_t n) {
    for (std::size_t i = from; i < from + n; ++i)
        s[i] = static_cast<char>(~s[i]);
}

bool duplicatesAllowed(const KeyDecl& k) {
    return k.flags & kKeyDuplicates;
}

// A text field in Czech order: each element's sort key.
std::string czechComponent(const FieldDecl& field, const std::uint8_t* record, bool noCase,
                           bool oem) {
    const std::uint8_t* p = record + field.offset;
    const std::size_t elements = std::max<std::size_t>(field.elements, 1);
    const std::size_t width = field.size / elements;
    std::string out;
    for (std::size_t e = 0; e < elements; ++e) {
        const auto* base = reinterpret_cast<const char*>(p + e * width);
        std::string_view text(base, width);
        if (field.type == FieldType::PString)
            text = width == 0
                       ? std::string_view()
                       : std::string_view(base + 1, std::min<std::size_t>(p[e * width], width - 1));
        else if (field.type == FieldType::CString)
            text = text.substr(0, std::min(text.find('\0'), text.size()));
        out += czech::sortKey(oem ? cp852::toCp1250(text) : std::string(text), width, !noCase);
    }
    return out;
}

} // namespace

std::string be32(std::uint32_t n) {
    std::string s;
    appendBe32(s, n);
    return s;
}

std::uint32_t fromBe32(const std::string& s, std::size_t at) {
    if (s.size() < at + 4) return 0;
    return getBe32(bytes(s) + at);
}

std::string keyPrefix(std::uint32_t table, int keyNumber) {
    std::string s = be32(table);
    s.push_back(static_cast<char>(keyNumber));
    return s;
}

std::string dataKey(std::uint32_t table, std::uint32_t recordNumber) {
    std::string s = be32(table);
    s.push_back(static_cast<char>(qtf::kKindData));
    appendBe32(s, recordNumber);
    return s;
}

std::string encodeComponent(const FieldDecl& field, const std::uint8_t* record, bool noCase,
                            bool descending, bool oem, bool czech) {
    if (czech && isText(field.type)) {
        std::string out = czechComponent(field, record, noCase, oem);
        if (descending) invert(out, 0, out.size());
        return out;
    }
    const std::uint8_t* p = record + field.offset;
    std::size_t size = field.size;
    std::string out(reinterpret_cast<const char*>(p), size);
    std::size_t elements = std::max<std::size_t>(field.elements, 1);
    std::size_t width = size / elements;
    switch (field.type) {
    case FieldType::CString:
        for (std::size_t e = 0; e < elements; ++e) {
            std::size_t base = e * width;
            std::size_t end = base;
            while (end < base + width && out[end] != '\0')
                ++end;
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(end),
                      out.begin() + static_cast<std::ptrdiff_t>(base + width), '\0');
        }
        break;
    case FieldType::PString:
        for (std::size_t e = 0; e < elements && width > 0; ++e) {
            std::size_t base = e * width;
            std::size_t len = std::min<std::size_t>(p[base], width - 1);
            std::string chars(reinterpret_cast<const char*>(p + base + 1), len);
            chars.resize(width, '\0');
            out.replace(base, width, chars);
        }
        break;
    case FieldType::UShort:
    case FieldType::ULong:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::SReal:
    case FieldType::Real:
        for (std::size_t e = 0; e < elements && width > 0; ++e) {
            std::size_t base = e * width;
            std::reverse(out.begin() + static_cast<std::ptrdiff_t>(base),
                         out.begin() + static_cast<std::ptrdiff_t>(base + width));
            if (field.type == FieldType::Short || field.type == FieldType::Long) {
                out[base] = static_cast<char>(out[base] ^ 0x80);
            } else if (field.type == FieldType::SReal || field.type == FieldType::Real) {
                if (out[base] & 0x80)
                    invert(out, base, width);
                else
                    out[base] = static_cast<char>(out[base] | 0x80);
            }
        }
        break;
    case FieldType::Decimal:
        if (size > 0) {
            if (out[0] & 0xF0) {
                out[0] = static_cast<char>(out[0] & 0x0F);
                invert(out, 0, size);
            }
            out[0] = static_cast<char>(out[0] ^ 0x80);
        }
        break;
    default:
        break;
    }
    if (noCase && isText(field.type)) out = oem ? cp852::upper(out) : cp1250::upper(out);
    if (descending) invert(out, 0, out.size());
    return out;
}

bool isBlankComponent(const FieldDecl& field, const std::uint8_t* record) {
    const std::uint8_t* p = record + field.offset;
    switch (field.type) {
    case FieldType::String:
    case FieldType::Group:
        return std::all_of(p, p + field.size, [](std::uint8_t b) { return b == ' '; });
    case FieldType::CString:
    case FieldType::PString:
        return field.size == 0 || p[0] == 0;
    default:
        return std::all_of(p, p + field.size, [](std::uint8_t b) { return b == 0; });
    }
}

std::string encodeValue(const TableDecl& decl, int keyNumber, std::uint32_t table,
                        const std::uint8_t* record, int components) {
    const KeyDecl& k = decl.keys[static_cast<std::size_t>(keyNumber)];
    std::string key = keyPrefix(table, keyNumber);
    int n = components < 0 ? static_cast<int>(k.components.size())
                           : std::min<int>(components, static_cast<int>(k.components.size()));
    for (int i = 0; i < n; ++i) {
        const KeyComponent& c = k.components[static_cast<std::size_t>(i)];
        key += encodeComponent(decl.fields[c.field], record, k.flags & kKeyNoCase, c.descending,
                               decl.oem, k.flags & kKeyCzech);
    }
    return key;
}

bool buildEntry(const TableDecl& decl, int keyNumber, std::uint32_t table,
                const std::uint8_t* record, std::uint32_t recordNumber, std::string* key) {
    const KeyDecl& k = decl.keys[static_cast<std::size_t>(keyNumber)];
    if (k.flags & kKeyOptional) {
        bool blank = true;
        for (const auto& c : k.components)
            if (!isBlankComponent(decl.fields[c.field], record)) blank = false;
        if (blank) return false;
    }
    *key = encodeValue(decl, keyNumber, table, record);
    if (duplicatesAllowed(k)) appendBe32(*key, recordNumber);
    return true;
}

std::string statisticsKey(std::uint32_t table, std::uint8_t which) {
    std::string s = be32(table);
    s.push_back(static_cast<char>(qtf::kKindStatistics));
    s.push_back(static_cast<char>(which));
    return s;
}

int readStatistics(NativeFile& file, std::uint32_t table, std::uint8_t which, Statistics* stats) {
    std::string payload;
    bool found = false;
    *stats = Statistics{};
    if (int rc = file.get(statisticsKey(table, which), &payload, &found)) return rc;
    if (found && payload.size() >= 8) {
        stats->count = getLe32(bytes(payload));
        stats->pending = getLe32(bytes(payload) + 4);
    }
    return 0;
}

int writeStatistics(NativeFile& file, std::uint32_t table, std::uint8_t which,
                    const Statistics& stats) {
    std::string payload;
    appendLe32(payload, stats.count);
    appendLe32(payload, stats.pending);
    bool found = false;
    std::string key = statisticsKey(table, which);
    if (int rc = file.replace(key, payload, &found)) return rc;
    return found ? 0 : file.insert(key, payload);
}

int addToCount(NativeFile& file, std::uint32_t table, std::uint8_t which, int delta) {
    file.addToCounter(statisticsKey(table, which), delta);
    return 0;
}

namespace {

// One key's step of maintenance; `net` receives the change of its count.
int maintainOne(NativeFile& file, const TableDecl& decl, std::uint32_t table, int keyNumber,
                const std::uint8_t* oldImage, const std::uint8_t* newImage,
                std::uint32_t recordNumber) {
    const KeyDecl& k = decl.keys[static_cast<std::size_t>(keyNumber)];
    std::string oldKey, newKey;
    bool hasOld = oldImage && buildEntry(decl, keyNumber, table, oldImage, recordNumber, &oldKey);
    bool hasNew = newImage && buildEntry(decl, keyNumber, table, newImage, recordNumber, &newKey);
    if (hasOld && hasNew && oldKey == newKey) return 0;
    int net = 0;
    std::string payload = be32(recordNumber);
    if (hasNew) {
        int rc = file.insert(newKey, payload);
        if (rc == kErrDuplicate && !duplicatesAllowed(k)) return kErrDuplicate;
        if (rc) return rc;
        ++net;
    }
    if (hasOld) {
        // An entry that names another record is not this record's.
        bool removed = false;
        if (int rc = file.removeHolding(oldKey, payload, &removed)) return rc;
        if (removed) --net;
    }
    if (net != 0) return addToCount(file, table, static_cast<std::uint8_t>(keyNumber), net);
    return 0;
}

} // namespace

int maintainKeys(NativeFile& file, const TableDecl& decl, std::uint32_t table,
                 const std::uint8_t* oldImage, const std::uint8_t* newImage,
                 std::uint32_t recordNumber, bool withoutKeys) {
    for (std::size_t i = 0; i < decl.keys.size(); ++i) {
        const KeyDecl& k = decl.keys[i];
        int keyNumber = static_cast<int>(i);
        if (k.flags & kKeyOutside) continue;
        if ((k.flags & kKeyIndex) || withoutKeys) {
            Statistics st;
            if (int rc = readStatistics(file, table, static_cast<std::uint8_t>(keyNumber), &st))
                return rc;
            // A mark of 0 counts as no pending record.
            if (st.pending - 1u > recordNumber - 1u) {
                st.pending = recordNumber;
                if (int rc = writeStatistics(file, table, static_cast<std::uint8_t>(keyNumber), st))
                    return rc;
            }
            continue;
        }
        int rc = maintainOne(file, decl, table, keyNumber, oldImage, newImage, recordNumber);
        if (rc == kErrDuplicate) {
            // Take back what this record did to the earlier keys.
            for (int j = keyNumber - 1; j >= 0; --j) {
                const KeyDecl& e = decl.keys[static_cast<std::size_t>(j)];
                if ((e.flags & (kKeyOutside | kKeyIndex)) || withoutKeys) continue;
                if (int undo = maintainOne(file, decl, table, j, newImage, oldImage, recordNumber))
                    return undo;
            }
            return kErrDuplicate;
        }
        if (rc) return rc;
    }
    return 0;
}

int firstEntry(NativeFile& file, std::uint32_t table, int keyNumber, PageRecord* entry,
               bool* found) {
    std::string prefix = keyPrefix(table, keyNumber);
    if (int rc = file.ceiling(prefix, entry, found)) return rc;
    if (*found && entry->key.compare(0, prefix.size(), prefix) != 0) *found = false;
    return 0;
}

int lastEntry(NativeFile& file, std::uint32_t table, int keyNumber, PageRecord* entry,
              bool* found) {
    std::string prefix = keyPrefix(table, keyNumber);
    std::string next = keyPrefix(table, keyNumber + 1);
    if (keyNumber == 255) next = be32(table + 1);
    if (int rc = file.predecessor(next, entry, found)) return rc;
    if (*found && entry->key.compare(0, prefix.size(), prefix) != 0) *found = false;
    return 0;
}

} // namespace zv::storage
