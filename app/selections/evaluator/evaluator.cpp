#include "app/selections/evaluator/evaluator.h"

#include "app/selections/evaluator/expression.h"

namespace zv::evaluator {
namespace {

std::size_t minimumSize(storage::FieldType type) {
    using storage::FieldType;
    switch (type) {
    case FieldType::Byte:
        return 1;
    case FieldType::Short:
    case FieldType::UShort:
        return 2;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
    case FieldType::ULong:
    case FieldType::SReal:
        return 4;
    case FieldType::Real:
        return 8;
    case FieldType::Decimal:
    case FieldType::PDecimal:
        return 1;
    case FieldType::String:
    case FieldType::CString:
    case FieldType::PString:
    case FieldType::Group:
        return 0;
    }
    return SIZE_MAX; // not a field type
}

bool bindVariable(std::string_view name, VariableRef ref) {
    const std::string_view n = namePart(name);
    if (n.empty() || !ref.data) return false;
    Entry e;
    e.kind = EntryKind::Variable;
    e.variable = ref;
    SymbolTable::instance().bind(std::string(n), std::move(e));
    return true;
}

Result resultOf(const Value& v, bool failed) {
    if (failed) return {{}, kNoBind};
    return {toText(v), 0};
}

} // namespace

std::string_view errorText(int code) {
    switch (code) {
    case kInvalidExpression:
        return "Invalid expression for EVALUATE";
    case kNoBind:
        return "No BIND on variable";
    case kMismatchedScope:
        return "Mismatched PUSHSCOPE/POPSCOPE";
    default:
        return {};
    }
}

Result evaluate(std::string_view expression) {
    std::lock_guard lock(SymbolTable::instance().mutex());
    Parsed parsed = parseExpression(expression);
    if (!parsed.root) return {{}, kInvalidExpression};
    bool failed = false;
    const Value v = evaluateNode(*parsed.root, failed);
    return failed ? Result{{}, kInvalidExpression} : Result{toText(v), 0};
}

bool bindInteger(std::string_view name, const std::int32_t* variable) {
    return bindVariable(name, {VariableRef::Storage::Integer, {}, variable, 4, 0});
}

bool bindReal(std::string_view name, const double* variable) {
    return bindVariable(name, {VariableRef::Storage::Real, {}, variable, 8, 0});
}

bool bindText(std::string_view name, const std::string* variable) {
    return bindVariable(name, {VariableRef::Storage::Text, {}, variable, 0, 0});
}

bool bindField(std::string_view name, storage::FieldType type, const void* data, std::size_t size,
               int places) {
    if (size < minimumSize(type)) return false;
    if (places < 0 || places > 31) return false;
    return bindVariable(name, {VariableRef::Storage::Field, type, data, size, places});
}

bool bindProcedure(std::string_view name, Procedure procedure) {
    const std::string_view n = namePart(name);
    if (n.empty() || !procedure) return false;
    Entry e;
    e.kind = EntryKind::Procedure;
    e.procedure = std::move(procedure);
    SymbolTable::instance().bind(std::string(n), std::move(e));
    return true;
}

bool bindFields(const storage::TableDecl& decl, const void* record) {
    bool ok = record != nullptr;
    for (const storage::FieldDecl& f : decl.fields) {
        if (!record || f.offset + std::size_t{f.size} > decl.recordLength) {
            ok = false;
            continue;
        }
        const auto* at = static_cast<const unsigned char*>(record) + f.offset;
        ok = bindField(f.name, f.type, at, f.size, f.places) && ok;
    }
    return ok;
}

int pushScope() {
    return SymbolTable::instance().pushScope();
}

int popScope(int scope) {
    return SymbolTable::instance().popScope(scope);
}

Filter::Filter() = default;
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

int Filter::compile(std::string_view expression) {
    std::lock_guard lock(SymbolTable::instance().mutex());
    root_.reset();
    Parsed parsed = parseExpression(expression);
    root_ = std::move(parsed.root);
    return parsed.error;
}

Result Filter::evaluate() const {
    if (!root_) return {{}, kInvalidExpression};
    std::lock_guard lock(SymbolTable::instance().mutex());
    bool failed = false;
    const Value v = evaluateNode(*root_, failed);
    return resultOf(v, failed);
}

bool Filter::accepts() const {
    if (!root_) return false;
    std::lock_guard lock(SymbolTable::instance().mutex());
    bool failed = false;
    const Value v = evaluateNode(*root_, failed);
    if (failed) return false;
    switch (v.type) {
    case ValueType::Integer:
        return v.integer != 0;
    case ValueType::Real:
        return realText(v.real) != "0";
    case ValueType::Text:
        return !v.text.empty() && v.text != "0";
    }
    return false;
}

} // namespace zv::evaluator
