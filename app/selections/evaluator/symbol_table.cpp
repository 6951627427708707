#include "app/selections/evaluator/symbol_table.h"

#include "platform/codepage.h"
#include "storage/decimal.h"

#include <cstring>

namespace zv::evaluator {
namespace {

struct BuiltIn {
    const char* name;
    Function function;
    int maxArgs;
    ValueType result;
};

constexpr ValueType kI = ValueType::Integer;
constexpr ValueType kR = ValueType::Real;
constexpr ValueType kT = ValueType::Text;

const BuiltIn kBuiltIns[] = {
    {"ABS", Function::Abs, 1, kR},           {"ACOS", Function::Acos, 1, kR},
    {"AGE", Function::Age, 2, kT},           {"ALL", Function::All, 2, kT},
    {"ASIN", Function::Asin, 1, kR},         {"ATAN", Function::Atan, 1, kR},
    {"BAND", Function::Band, 2, kI},         {"BOR", Function::Bor, 2, kI},
    {"BSHIFT", Function::Bshift, 2, kI},     {"BXOR", Function::Bxor, 2, kI},
    {"CENTER", Function::Center, 2, kT},     {"CHOOSE", Function::Choose, 25, kT},
    {"CHR", Function::Chr, 1, kT},           {"CLIP", Function::Clip, 1, kT},
    {"CLOCK", Function::Clock, 0, kI},       {"COS", Function::Cos, 1, kR},
    {"DATE", Function::Date, 3, kI},         {"DAY", Function::Day, 1, kI},
    {"DEFORMAT", Function::Deformat, 2, kT}, {"FORMAT", Function::Format, 2, kT},
    {"GETINI", Function::Getini, 4, kT},     {"INLIST", Function::Inlist, 25, kI},
    {"INRANGE", Function::Inrange, 3, kI},   {"INSTRING", Function::Instring, 4, kI},
    {"INT", Function::Int, 1, kI},           {"LEFT", Function::Left, 2, kT},
    {"LEN", Function::Len, 1, kI},           {"LOG10", Function::Log10, 1, kR},
    {"LOGE", Function::Loge, 1, kR},         {"LOWER", Function::Lower, 1, kT},
    {"MEMORY", Function::Memory, 1, kI},     {"MONTH", Function::Month, 1, kI},
    {"NUMERIC", Function::Numeric, 1, kI},   {"RANDOM", Function::Random, 2, kI},
    {"RIGHT", Function::Right, 2, kT},       {"ROUND", Function::Round, 2, kR},
    {"SIN", Function::Sin, 1, kR},           {"SQRT", Function::Sqrt, 1, kR},
    {"SUB", Function::Sub, 3, kT},           {"TAN", Function::Tan, 1, kR},
    {"TODAY", Function::Today, 0, kI},       {"UPPER", Function::Upper, 1, kT},
    {"VAL", Function::Val, 1, kI},           {"YEAR", Function::Year, 1, kI},
};

std::string key(std::string_view name) {
    return cp1250::upper(name);
}

// Little-endian readers of record fields.
std::uint32_t readU32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t readU64(const unsigned char* p) {
    return readU32(p) | (static_cast<std::uint64_t>(readU32(p + 4)) << 32);
}

} // namespace

bool isNameLetter(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return c >= 0x80 && (cp1250::upper(c) != c || cp1250::lower(c) != c || c == 0xDF);
}

std::string_view namePart(std::string_view text) {
    if (text.empty()) return {};
    const auto first = static_cast<unsigned char>(text[0]);
    if (first != '?' && first != '_' && !isNameLetter(first)) return {};
    std::size_t i = 1;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!isNameLetter(c) && !(c >= '0' && c <= '9') && c != '_' && c != ':') break;
        ++i;
    }
    if (i < text.size() && (text[i] == '#' || text[i] == '$' || text[i] == '"')) ++i;
    return text.substr(0, i);
}

ValueType VariableRef::type() const {
    using storage::FieldType;
    switch (storage) {
    case Storage::Integer:
        return ValueType::Integer;
    case Storage::Real:
        return ValueType::Real;
    case Storage::Text:
        return ValueType::Text;
    case Storage::Field:
        break;
    }
    switch (fieldType) {
    case FieldType::Byte:
    case FieldType::Short:
    case FieldType::UShort:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
        return ValueType::Integer;
    case FieldType::ULong: // beyond the 32-bit signed range
    case FieldType::SReal:
    case FieldType::Real:
    case FieldType::Decimal:
    case FieldType::PDecimal:
        return ValueType::Real;
    case FieldType::String:
    case FieldType::CString:
    case FieldType::PString:
    case FieldType::Group:
        return ValueType::Text;
    }
    return ValueType::Text;
}

