#include "storage/dbase/ndx_format.h"

#include "storage/dbase/dbf_format.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

namespace zv::dbase {
namespace {

using namespace ndx;

struct Child {
    std::uint32_t page = 0;
    std::string lastKey;
};

// The key as stored: numbers as doubles.
std::string storedKey(const MdxTag& tag, const std::string& key) {
    if (tag.keyType != 'N') return key;
    const double v =
        decodeNumberKey({reinterpret_cast<const std::uint8_t*>(key.data()), key.size()});
    return encodeDateKey(v); // the same 8-byte double
}

class Walker {
public:
    Walker(std::span<const std::uint8_t> b, std::size_t item, std::size_t maxKeys,
           std::size_t keyLength)
        : b_(b), item_(item), maxKeys_(maxKeys), keyLength_(keyLength) {}

    Xbase walk(std::uint32_t page, int depth, std::vector<MdxEntry>& out) {
        if (depth > 24) return Xbase::FileCorrupted;
        if (page == 0 || static_cast<std::uint64_t>(page + 1) * kPage > b_.size())
            return depth == 0 ? Xbase::InvalidRootPage : Xbase::FileCorrupted;
        if (!visited_.insert(page).second) return Xbase::FileCorrupted;
        const std::uint8_t* p = b_.data() + static_cast<std::size_t>(page) * kPage;
        const std::uint32_t count = getU32(p);
        if (count > maxKeys_ || 4 + count * item_ > kPage) return Xbase::FileCorrupted;
        const bool leaf =
            count == 0 ? (4 + item_ > kPage || getU32(p + 4) == 0) : getU32(p + 4) == 0;
        if (leaf) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t* e = p + 4 + i * item_;
                const std::uint32_t recno = getU32(e + 4);
                if (recno == 0 || getU32(e) != 0) return Xbase::FileCorrupted;
                out.push_back(
                    {std::string(reinterpret_cast<const char*>(e + 8), keyLength_), recno});
            }
            return Xbase::None;
        }
        if (4 + (count + 1) * item_ > kPage) return Xbase::FileCorrupted;
        for (std::uint32_t i = 0; i <= count; ++i)
            if (const Xbase e = walk(getU32(p + 4 + i * item_), depth + 1, out); e != Xbase::None)
                return e;
        return Xbase::None;
    }

private:
    std::span<const std::uint8_t> b_;
    std::size_t item_, maxKeys_, keyLength_;
    std::set<std::uint32_t> visited_;
};

} // namespace

std::size_t ndxItemLength(std::size_t keyLength) {
    return (keyLength + 8 + 3) / 4 * 4;
}

std::size_t ndxMaxKeys(std::size_t keyLength) {
    return (kPage - 4) / ndxItemLength(keyLength) - 1;
}

