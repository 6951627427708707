#include "storage/dbase/mdx_format.h"

#include "storage/dbase/dbf_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace zv::dbase {
namespace {

using namespace mdx;

void putDate(std::uint8_t* p, int year, int month, int day) {
    p[0] = static_cast<std::uint8_t>(std::clamp(year - 1900, 0, 255));
    p[1] = static_cast<std::uint8_t>(month);
    p[2] = static_cast<std::uint8_t>(day);
}

void putText(std::uint8_t* p, std::size_t room, const std::string& text) {
    std::memcpy(p, text.data(), std::min(room, text.size()));
}

// Text up to the first zero inside a window of the buffer.
std::string zeroText(const std::uint8_t* p, std::size_t room) {
    std::size_t n = 0;
    while (n < room && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

struct Child {
    std::uint32_t page = 0;
    std::string lastKey;
};

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    std::uint32_t allocate() {
        const auto page = static_cast<std::uint32_t>(out_.size() / kPage);
        out_.resize(out_.size() + kBlock, 0);
        return page;
    }
    std::uint8_t* at(std::uint32_t page) { return out_.data() + page * kPage; }

private:
    std::vector<std::uint8_t>& out_;
};

// Writes the tag's nodes; returns the root's page.
std::uint32_t writeTree(Writer& w, const MdxTag& tag) {
    const std::size_t item = mdxItemLength(tag.keyLength);
    const std::size_t maxKeys = mdxMaxKeys(tag.keyLength);
    const std::size_t n = tag.entries.size();
    const std::size_t leaves = std::max<std::size_t>(1, (n + maxKeys - 1) / maxKeys);
    std::vector<Child> level;
    for (std::size_t j = 0; j < leaves; ++j) {
        const std::size_t from = j * n / leaves;
        const std::size_t to = (j + 1) * n / leaves;
        const std::uint32_t page = w.allocate();
        std::uint8_t* p = w.at(page);
        putU32(p, static_cast<std::uint32_t>(to - from));
        for (std::size_t i = from; i < to; ++i) {
            std::uint8_t* e = p + kNodeHeader + (i - from) * item;
            putU32(e, tag.entries[i].recno);
            putText(e + 4, tag.keyLength, tag.entries[i].key);
        }
        level.push_back({page, to > from ? tag.entries[to - 1].key : std::string()});
    }
    while (level.size() > 1) {
        const std::size_t size = level.size();
        const std::size_t groups = (size + maxKeys) / (maxKeys + 1);
        std::vector<Child> up;
        for (std::size_t j = 0; j < groups; ++j) {
            const std::size_t from = j * size / groups;
            const std::size_t to = (j + 1) * size / groups;
            const std::uint32_t page = w.allocate();
            std::uint8_t* p = w.at(page);
            putU32(p, static_cast<std::uint32_t>(to - from - 1));
            for (std::size_t i = from; i < to; ++i) {
                std::uint8_t* e = p + kNodeHeader + (i - from) * item;
                putU32(e, level[i].page);
                if (i + 1 < to) putText(e + 4, tag.keyLength, level[i].lastKey);
            }
            up.push_back({page, level[to - 1].lastKey});
        }
        level = std::move(up);
    }
    return level.front().page;
}

// The tag table's name threads: a binary tree over the names in entry order.
void threadNames(std::uint8_t* table, const MdxImage& image) {
    for (std::size_t i = 1; i < image.tags.size(); ++i) {
        std::size_t at = 0;
        for (;;) {
            const bool less = image.tags[i].name < image.tags[at].name;
            std::uint8_t& link = table[at * kTagEntry + (less ? kEntryLess : kEntryGreater)];
            if (link == 0) {
                link = static_cast<std::uint8_t>(i + 1);
                table[i * kTagEntry + kEntryBack] = static_cast<std::uint8_t>(at + 1);
                break;
            }
            at = static_cast<std::size_t>(link - 1);
        }
    }
}

class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, std::size_t block) : b_(bytes), block_(block) {}

    // The node block starting at page, or null when it lies outside the file.
    const std::uint8_t* node(std::uint32_t page) const {
        if (page < kHeaderPages || static_cast<std::uint64_t>(page) * kPage + block_ > b_.size())
            return nullptr;
        return b_.data() + static_cast<std::size_t>(page) * kPage;
    }