Value VariableRef::read() const {
    using storage::FieldType;
    switch (storage) {
    case Storage::Integer:
        return Value::ofInteger(*static_cast<const std::int32_t*>(data));
    case Storage::Real:
        return Value::ofReal(*static_cast<const double*>(data));
    case Storage::Text:
        return Value::ofText(*static_cast<const std::string*>(data));
    case Storage::Field:
        break;
    }
    const auto* p = static_cast<const unsigned char*>(data);
    const char* chars = static_cast<const char*>(data);
    switch (fieldType) {
    case FieldType::Byte:
        return Value::ofInteger(p[0]);
    case FieldType::Short:
        return Value::ofInteger(
            static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
    case FieldType::UShort:
        return Value::ofInteger(p[0] | (p[1] << 8));
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
        return Value::ofInteger(static_cast<std::int32_t>(readU32(p)));
    case FieldType::ULong:
        return Value::ofReal(readU32(p));
    case FieldType::SReal: {
        const std::uint32_t bits = readU32(p);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return Value::ofReal(f);
    }
    case FieldType::Real: {
        const std::uint64_t bits = readU64(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return Value::ofReal(d);
    }
    case FieldType::Decimal:
    case FieldType::PDecimal:
        return Value::ofReal(storage::decodeDecimal(p, size, places));
    case FieldType::String:
    case FieldType::Group:
        return Value::ofText(std::string(chars, size));
    case FieldType::CString: {
        const void* nul = std::memchr(chars, 0, size);
        return Value::ofText(
            std::string(chars, nul ? static_cast<const char*>(nul) - chars : size));
    }
    case FieldType::PString: {
        const std::size_t n = size == 0 ? 0 : std::min<std::size_t>(p[0], size - 1);
        return Value::ofText(std::string(chars + 1, n));
    }
    }
    return Value::ofText({});
}

SymbolTable::SymbolTable() {
    for (const BuiltIn& b : kBuiltIns) {
        auto e = std::make_shared<Entry>();
        e->kind = EntryKind::Function;
        e->name = b.name;
        e->function = b.function;
        e->maxArgs = b.maxArgs;
        e->resultType = b.result;
        entries_[b.name] = e;
    }
    const std::pair<const char*, Keyword> keywords[] = {
        {"AND", Keyword::And}, {"OR", Keyword::Or}, {"XOR", Keyword::Xor}, {"NOT", Keyword::Not}};
    for (const auto& [name, keyword] : keywords) {
        auto e = std::make_shared<Entry>();
        e->kind = EntryKind::Keyword;
        e->name = name;
        e->keyword = keyword;
        entries_[name] = e;
    }
}

SymbolTable& SymbolTable::instance() {
    static SymbolTable table;
    return table;
}

std::shared_ptr<Entry> SymbolTable::find(std::string_view name) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key(name));
    return it == entries_.end() ? nullptr : it->second;
}

void SymbolTable::bind(const std::string& name, Entry contents) {
    std::lock_guard lock(mutex_);
    contents.name = name;
    contents.scope = scopes_.empty() ? 0 : scopes_.back().id;
    auto& slot = entries_[key(name)];
    if (slot) {
        if (!scopes_.empty()) scopes_.back().changes.push_back({slot, *slot});
        *slot = std::move(contents);
    } else {
        slot = std::make_shared<Entry>(std::move(contents));
        if (!scopes_.empty()) scopes_.back().changes.push_back({slot, std::nullopt});
    }
}

int SymbolTable::pushScope() {
    std::lock_guard lock(mutex_);
    scopes_.push_back({nextScope_++, {}});
    return scopes_.back().id;
}

bool SymbolTable::scopeOpen(int id) const {
    if (id == 0) return true;
    for (const Scope& s : scopes_)
        if (s.id == id) return true;
    return false;
}

void SymbolTable::remove(const std::shared_ptr<Entry>& entry) {
    const auto it = entries_.find(key(entry->name));
    if (it != entries_.end() && it->second == entry) entries_.erase(it);
    *entry = Entry{}; // parsed expressions that still refer to it find it unbound
}

int SymbolTable::popScope(int id) {
    std::lock_guard lock(mutex_);
    std::size_t index = scopes_.size();
    for (std::size_t i = 0; i < scopes_.size(); ++i)
        if (scopes_[i].id == id) index = i;
    if (index == scopes_.size()) return 802;
    const int result = index + 1 == scopes_.size() ? 0 : 802;
    Scope scope = std::move(scopes_[index]);
    scopes_.erase(scopes_.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto c = scope.changes.rbegin(); c != scope.changes.rend(); ++c) {
        if (c->entry->scope != scope.id) continue; // bound again since, by another scope
        if (c->previous && (c->previous->scope == scope.id || scopeOpen(c->previous->scope)))
            *c->entry = *c->previous;
        else
            remove(c->entry);
    }
    return result;
}

} // namespace zv::evaluator
