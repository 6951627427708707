#include "storage/dbase/tag_set.h"

#include "storage/dbase/calendar.h"
#include "storage/dbase/tag_sort.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zv::dbase {
namespace {

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

// The key expression made to give the declared key type.
bool typedExpression(const TagDef& def, const std::vector<Column>& columns, XbaseExpr& out) {
    if (!out.compile(def.expression, columns)) return false;
    const char want = def.typeLetter == 'F' ? 'N' : def.typeLetter;
    const char have = out.type();
    if (want == 0 || want == have) return have != 'L';
    std::string wrapped;
    if (want == 'C' && have == 'N')
        wrapped = "STR(" + def.expression + ",20,4)";
    else if (want == 'C' && have == 'D')
        wrapped = "DTOS(" + def.expression + ")";
    else if (want == 'N' && have == 'C')
        wrapped = "VAL(" + def.expression + ")";
    else if (want == 'D' && have == 'C')
        wrapped = "CTOD(" + def.expression + ")";
    else
        return false;
    return wrapped.size() <= mdx::kMaxExpression && out.compile(wrapped, columns);
}

} // namespace

bool Tag::less(const TagEntry& a, const TagEntry& b) const {
    int c = 0;
    if (keyType == 'C')
        c = a.key.compare(b.key) < 0 ? -1 : (a.key == b.key ? 0 : 1);
    else
        c = a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
    if (def.descending) c = -c;
    if (c != 0) return c < 0;
    return a.recno < b.recno;
}

bool Tag::sameKey(const TagEntry& a, const TagEntry& b) const {
    return keyType == 'C' ? a.key == b.key : a.value == b.value;
}

TagEntry Tag::keyOf(std::span<const std::uint8_t> row, std::uint32_t recno) const {
    const XValue v = key.evaluate(row, recno);
    TagEntry e;
    e.recno = recno;
    if (keyType == 'C') {
        e.key = v.text;
        e.key.resize(keyLength, ' ');
    } else if (keyType == 'N') {
        e.key = encodeNumberKey(v.number);
        e.value = decodeNumberKey(
            std::span(reinterpret_cast<const std::uint8_t*>(e.key.data()), e.key.size()));
    } else {
        e.value = v.number;
        e.key = encodeDateKey(v.number);
    }
    return e;
}

bool Tag::entryFor(std::span<const std::uint8_t> row, std::uint32_t recno, TagEntry& out) const {
    if (!filter.empty() && !filter.evaluate(row, recno).logical) return false;
    out = keyOf(row, recno);
    return true;
}

Xbase TagSet::compile(const std::vector<TagDef>& defs, const std::vector<Column>& columns) {
    tags_.clear();
    for (const TagDef& def : defs)
        if (const Xbase e = add(def, columns); e != Xbase::None) return e;
    return Xbase::None;
}

Xbase TagSet::add(const TagDef& def, const std::vector<Column>& columns) {
    {
        Tag t;
        t.def = def;
        if (!typedExpression(def, columns, t.key)) return Xbase::BadKeyExpression;
        t.def.expression = t.key.text();
        if (!def.filter.empty() &&
            (!t.filter.compile(def.filter, columns) || t.filter.type() != 'L'))
            return Xbase::BadKeyExpression;
        t.keyType = t.key.type();
        if (t.keyType == 'C') {
            if (t.key.width() == 0 || t.key.width() > mdx::kMaxKeyLength)
                return Xbase::InvalidKeyLength;
            t.keyLength = static_cast<std::uint16_t>(t.key.width());
        } else {
            t.keyLength = t.keyType == 'N' ? 12 : 8;
        }
        tags_.push_back(std::move(t));
    }
    return Xbase::None;
}

Xbase TagSet::addForeign(const MdxImage& image, const std::vector<Column>& columns) {
    for (const MdxTag& m : image.tags) {
        if (find(m.name) >= 0) continue;
        TagDef def;
        def.tag = upperAscii(m.name);
        def.typeLetter = m.keyType;
        def.expression = m.expression;
        def.filter = m.filter;
        def.descending = m.descending;
        def.unique = m.unique;
        if (const Xbase e = add(def, columns); e != Xbase::None) return Xbase::BadKeyExpression;
        if (tags_.back().keyLength != m.keyLength) return Xbase::InvalidKeyLength;
    }
    return Xbase::None;
}

int TagSet::find(std::string_view name) const {
    const std::string wanted = upperAscii(name);
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i].def.tag == wanted) return static_cast<int>(i);
    return -1;
}

void TagSet::clear() {
    for (Tag& t : tags_)
        t.entries.clear();
}