    Xbase walk(std::uint32_t page, int depth, MdxTag& tag, std::size_t item, std::size_t maxKeys) {
        if (depth > 16) return Xbase::FileCorrupted;
        const std::uint8_t* p = node(page);
        if (!p) return depth == 0 ? Xbase::InvalidRootPage : Xbase::FileCorrupted;
        if (!visited_.insert(page).second) return Xbase::FileCorrupted;
        const std::uint32_t count = getU32(p);
        if (count > maxKeys || kNodeHeader + count * item > block_) return Xbase::FileCorrupted;
        const bool roomForRight = kNodeHeader + (count + 1) * item <= block_;
        const std::uint32_t right =
            roomForRight ? getU32(p + kNodeHeader + count * item) : std::uint32_t{0};
        if (right == 0) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t* e = p + kNodeHeader + i * item;
                const std::uint32_t recno = getU32(e);
                if (recno == 0) return Xbase::FileCorrupted;
                tag.entries.push_back(
                    {std::string(reinterpret_cast<const char*>(e + 4), tag.keyLength), recno});
            }
            return Xbase::None;
        }
        for (std::uint32_t i = 0; i <= count; ++i) {
            const std::uint32_t child = getU32(p + kNodeHeader + i * item);
            if (const Xbase e = walk(child, depth + 1, tag, item, maxKeys); e != Xbase::None)
                return e;
        }
        return Xbase::None;
    }

private:
    std::span<const std::uint8_t> b_;
    std::size_t block_;
    std::set<std::uint32_t> visited_;
};

Xbase decodeTag(std::span<const std::uint8_t> bytes, std::size_t block, const std::uint8_t* entry,
                Reader& reader, MdxTag& tag) {
    const std::uint32_t headerPage = getU32(entry + kEntryHeaderPage);
    tag.name = zeroText(entry + kEntryName, kTagNameSize);
    if (tag.name.empty() || tag.name.size() > 10) return Xbase::InvalidTagName;
    for (char c : tag.name)
        if (static_cast<unsigned char>(c) < 0x20) return Xbase::InvalidTagName;
    if (headerPage < kHeaderPages ||
        static_cast<std::uint64_t>(headerPage) * kPage + block > bytes.size())
        return Xbase::FileCorrupted;
    const std::uint8_t* h = bytes.data() + static_cast<std::size_t>(headerPage) * kPage;
    tag.keyType = static_cast<char>(h[kKeyType]);
    tag.keyLength = getU16(h + kKeyLength);
    const std::size_t maxKeys = getU16(h + kMaxKeysAt);
    const std::size_t item = getU16(h + kItemLength);
    const std::uint8_t format = h[kKeyFormat];
    tag.descending = (format & kFormatDescending) != 0;
    tag.unique = (format & kFormatUnique) != 0 || h[kUniqueAt] != 0;
    if (tag.keyType != 'C' && tag.keyType != 'N' && tag.keyType != 'D' && tag.keyType != 'F')
        return Xbase::InvalidKeyType;
    if (tag.keyType == 'F') tag.keyType = 'N';
    if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength ||
        (tag.keyType == 'N' && tag.keyLength != 12) || (tag.keyType == 'D' && tag.keyLength != 8))
        return Xbase::InvalidKeyLength;
    if (item < tag.keyLength + 4u || kNodeHeader + item > block) return Xbase::ItemLength;
    if (maxKeys == 0 || kNodeHeader + maxKeys * item > block) return Xbase::BadMaxKeys;
    const std::size_t room = std::min<std::size_t>(kMaxExpression + 1, kFilterFlag - kExpression);
    tag.expression = zeroText(h + kExpression, room);
    if (tag.expression.empty()) return Xbase::BadKeyExpression;
    if (h[kFilterFlag] != 0 && kFilter < block)
        tag.filter = zeroText(h + kFilter, std::min(kMaxExpression + 1, block - kFilter));
    return reader.walk(getU32(h + kRootPage), 0, tag, item, maxKeys);
}

} // namespace

std::size_t mdxItemLength(std::size_t keyLength) {
    return (keyLength + 4 + 3) / 4 * 4;
}

std::size_t mdxMaxKeys(std::size_t keyLength) {
    return (kBlock - kNodeHeader) / mdxItemLength(keyLength) - 1;
}