std::vector<std::uint8_t> encodeNdx(const MdxTag& tag) {
    const std::size_t keyLength = tag.keyType == 'C' ? tag.keyLength : 8;
    const std::size_t item = ndxItemLength(keyLength);
    const std::size_t maxKeys = ndxMaxKeys(keyLength);
    std::vector<std::uint8_t> out(kPage, 0);
    auto allocate = [&out] {
        const auto page = static_cast<std::uint32_t>(out.size() / kPage);
        out.resize(out.size() + kPage, 0);
        return page;
    };
    const std::size_t n = tag.entries.size();
    const std::size_t leaves = std::max<std::size_t>(1, (n + maxKeys - 1) / maxKeys);
    std::vector<Child> level;
    for (std::size_t j = 0; j < leaves; ++j) {
        const std::size_t from = j * n / leaves;
        const std::size_t to = (j + 1) * n / leaves;
        const std::uint32_t page = allocate();
        std::uint8_t* p = out.data() + page * kPage;
        putU32(p, static_cast<std::uint32_t>(to - from));
        std::string last;
        for (std::size_t i = from; i < to; ++i) {
            std::uint8_t* e = p + 4 + (i - from) * item;
            putU32(e + 4, tag.entries[i].recno);
            last = storedKey(tag, tag.entries[i].key);
            std::memcpy(e + 8, last.data(), std::min(keyLength, last.size()));
        }
        level.push_back({page, last});
    }
    while (level.size() > 1) {
        const std::size_t size = level.size();
        const std::size_t groups = (size + maxKeys) / (maxKeys + 1);
        std::vector<Child> up;
        for (std::size_t j = 0; j < groups; ++j) {
            const std::size_t from = j * size / groups;
            const std::size_t to = (j + 1) * size / groups;
            const std::uint32_t page = allocate();
            std::uint8_t* p = out.data() + page * kPage;
            putU32(p, static_cast<std::uint32_t>(to - from - 1));
            for (std::size_t i = from; i < to; ++i) {
                std::uint8_t* e = p + 4 + (i - from) * item;
                putU32(e, level[i].page);
                if (i + 1 < to)
                    std::memcpy(e + 8, level[i].lastKey.data(),
                                std::min(keyLength, level[i].lastKey.size()));
            }
            up.push_back({page, level[to - 1].lastKey});
        }
        level = std::move(up);
    }
    std::uint8_t* h = out.data();
    putU32(h + kRootPage, level.front().page);
    putU32(h + kPages, static_cast<std::uint32_t>(out.size() / kPage));
    putU16(h + kKeyLength, static_cast<std::uint16_t>(keyLength));
    putU16(h + kMaxKeys, static_cast<std::uint16_t>(maxKeys));
    putU16(h + kKeyType, tag.keyType == 'C' ? 0 : 1);
    putU16(h + kItemLength, static_cast<std::uint16_t>(item));
    h[kUnique] = tag.unique ? 1 : 0;
    std::memcpy(h + kExpression, tag.expression.data(),
                std::min(tag.expression.size(), kPage - kExpression - 1));
    return out;
}

Xbase decodeNdx(std::span<const std::uint8_t> bytes, bool dateKeys, MdxTag& tag) {
    tag.entries.clear();
    if (bytes.size() < 2 * kPage) return Xbase::FileCorrupted;
    const std::uint8_t* h = bytes.data();
    const std::size_t keyLength = getU16(h + kKeyLength);
    const std::size_t maxKeys = getU16(h + kMaxKeys);
    const std::size_t type = getU16(h + kKeyType);
    const std::size_t item = getU16(h + kItemLength);
    if (type > 1) return Xbase::InvalidKeyType;
    if (keyLength == 0 || keyLength > kMaxKeyLength || (type == 1 && keyLength != 8))
        return Xbase::InvalidKeyLength;
    if (item < keyLength + 8 || 4 + item > kPage) return Xbase::ItemLength;
    if (maxKeys == 0 || 4 + maxKeys * item > kPage) return Xbase::BadMaxKeys;
    std::size_t len = 0;
    while (kExpression + len < kPage && h[kExpression + len] != 0)
        ++len;
    if (len == 0 || len > mdx::kMaxExpression) return Xbase::BadKeyExpression;
    tag.expression.assign(reinterpret_cast<const char*>(h + kExpression), len);
    tag.unique = h[kUnique] != 0;
    tag.keyType = type == 0 ? 'C' : (dateKeys ? 'D' : 'N');
    tag.keyLength = static_cast<std::uint16_t>(type == 0 ? keyLength : (dateKeys ? 8 : 12));
    Walker w(bytes, item, maxKeys, keyLength);
    if (const Xbase e = w.walk(getU32(h + kRootPage), 0, tag.entries); e != Xbase::None) return e;
    if (type == 1 && !dateKeys)
        for (MdxEntry& e : tag.entries)
            e.key = encodeNumberKey(
                decodeDateKey({reinterpret_cast<const std::uint8_t*>(e.key.data()), 8}));
    return Xbase::None;
}

} // namespace zv::dbase
