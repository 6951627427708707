// Test helper: builds table declarations field by field, with offsets.
#pragma once

#include "storage/declaration.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace zv::dbase::test {

class DeclBuilder {
public:
    DeclBuilder& field(std::string name, storage::FieldType type, std::uint16_t size,
                       std::string picture = {}) {
        storage::FieldDecl f;
        f.name = std::move(name);
        f.type = type;
        f.offset = decl_.recordLength;
        f.size = size;
        f.picture = std::move(picture);
        decl_.fields.push_back(f);
        decl_.recordLength = static_cast<std::uint16_t>(decl_.recordLength + size);
        return *this;
    }
    DeclBuilder& memo(std::string name, std::uint16_t maxLength) {
        storage::MemoDecl m;
        m.name = name;
        m.externalName = name;
        m.maxLength = maxLength;
        decl_.memos.push_back(m);
        return *this;
    }
    storage::TableDecl build() const { return decl_; }

private:
    storage::TableDecl decl_;
};

// Record buffer access by field index.
class Record {
public:
    explicit Record(const storage::TableDecl& decl) : decl_(decl), bytes_(decl.recordLength, 0) {}
    std::span<std::uint8_t> bytes() { return bytes_; }
    void clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }
    void setText(std::size_t i, const std::string& text1250) {
        const auto& f = decl_.fields[i];
        std::memset(bytes_.data() + f.offset, ' ', f.size);
        std::memcpy(bytes_.data() + f.offset, text1250.data(),
                    std::min<std::size_t>(f.size, text1250.size()));
    }
    std::string text(std::size_t i) const {
        const auto& f = decl_.fields[i];
        return std::string(reinterpret_cast<const char*>(bytes_.data() + f.offset), f.size);
    }
    template <typename T> void set(std::size_t i, T v) {
        std::memcpy(bytes_.data() + decl_.fields[i].offset, &v, sizeof v);
    }
    template <typename T> T get(std::size_t i) const {
        T v;
        std::memcpy(&v, bytes_.data() + decl_.fields[i].offset, sizeof v);
        return v;
    }
    void setDate(std::size_t i, int y, int m, int d) {
        std::uint8_t* p = bytes_.data() + decl_.fields[i].offset;
        p[0] = static_cast<std::uint8_t>(d);
        p[1] = static_cast<std::uint8_t>(m);
        p[2] = static_cast<std::uint8_t>(y & 0xFF);
        p[3] = static_cast<std::uint8_t>(y >> 8);
    }

private:
    const storage::TableDecl& decl_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace zv::dbase::test