std::vector<std::uint8_t> encodeMdx(const MdxImage& image) {
    std::vector<std::uint8_t> out(kHeaderPages * kPage, 0);
    Writer w(out);
    std::vector<std::uint32_t> headerPages;
    for (const MdxTag& tag : image.tags) {
        const std::uint32_t headerPage = w.allocate();
        headerPages.push_back(headerPage);
        const std::uint32_t root = writeTree(w, tag);
        std::uint8_t* h = w.at(headerPage);
        putU32(h + kRootPage, root);
        h[kKeyFormat] = static_cast<std::uint8_t>((tag.descending ? kFormatDescending : 0) |
                                                  (tag.unique ? kFormatUnique : 0));
        h[kKeyType] = static_cast<std::uint8_t>(tag.keyType);
        putU16(h + kKeyLength, tag.keyLength);
        putU16(h + kMaxKeysAt, static_cast<std::uint16_t>(mdxMaxKeys(tag.keyLength)));
        putU16(h + kItemLength, static_cast<std::uint16_t>(mdxItemLength(tag.keyLength)));
        h[kUniqueAt] = tag.unique ? kFormatUnique : 0;
        putText(h + kExpression, kMaxExpression, tag.expression);
        if (!tag.filter.empty()) {
            h[kFilterFlag] = 1;
            putText(h + kFilter, kMaxExpression, tag.filter);
        }
    }
    const auto pages = static_cast<std::uint32_t>(out.size() / kPage);
    for (std::size_t i = 0; i < image.tags.size(); ++i)
        putU32(out.data() + headerPages[i] * kPage + kTagPages, pages);

    std::uint8_t* f = out.data();
    f[kVersionAt] = kVersion;
    putDate(f + kCreatedAt, image.year, image.month, image.day);
    putText(f + kDataNameAt, 16, image.dataName);
    putU16(f + kBlockPagesAt, static_cast<std::uint16_t>(kBlockPages));
    putU16(f + kBlockBytesAt, static_cast<std::uint16_t>(kBlock));
    f[kProductionAt] = 1;
    f[kEntriesAt] = static_cast<std::uint8_t>(kTagTableEntries);
    f[kEntryLengthAt] = static_cast<std::uint8_t>(kTagEntry);
    putU16(f + kTagsInUseAt, static_cast<std::uint16_t>(image.tags.size()));
    putU32(f + kPagesAt, pages);
    putDate(f + kUpdatedAt, image.year, image.month, image.day);
    std::uint8_t* table = f + kTagTable;
    for (std::size_t i = 0; i < image.tags.size(); ++i) {
        std::uint8_t* e = table + i * kTagEntry;
        putU32(e + kEntryHeaderPage, headerPages[i]);
        putText(e + kEntryName, 10, image.tags[i].name);
        e[kEntryFormat] = image.tags[i].descending ? kFormatDescending : 0;
        e[kEntryReserved] = 2;
        e[kEntryKeyType] = static_cast<std::uint8_t>(image.tags[i].keyType);
    }
    threadNames(table, image);
    return out;
}

Xbase decodeMdx(std::span<const std::uint8_t> bytes, MdxImage& image) {
    image = {};
    if (bytes.size() < kHeaderPages * kPage) return Xbase::FileCorrupted;
    const std::uint8_t* f = bytes.data();
    const std::size_t blockPages = getU16(f + kBlockPagesAt);
    const std::size_t block = getU16(f + kBlockBytesAt);
    if (blockPages == 0 || blockPages > 32 || block != blockPages * kPage)
        return Xbase::InvalidPageSize;
    if (f[kEntryLengthAt] != kTagEntry) return Xbase::TagEntryLength;
    const std::size_t entries = f[kEntriesAt];
    if (entries == 0 || entries > kTagTableEntries) return Xbase::TagTableElements;
    const std::size_t tags = getU16(f + kTagsInUseAt);
    if (tags > std::min(entries, kMaxTags)) return Xbase::InvalidTagCount;
    image.dataName = zeroText(f + kDataNameAt, 16);
    image.year = 1900 + f[kUpdatedAt];
    image.month = f[kUpdatedAt + 1];
    image.day = f[kUpdatedAt + 2];
    Reader reader(bytes, block);
    for (std::size_t i = 0; i < tags; ++i) {
        MdxTag tag;
        if (const Xbase e = decodeTag(bytes, block, f + kTagTable + i * kTagEntry, reader, tag);
            e != Xbase::None)
            return e;
        image.tags.push_back(std::move(tag));
    }
    return Xbase::None;
}

std::string encodeNumberKey(double value) {
    std::string key(12, '\0');
    if (!std::isfinite(value) || value == 0) {
        key[0] = 0x34;
        key[1] = 0x04;
        return key;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15e", std::fabs(value));
    // buf: d.ddddddddddddddde[+-]XX
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, 15);
    const int exponent = std::atoi(buf + 18);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    key[0] = static_cast<char>(std::clamp(0x34 + exponent + 1, 0, 255));
    key[1] = static_cast<char>((digits.size() << 2) | (value < 0 ? 0x80 : 0));
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int d = digits[i] - '0';
        auto& byte = reinterpret_cast<std::uint8_t&>(key[2 + i / 2]);
        byte = static_cast<std::uint8_t>(byte | (i % 2 == 0 ? d << 4 : d));
    }
    return key;
}

double decodeNumberKey(std::span<const std::uint8_t> k) {
    if (k.size() < 12) return 0;
    const int exponent = static_cast<int>(k[0]) - 0x34;
    const std::size_t digits = std::min<std::size_t>((k[1] >> 2) & 0x1F, 20);
    double v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = i % 2 == 0 ? k[2 + i / 2] >> 4 : k[2 + i / 2] & 0x0F;
        v = v * 10 + d;
    }
    v *= std::pow(10.0, exponent - static_cast<int>(digits));
    if (!std::isfinite(v)) v = 0;
    return (k[1] & 0x80) ? -v : v;
}

std::string encodeDateKey(double julian) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &julian, sizeof bits);
    std::string key(8, '\0');
    for (int i = 0; i < 8; ++i)
        key[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
    return key;
}

double decodeDateKey(std::span<const std::uint8_t> k) {
    if (k.size() < 8) return 0;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(k[static_cast<std::size_t>(i)]) << (8 * i);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? v : 0;
}

} // namespace zv::dbase