bool TagSet::duplicates(std::span<const std::uint8_t> row, std::uint32_t recno) const {
    for (const Tag& t : tags_) {
        if (!t.def.unique) continue;
        TagEntry e;
        if (!t.entryFor(row, recno, e)) continue;
        e.recno = 0;
        auto it =
            std::lower_bound(t.entries.begin(), t.entries.end(), e,
                             [&t](const TagEntry& a, const TagEntry& b) { return t.less(a, b); });
        for (; it != t.entries.end() && t.sameKey(*it, e); ++it)
            if (it->recno != recno) return true;
    }
    return false;
}

void TagSet::insert(std::span<const std::uint8_t> row, std::uint32_t recno) {
    for (Tag& t : tags_) {
        TagEntry e;
        if (!t.entryFor(row, recno, e)) continue;
        auto at =
            std::lower_bound(t.entries.begin(), t.entries.end(), e,
                             [&t](const TagEntry& a, const TagEntry& b) { return t.less(a, b); });
        t.entries.insert(at, std::move(e));
    }
}

void TagSet::remove(std::span<const std::uint8_t> row, std::uint32_t recno) {
    for (Tag& t : tags_) {
        TagEntry e;
        if (!t.entryFor(row, recno, e)) continue;
        auto at =
            std::lower_bound(t.entries.begin(), t.entries.end(), e,
                             [&t](const TagEntry& a, const TagEntry& b) { return t.less(a, b); });
        if (at != t.entries.end() && at->recno == recno && t.sameKey(*at, e)) {
            t.entries.erase(at);
            continue;
        }
        // Not where its row puts it (an index adopted from elsewhere): look it up.
        auto any = std::find_if(t.entries.begin(), t.entries.end(),
                                [recno](const TagEntry& x) { return x.recno == recno; });
        if (any != t.entries.end()) t.entries.erase(any);
    }
}

void TagSet::append(std::span<const std::uint8_t> row, std::uint32_t recno) {
    for (Tag& t : tags_) {
        TagEntry e;
        if (t.entryFor(row, recno, e)) t.entries.push_back(std::move(e));
    }
}

Xbase TagSet::sortAll(const std::string& directory) {
    Xbase first = Xbase::None;
    for (Tag& t : tags_)
        if (const Xbase e = sortTagEntries(t, directory); e != Xbase::None && first == Xbase::None)
            first = e;
    return first;
}

MdxImage TagSet::image(const std::string& dataName) const {
    MdxImage img;
    img.dataName = dataName;
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (!tags_[i].def.outside) img.tags.push_back(tagImage(i));
    return img;
}

bool TagSet::hasProduction() const {
    return std::any_of(tags_.begin(), tags_.end(), [](const Tag& t) { return !t.def.outside; });
}

MdxTag TagSet::tagImage(std::size_t i) const {
    const Tag& t = tags_[i];
    {
        MdxTag m;
        m.name = t.def.tag;
        m.keyType = t.keyType;
        m.keyLength = t.keyLength;
        m.descending = t.def.descending;
        m.unique = t.def.unique;
        m.expression = t.def.expression;
        m.filter = t.def.filter;
        m.entries.reserve(t.entries.size());
        for (const TagEntry& e : t.entries)
            m.entries.push_back({e.key, e.recno});
        return m;
    }
}

bool TagSet::adopt(const MdxImage& image) {
    for (Tag& t : tags_) {
        const auto it = std::find_if(image.tags.begin(), image.tags.end(), [&t](const MdxTag& m) {
            return upperAscii(m.name) == t.def.tag;
        });
        if (it == image.tags.end() || it->keyType != t.keyType || it->keyLength != t.keyLength ||
            it->descending != t.def.descending)
            return false;
        t.entries.clear();
        t.entries.reserve(it->entries.size());
        for (const MdxEntry& m : it->entries) {
            TagEntry e;
            e.key = m.key;
            e.recno = m.recno;
            const std::span bytes(reinterpret_cast<const std::uint8_t*>(e.key.data()),
                                  e.key.size());
            if (t.keyType == 'N') e.value = decodeNumberKey(bytes);
            if (t.keyType == 'D') e.value = decodeDateKey(bytes);
            t.entries.push_back(std::move(e));
        }
    }
    return true;
}

bool TagSet::sameEntries(const TagSet& other) const {
    if (other.tags_.size() != tags_.size()) return false;
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        const auto& a = tags_[i].entries;
        const auto& b = other.tags_[i].entries;
        if (a.size() != b.size()) return false;
        for (std::size_t j = 0; j < a.size(); ++j)
            if (a[j].recno != b[j].recno || a[j].key != b[j].key) return false;
    }
    return true;
}

} // namespace zv::dbase
