#include "storage/definition.h"

#include "storage/coding.h"

namespace zv::storage {

namespace {

void putString(std::string& out, const std::string& s) {
    if (s.empty()) {
        out.append(2, '\0');
        return;
    }
    out += s;
    out.push_back('\0');
}

class Reader {
public:
    explicit Reader(const std::string& s) : s_(s) {}
    bool u8(std::uint8_t* v) {
        if (pos_ + 1 > s_.size()) return false;
        *v = static_cast<std::uint8_t>(s_[pos_++]);
        return true;
    }
    bool u16(std::uint16_t* v) {
        if (pos_ + 2 > s_.size()) return false;
        *v = getLe16(bytes(s_) + pos_);
        pos_ += 2;
        return true;
    }
    bool str(std::string* v) {
        std::size_t end = s_.find('\0', pos_);
        if (end == std::string::npos) return false;
        *v = s_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (v->empty()) {
            std::uint8_t marker = 0;
            if (!u8(&marker) || marker > 1) return false; // 0 empty, 1 absent
        }
        return true;
    }

private:
    const std::string& s_;
    std::size_t pos_ = 0;
};

bool isDecimal(FieldType t) {
    return t == FieldType::Decimal || t == FieldType::PDecimal;
}

} // namespace

std::string encodeDefinition(const TableDecl& decl) {
    std::string out;
    bool blob = false;
    for (const auto& m : decl.memos)
        blob = blob || m.blob;
    appendLe16(out, blob ? 2 : 1);
    appendLe16(out, decl.recordLength);
    appendLe16(out, static_cast<std::uint16_t>(decl.fields.size()));
    appendLe16(out, static_cast<std::uint16_t>(decl.memos.size()));
    appendLe16(out, static_cast<std::uint16_t>(decl.keys.size()));
    for (std::size_t i = 0; i < decl.fields.size(); ++i) {
        const FieldDecl& f = decl.fields[i];
        out.push_back(static_cast<char>(f.type));
        appendLe16(out, f.offset);
        putString(out, f.name);
        std::uint16_t elements = f.elements ? f.elements : 1;
        appendLe16(out, elements);
        appendLe16(out, f.size);
        appendLe16(out, f.overlay ? 1 : 0);
        appendLe16(out, static_cast<std::uint16_t>(i));
        if (isDecimal(f.type)) {
            appendLe16(out, f.places);
            appendLe16(out, static_cast<std::uint16_t>(f.size / elements));
        } else if (isText(f.type)) {
            appendLe16(out, static_cast<std::uint16_t>(f.size / elements));
            putString(out, f.picture);
        }
    }
    for (const auto& m : decl.memos) {
        putString(out, m.externalName);
        putString(out, m.name);
        appendLe16(out, m.maxLength);
        appendLe16(out, m.blob ? 0x04 : 0);
    }
    for (const auto& k : decl.keys) {
        putString(out, k.externalName);
        putString(out, k.name);
        out.push_back(static_cast<char>(k.flags));
        appendLe16(out, static_cast<std::uint16_t>(k.components.size()));
        for (const auto& c : k.components) {
            appendLe16(out, c.field);
            appendLe16(out, c.descending ? 1 : 0);
        }
    }
    return out;
}

bool decodeDefinition(const std::string& stream, TableDecl* decl) {
    Reader r(stream);
    std::uint16_t version = 0, nFields = 0, nMemos = 0, nKeys = 0;
    *decl = TableDecl{};
    if (!r.u16(&version) || !r.u16(&decl->recordLength) || !r.u16(&nFields) || !r.u16(&nMemos) ||
        !r.u16(&nKeys))
        return false;
    for (std::uint16_t i = 0; i < nFields; ++i) {
        FieldDecl f;
        std::uint8_t type = 0;
        std::uint16_t overlay = 0, number = 0, elementSize = 0;
        if (!r.u8(&type) || !r.u16(&f.offset) || !r.str(&f.name) || !r.u16(&f.elements) ||
            !r.u16(&f.size) || !r.u16(&overlay) || !r.u16(&number))
            return false;
        f.type = static_cast<FieldType>(type);
        f.overlay = overlay != 0;
        if (isDecimal(f.type)) {
            if (!r.u16(&f.places) || !r.u16(&elementSize)) return false;
            f.digits = static_cast<std::uint16_t>(elementSize * 2 - 1);
        } else if (isText(f.type)) {
            if (!r.u16(&elementSize) || !r.str(&f.picture)) return false;
        }
        if (static_cast<std::uint32_t>(f.offset) + f.size > decl->recordLength) return false;
        decl->fields.push_back(f);
    }
    for (std::uint16_t i = 0; i < nMemos; ++i) {
        MemoDecl m;
        std::uint16_t flags = 0;
        if (!r.str(&m.externalName) || !r.str(&m.name) || !r.u16(&m.maxLength) || !r.u16(&flags))
            return false;
        m.blob = flags & 0x04;
        decl->memos.push_back(m);
    }
    for (std::uint16_t i = 0; i < nKeys; ++i) {
        KeyDecl k;
        std::uint16_t n = 0;
        if (!r.str(&k.externalName) || !r.str(&k.name) || !r.u8(&k.flags) || !r.u16(&n))
            return false;
        for (std::uint16_t j = 0; j < n; ++j) {
            KeyComponent c;
            std::uint16_t flags = 0;
            if (!r.u16(&c.field) || !r.u16(&flags)) return false;
            if (c.field >= nFields) return false;
            c.descending = flags & 1;
            k.components.push_back(c);
        }
        decl->keys.push_back(k);
    }
    return true;
}

int compareDefinition(const TableDecl& stored, const TableDecl& declared) {
    constexpr int kMismatch = 47;
    if (stored.recordLength != declared.recordLength ||
        stored.fields.size() != declared.fields.size() ||
        stored.memos.size() != declared.memos.size() || stored.keys.size() != declared.keys.size())
        return kMismatch;
    for (std::size_t i = 0; i < stored.fields.size(); ++i) {
        const FieldDecl& a = stored.fields[i];
        const FieldDecl& b = declared.fields[i];
        if (a.type != b.type || a.offset != b.offset || a.size != b.size ||
            a.elements != (b.elements ? b.elements : 1) || a.overlay != b.overlay)
            return kMismatch;
        if (isDecimal(a.type) && a.places != b.places) return kMismatch;
    }
    for (std::size_t i = 0; i < stored.memos.size(); ++i)
        if (stored.memos[i].maxLength != declared.memos[i].maxLength ||
            stored.memos[i].blob != declared.memos[i].blob)
            return kMismatch;
    for (std::size_t i = 0; i < stored.keys.size(); ++i) {
        const KeyDecl& a = stored.keys[i];
        const KeyDecl& b = declared.keys[i];
        // The order of text keys is the stored one, whatever the declaration asks
        // (a full rebuild takes the declared order).
        constexpr auto kFree = static_cast<std::uint8_t>(kKeyPrimary | kKeyCzech);
        if ((a.flags & ~kFree) != (b.flags & ~kFree) || a.components.size() != b.components.size())
            return kMismatch;
        for (std::size_t j = 0; j < a.components.size(); ++j)
            if (a.components[j].field != b.components[j].field ||
                a.components[j].descending != b.components[j].descending)
                return kMismatch;
    }
    return 0;
}

} // namespace zv::storage
